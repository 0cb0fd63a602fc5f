// Pelrin's parameters, once: number, name, unit, default, what the display
// shows over the host range, and the LV2 symbol and named values. The
// processor, its editor, the LV2 ports and Turtle files and the presets all
// read this table; change a range or a default here and they all follow.
#pragma once

#include "PluginDescription.h"

namespace pelrin_description {

enum Parameter : VstInt32 { kAzimuth = 0, kElevation, kAngle, kPattern, kNumParams };

// The pattern is the figure-of-eight share of the microphone's response.
inline constexpr plugin_description::ScalePoint kPatternPoints[] = {
    {"omni", 0.0}, {"cardioid", 0.5}, {"figure-of-eight", 1.0}};

// Azimuth turns the pair counter-clockwise from the front; Elevation 0.25 is
// level; Mic Angle is the full angle between the two microphones (the first
// program's 60 degrees, 0.16666667 of a turn).
inline constexpr plugin_description::Parameter kParameters[kNumParams] = {
    {kAzimuth, "Azimuth", "degrees", 0.0f, 0.0, 360.0, {}, "azimuth", {}},
    {kElevation, "Elevation", "degrees", 0.25f, -90.0, 270.0, {}, "elevation", {}},
    {kAngle, "Mic Angle", "degrees", 0.16666667f, 0.0, 360.0, {}, "mic_angle", {}},
    {kPattern, "Mic Pattern", "pattern", 0.5f, 0.0, 1.0, {}, "mic_pattern", kPatternPoints},
};

constexpr float defaultOf(Parameter index) {
  return plugin_description::defaultOf(kParameters, index);
}

static_assert(
    [] {
      for (VstInt32 i = 0; i < kNumParams; ++i)
        if (kParameters[i].index != i) return false;
      return true;
    }(),
    "each row sits at its parameter's number");

}  // namespace pelrin_description
