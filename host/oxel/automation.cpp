#include "automation.h"

#include "text_parse.h"

namespace oxel {

float AutomationLane::valueAt(double seconds) const {
  if (points.empty()) return 0.0f;
  if (seconds < points.front().seconds) return points.front().value;
  // The last point at or before the time; after a step, the later value.
  size_t i = 0;
  while (i + 1 < points.size() && points[i + 1].seconds <= seconds) ++i;
  if (i + 1 == points.size()) return points[i].value;
  const Breakpoint& a = points[i];
  const Breakpoint& b = points[i + 1];
  const double t = (seconds - a.seconds) / (b.seconds - a.seconds);
  return static_cast<float>(a.value + t * (static_cast<double>(b.value) - a.value));
}

bool parseAutomation(const std::string& laneText, AutomationLane& lane, std::string& error) {
  const std::string syntax = " (expected NAME=T:V,T:V,... with T in seconds)";
  const size_t eq = laneText.find('=');
  if (eq == std::string::npos || trim(laneText.substr(0, eq)).empty()) {
    error = "--automate '" + laneText + "': missing parameter name" + syntax;
    return false;
  }
  lane.name = std::string{trim(laneText.substr(0, eq))};
  lane.points.clear();
  for (const std::string& field : split(laneText.substr(eq + 1), ',')) {
    const size_t colon = field.find(':');
    Breakpoint point;
    if (colon == std::string::npos) {
      error = "--automate '" + laneText + "': breakpoint '" + field + "' has no ':'" + syntax;
      return false;
    }
    if (!parseDouble(field.substr(0, colon), point.seconds) || point.seconds < 0.0) {
      error = "--automate '" + laneText + "': '" + field.substr(0, colon) +
              "' is not a time in seconds (0 or more)";
      return false;
    }
    if (!parseTypedValue(field.substr(colon + 1), point.typed)) {
      error = "--automate '" + laneText + "': '" + field.substr(colon + 1) + "' is not a value";
      return false;
    }
    if (!lane.points.empty() && point.seconds < lane.points.back().seconds) {
      error = "--automate '" + laneText + "': times must not go backwards ('" + field + "')";
      return false;
    }
    lane.points.push_back(point);
  }
  return true;
}

}  // namespace oxel
