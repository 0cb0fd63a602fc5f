#include "lv2_presets.h"

#include "PairRecipes.h"
#include "TavrelTurns.h"

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
  std::vector<Preset> presets;
  for (const oxel::TavrelTurn& turn : oxel::tavrelTurns())
    presets.push_back(
        {turn.name, turn.description, {turn.angle1, turn.angle2, turn.angle3, turn.order}});
  return presets;
}

}  // namespace lv2port
