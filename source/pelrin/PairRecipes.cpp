#include "PairRecipes.h"

#include <cctype>
#include <string_view>

#include "PelrinDescription.h"

namespace oxel {

namespace {

// Mid-side with a cardioid mid and a figure-of-eight side at the same gain
// decodes to L, R = M +- S = 0.5 + 0.5 cos theta +- sin theta, which is a
// coincident pair: each 0.5 + sqrt(1.25) cos(theta -+ 63.43 degrees), i.e.
// pattern sqrt(1.25) / (0.5 + sqrt(1.25)) = 0.691 and 126.87 degrees apart
// (1.618 times, +4.2 dB, louder than the pair itself).
constexpr double kMidSidePattern = 0.69098300562505258;  // (sqrt 5) / (1 + sqrt 5)
constexpr double kMidSideAngle = 126.86989764584402;     // 2 atan(2)

constexpr MicrophonePreset kPresets[] = {
    {"xy-cardioid", "XY pair of cardioids, 131 degrees apart", 131.0, 0.5},
    {"xy-supercardioid", "XY pair of super-cardioids, 115 degrees apart", 115.0,
     0.63397459621556135},
    {"xy-hypercardioid", "XY pair of hyper-cardioids, 105 degrees apart", 105.0, 0.75},
    {"blumlein", "Blumlein pair: figure-of-eights at 90 degrees", 90.0, 1.0},
    {"mid-side", "mid-side, cardioid mid + equal figure-of-eight side, decoded to L/R",
     kMidSideAngle, kMidSidePattern},
    {"omni", "omni pair (both outputs W)", 0.0, 0.0},
};

}  // namespace

std::span<const MicrophonePreset> microphonePresets() { return kPresets; }

const MicrophonePreset* findMicrophonePreset(const std::string& name) {
  for (const MicrophonePreset& preset : kPresets) {
    const std::string_view wanted{preset.name};
    bool same = wanted.size() == name.size();
    for (size_t i = 0; same && i < name.size(); ++i)
      same = std::tolower(static_cast<unsigned char>(name[i])) == wanted[i];
    if (same) return &preset;
  }
  return nullptr;
}

PelrinSettings pelrinSettings(const MicrophonePreset& preset) {
  using namespace pelrin_description;
  // Every pair faces the front and is level, as a fresh instance does; the
  // angle is placed on Mic Angle's displayed range.
  const plugin_description::Parameter& angle = kParameters[kAngle];
  return {defaultOf(kAzimuth), defaultOf(kElevation),
          static_cast<float>((preset.angleDegrees - angle.shownAt0) /
                             (angle.shownAt1 - angle.shownAt0)),
          static_cast<float>(preset.pattern)};
}

}  // namespace oxel
