#include "lv2_presets.h"

#include "presets.h"

namespace lv2port {

std::vector<Preset> pelrinPresets() {
  std::vector<Preset> presets;
  for (const oxel::MicrophonePreset& recipe : oxel::microphonePresets()) {
    const oxel::PelrinSettings s = oxel::pelrinSettings(recipe);
    presets.push_back(
        {recipe.name, recipe.description, {s.azimuth, s.elevation, s.angle, s.pattern}});
  }
  return presets;
}

std::vector<Preset> tavrelPresets() {
  // Angle1, Angle2, Angle3 (turns of 360 degrees), Order of Processing (order n
  // is n / 5). In the default order angle 1 rotates (X-Y plane) and angle 2
  // tilts (Y-Z plane); a value v turns the field by -360 v degrees, so 0.25
  // takes a front source to the right and 0.75 to the left.
  return {
      {"straight", "Straight through", {0.0f, 0.0f, 0.0f, 0.0f}},
      {"quarter-turn-left", "Quarter turn left (front to the left)", {0.75f, 0.0f, 0.0f, 0.0f}},
      {"quarter-turn-right", "Quarter turn right (front to the right)", {0.25f, 0.0f, 0.0f, 0.0f}},
      {"half-turn", "Half turn (front to the back)", {0.5f, 0.0f, 0.0f, 0.0f}},
      {"upside-down",
       "Upside down (up and down swapped, left and right too)",
       {0.0f, 0.5f, 0.0f, 0.0f}},
  };
}

}  // namespace lv2port
