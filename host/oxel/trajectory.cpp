#include "trajectory.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>

#include "text_parse.h"

namespace oxel {

bool Trajectory::load(const std::string& path, const InvertAxes& invert, std::string& error) {
  std::ifstream file{path};
  if (!file) {
    error = "trajectory file not found or unreadable: " + path;
    return false;
  }
  std::stringstream text;
  text << file.rdbuf();
  return parse(text.str(), path, invert, error);
}

namespace {

// The columns a header row names: 4 for t,yaw,pitch,roll, 5 for
// t,qw,qx,qy,qz (either in any case, fields trimmed), 0 for anything else.
int headerColumns(const std::vector<std::string>& fields) {
  std::string header;
  for (const std::string& f : fields) header += lowercase(std::string{trim(f)}) + ",";
  if (header == "t,yaw,pitch,roll,") return 4;
  if (header == "t,qw,qx,qy,qz,") return 5;
  return 0;
}

// Reads a row of `columns` numbers (4 or 5) into v; `where` starts the error.
bool readNumbers(const std::vector<std::string>& fields, int columns, const std::string& where,
                 double (&v)[5], std::string& error) {
  if (static_cast<int>(fields.size()) != columns || (columns != 4 && columns != 5)) {
    error = where + "expected " +
            (columns == 5 ? std::string{"t,qw,qx,qy,qz"} : std::string{"t,yaw,pitch,roll"}) + " (" +
            std::to_string(columns == 5 ? 5 : 4) + " fields), got " + std::to_string(fields.size());
    return false;
  }
  for (int i = 0; i < columns; ++i) {
    if (!parseDouble(fields[i], v[i])) {
      error = where + "'" + fields[i] + "' is not a number";
      return false;
    }
  }
  return true;
}

// Between rows the path takes the shorter way round: a step of more than
// half a turn in one angle goes the other way, which a row of angles (unlike
// a quaternion) may not mean. Notes each such step in `warnings`.
void noteLongTurns(const YawPitchRoll& from, const YawPitchRoll& to, const std::string& where,
                   std::vector<std::string>& warnings) {
  const struct {
    const char* name;
    double from, to;
  } steps[] = {
      {"yaw", from.yaw, to.yaw}, {"pitch", from.pitch, to.pitch}, {"roll", from.roll, to.roll}};
  for (const auto& step : steps) {
    const double change = step.to - step.from;
    if (std::fabs(change) <= 180.0) continue;
    const double shorter = change - 360.0 * std::round(change / 360.0);
    char text[256];
    std::snprintf(text, sizeof text,
                  "%s goes from %g to %g degrees, more than half a turn: the path turns "
                  "%+g degrees the shorter way; add rows in between to turn %+g",
                  step.name, step.from, step.to, shorter, change);
    warnings.push_back(where + text);
  }
}

}  // namespace

bool Trajectory::parse(const std::string& text, const std::string& source,
                       const InvertAxes& invert, std::string& error) {
  times_.clear();
  orientations_.clear();
  warnings_.clear();
  std::optional<YawPitchRoll> previousAngles;
  int columns = 0;  // 4: yaw, pitch, roll; 5: quaternion
  int lineNumber = 0;
  std::istringstream lines{text};
  std::string line;
  while (std::getline(lines, line)) {
    ++lineNumber;
    const std::string where = source + ":" + std::to_string(lineNumber) + ": ";
    const std::string_view body = trim(line);
    if (body.empty() || body.front() == '#') continue;
    std::vector<std::string> fields = split(body, ',');
    double first = 0.0;
    if (!parseDouble(fields[0], first)) {
      // Only the first row may be a header.
      if (!times_.empty() || columns != 0) {
        error = where + "'" + fields[0] + "' is not a time in seconds";
        return false;
      }
      columns = headerColumns(fields);
      if (columns == 0) {
        error = where + "unknown header (expected t,yaw,pitch,roll or t,qw,qx,qy,qz)";
        return false;
      }
      continue;
    }
    if (columns == 0) columns = static_cast<int>(fields.size());
    double v[5] = {};
    if (!readNumbers(fields, columns, where, v, error)) return false;
    if (!addRow(v, columns, where, invert, previousAngles, error)) return false;
  }
  if (times_.empty()) {
    error = source + ": no trajectory rows (expected t,yaw,pitch,roll or t,qw,qx,qy,qz)";
    return false;
  }
  return true;
}

bool Trajectory::addRow(const double (&v)[5], int columns, const std::string& where,
                        const InvertAxes& invert, std::optional<YawPitchRoll>& previousAngles,
                        std::string& error) {
  if (v[0] < 0.0 || (!times_.empty() && v[0] < times_.back())) {
    error = where + "times must start at 0 or later and not go backwards";
    return false;
  }
  YawPitchRoll angles;
  if (columns == 4) {
    angles = {v[1], v[2], v[3]};
    if (previousAngles) noteLongTurns(*previousAngles, angles, where, warnings_);
    previousAngles = angles;
  } else {
    if (v[1] * v[1] + v[2] * v[2] + v[3] * v[3] + v[4] * v[4] < 1e-12) {
      error = where + "the quaternion is zero";
      return false;
    }
    angles = yawPitchRollFrom({v[1], v[2], v[3], v[4]});
  }
  if (invert.yaw) angles.yaw = -angles.yaw;
  if (invert.pitch) angles.pitch = -angles.pitch;
  if (invert.roll) angles.roll = -angles.roll;
  // A quaternion row nothing inverts is kept as it is rather than taken
  // through angles.
  Quaternion q = (columns == 5 && !invert.yaw && !invert.pitch && !invert.roll)
                     ? normalised({v[1], v[2], v[3], v[4]})
                     : quaternionFrom(angles);
  times_.push_back(v[0]);
  orientations_.push_back(q);
  return true;
}

Quaternion Trajectory::at(double seconds) const {
  if (seconds <= times_.front()) return orientations_.front();
  if (seconds >= times_.back()) return orientations_.back();
  // The first row after the time; the row before it is at or before the time.
  const size_t next = static_cast<size_t>(
      std::upper_bound(times_.begin(), times_.end(), seconds) - times_.begin());
  const size_t previous = next - 1;
  const double span = times_[next] - times_[previous];
  const double t = span > 0.0 ? (seconds - times_[previous]) / span : 1.0;
  return slerp(orientations_[previous], orientations_[next], t);
}

}  // namespace oxel
