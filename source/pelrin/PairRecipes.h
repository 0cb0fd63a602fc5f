// Named coincident-pair recipes for Pelrin, as its four normalised parameters.
//
// Pelrin's microphone is (1 - p) W + 0.707 p (d . XYZ). With W at -3 dB (as in
// FuMa B-format) a source of gain s from angle theta off the microphone's axis
// gives 0.707 s ((1 - p) + p cos theta): the classic first-order pattern
// A + B cos theta with A = 1 - p and B = p. So p is the figure-of-eight share:
//   omni 0, cardioid 0.5 (A = B), figure-of-eight 1,
//   super-cardioid p = (3 - sqrt 3) / 2 = 0.634 (largest front-to-back energy
//     ratio; null at 125.3 degrees off axis),
//   hyper-cardioid p = 0.75 (most directional; null at 109.5 degrees).
// Mic Angle is the full angle between the two microphones over 360 degrees;
// Azimuth and Elevation keep a fresh instance's values (PelrinDescription.h):
// the pair faces the front and is level.
#pragma once

#include <span>
#include <string>

namespace oxel {

struct MicrophonePreset {
  const char* name;
  const char* description;
  double angleDegrees;  // full angle between the two microphones
  double pattern;       // Pelrin's Mic Pattern value
};

std::span<const MicrophonePreset> microphonePresets();
// By name, in any letter case; null when there is none of that name.
const MicrophonePreset* findMicrophonePreset(const std::string& name);

// The four normalised values, in the order Azimuth, Elevation, Mic Angle, Mic Pattern.
struct PelrinSettings {
  float azimuth, elevation, angle, pattern;
};
PelrinSettings pelrinSettings(const MicrophonePreset& preset);

}  // namespace oxel
