// oxel presets: lists Pelrin's coincident-pair recipes and their settings.
#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "PairRecipes.h"
#include "argument_reader.h"
#include "commands.h"

namespace oxel {

namespace {

const char* const kPresetsHelp =
    "usage: oxel presets [--json]\n"
    "\n"
    "Lists the coincident-pair recipes that 'oxel render Pelrin ... --preset NAME'\n"
    "applies, with Pelrin's four normalised parameter values. Every pair faces\n"
    "the front (Azimuth 0) and is level (Elevation 0.25). Mic Angle is the full\n"
    "angle between the two microphones / 360. Mic Pattern p gives the pattern\n"
    "(1 - p) + p cos(angle off axis): 0 omni, 0.5 cardioid, 0.634 super-cardioid,\n"
    "0.75 hyper-cardioid, 1 figure-of-eight. --set after --preset adjusts a\n"
    "recipe, e.g. --preset blumlein --set Azimuth=30degrees.\n";

}  // namespace

int runPresets(const Args& args) {
  bool json = false;
  ArgumentReader reader{"presets", kPresetsHelp};
  reader.flag("--json", json);
  if (const int status = reader.read(args); status != kExitOk || reader.helpShown()) return status;
  if (json) {
    nlohmann::json list = nlohmann::json::array();
    for (const MicrophonePreset& preset : microphonePresets()) {
      const PelrinSettings s = pelrinSettings(preset);
      list.push_back({{"name", preset.name},
                      {"description", preset.description},
                      {"angleDegrees", preset.angleDegrees},
                      {"pattern", preset.pattern},
                      {"parameters",
                       {{"Azimuth", s.azimuth},
                        {"Elevation", s.elevation},
                        {"Mic Angle", s.angle},
                        {"Mic Pattern", s.pattern}}}});
    }
    std::printf("%s\n", list.dump(2).c_str());
    return kExitOk;
  }
  std::printf("Pelrin presets (oxel render Pelrin IN OUT --preset NAME):\n\n");
  std::printf("  %-18s %8s %8s   %-10s %-10s %-10s %-10s\n", "name", "angle", "pattern",
              "Azimuth", "Elevation", "Mic Angle", "Mic Pattern");
  for (const MicrophonePreset& preset : microphonePresets()) {
    const PelrinSettings s = pelrinSettings(preset);
    std::printf("  %-18s %7.2f° %8.4f   %-10.6g %-10.6g %-10.6g %.6g\n", preset.name,
                preset.angleDegrees, preset.pattern, static_cast<double>(s.azimuth),
                static_cast<double>(s.elevation), static_cast<double>(s.angle),
                static_cast<double>(s.pattern));
    std::printf("  %-18s  %s\n", "", preset.description);
  }
  return kExitOk;
}

}  // namespace oxel
