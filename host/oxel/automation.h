// Parameter automation as a host applies it: breakpoints in seconds, values
// joined by straight lines (held before the first and after the last point),
// read once at the start of every block. Two points at the same time make a
// step. Syntax: NAME=T:V,T:V,... where each V is a normalised value or a number
// with the parameter's unit.
#pragma once

#include <string>
#include <vector>

#include "parameter_value.h"

namespace oxel {

struct Breakpoint {
  double seconds = 0.0;
  TypedValue typed;
  float value = 0.0f;  // normalised, once resolved
};

struct AutomationLane {
  std::string name;
  VstInt32 index = -1;
  std::vector<Breakpoint> points;

  // The value at a time: linear between breakpoints, held outside them.
  float valueAt(double seconds) const;
};

// Parses "NAME=T:V,T:V,..."; false with a one-line message.
bool parseAutomation(const std::string& laneText, AutomationLane& lane, std::string& error);

}  // namespace oxel
