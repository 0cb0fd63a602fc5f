// Time-stamped orientation paths for Tavrel (the conventions are in
// orientation.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "orientation.h"

namespace oxel {

// A time-stamped path: rows "t,yaw,pitch,roll" or "t,qw,qx,qy,qz", t in
// seconds (non-decreasing), an optional header naming the columns, '#'
// comments and blank lines ignored. Between rows the orientation moves along
// the shortest arc; before the first row and after the last it is held.
class Trajectory {
 public:
  bool load(const std::string& path, const InvertAxes& invert, std::string& error);
  bool parse(const std::string& text, const std::string& source, const InvertAxes& invert,
             std::string& error);
  Quaternion at(double seconds) const;
  YawPitchRoll anglesAt(double seconds) const { return yawPitchRollFrom(at(seconds)); }
  size_t size() const { return times_.size(); }
  // "FILE:LINE: ..." for each row of angles more than half a turn from the row
  // before in one angle: the path turns the shorter way there.
  const std::vector<std::string>& warnings() const { return warnings_; }

 private:
  // Checks and adds one row of numbers (time first; angles or a quaternion).
  bool addRow(const double (&v)[5], int columns, const std::string& where, const InvertAxes& invert,
              std::optional<YawPitchRoll>& previousAngles, std::string& error);

  std::vector<double> times_;
  std::vector<std::string> warnings_;
  std::vector<Quaternion> orientations_;
};

}  // namespace oxel
