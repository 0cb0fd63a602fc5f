// The rows a plug-in describes itself with, written once per plug-in (see
// PelrinDescription.h, TavrelDescription.h) and read by everything that needs
// a parameter's facts: the processor (defaults, names, labels, whole-number
// rounding), its editor (Ctrl+click defaults), the LV2 ports and Turtle files,
// and the presets. Only plain types here: the processor libraries include it
// without the toolkit.
//
// A parameter's host value runs over 0..1; its display shows a number that
// runs linearly from `shownAt0` to `shownAt1`, or, for a stepped parameter,
// the whole step number (added to `shownAt0`) that the processor rounds the
// host value to.
#pragma once

#include <climits>
#include <cmath>
#include <cstddef>
#include <span>

#include "EffectRecord.h"

namespace plugin_description {

// A named value on a parameter's display scale.
struct ScalePoint {
  const char* label;
  double shown;
};

// How a host value becomes a whole step: count values 0 .. count - 1, the
// step being host value * (count - 1) + carry in one single-precision fused
// multiply-add, truncated toward zero. A carry above one half moves to the
// next step a little before half-way. No steps (count 0): continuous.
struct Steps {
  int count = 0;
  double carry = 0.5;
};

struct Parameter {
  VstInt32 index;      // the processor's parameter number
  const char* name;    // as hosts show it
  const char* label;   // its unit
  float defaultValue;  // host value of a fresh instance and of every program
  double shownAt0;     // the displayed number at host value 0
  double shownAt1;     // ... and at 1 (the last step's for a stepped parameter)
  Steps steps;         // whole-numbered values, or continuous
  const char* symbol;  // the LV2 port symbol
  std::span<const ScalePoint> scalePoints;  // named values (LV2), by displayed number
};

// The step a host value rounds to, as the processor rounds it. May lie
// outside 0 .. count - 1; beyond the 32-bit range it saturates.
inline VstInt32 stepOf(const Steps& steps, float value) {
  const float scaled =
      std::fma(value, static_cast<float>(steps.count - 1), static_cast<float>(steps.carry));
  // Saturate before converting: a float outside the int range has no defined conversion.
  if (!(scaled > -2147483648.0f)) return std::isnan(scaled) ? 0 : INT_MIN;
  if (!(scaled < 2147483648.0f)) return INT_MAX;
  return static_cast<VstInt32>(scaled);
}

constexpr bool stepped(const Parameter& parameter) { return parameter.steps.count > 0; }

// The number the display shows for a host value (up to the display's own
// precision).
inline double shownNumber(const Parameter& parameter, float value) {
  if (stepped(parameter)) return parameter.shownAt0 + stepOf(parameter.steps, value);
  return parameter.shownAt0 +
         static_cast<double>(value) * (parameter.shownAt1 - parameter.shownAt0);
}

// The default values of a table, by index, for member initialisers.
template <std::size_t n>
constexpr float defaultOf(const Parameter (&table)[n], VstInt32 index) {
  return table[index].defaultValue;
}

}  // namespace plugin_description
