// The presets each bundle ships: Pelrin's coincident-pair recipes (the ones
// `oxel presets` lists) and a few useful turns of the field for Tavrel.
#pragma once

#include <vector>

#include "lv2_turtle.h"

namespace lv2port {

std::vector<Preset> pelrinPresets();
std::vector<Preset> tavrelPresets();

}  // namespace lv2port
