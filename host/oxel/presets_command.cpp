// oxel presets: lists Pelrin's coincident-pair recipes and their settings.
#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "PairRecipes.h"
#include "PelrinDescription.h"
#include "argument_reader.h"
#include "commands.h"

namespace oxel {

namespace {

using namespace pelrin_description;

// Pelrin's parameter names, as the plug-in shows them.
const char* nameOf(Parameter index) { return kParameters[index].name; }

// The help, with the values and names of Pelrin's description.
std::string presetsHelp() {
  char text[1024];
  std::snprintf(text, sizeof text,
                "usage: oxel presets [--json]\n"
                "\n"
                "Lists the coincident-pair recipes that 'oxel render Pelrin ... --preset NAME'\n"
                "applies, with Pelrin's four normalised parameter values. Every pair faces\n"
                "the front (%s %g) and is level (%s %g). %s is the full\n"
                "angle between the two microphones / %g. %s p gives the pattern\n"
                "(1 - p) + p cos(angle off axis): 0 omni, 0.5 cardioid, 0.634 super-cardioid,\n"
                "0.75 hyper-cardioid, 1 figure-of-eight. --set after --preset adjusts a\n"
                "recipe, e.g. --preset blumlein --set %s=30%s.\n",
                nameOf(kAzimuth), static_cast<double>(defaultOf(kAzimuth)), nameOf(kElevation),
                static_cast<double>(defaultOf(kElevation)), nameOf(kAngle),
                kParameters[kAngle].shownAt1 - kParameters[kAngle].shownAt0, nameOf(kPattern),
                nameOf(kAzimuth), kParameters[kAzimuth].label);
  return text;
}

}  // namespace

int runPresets(const Args& args) {
  bool json = false;
  const std::string help = presetsHelp();
  ArgumentReader reader{"presets", help.c_str()};
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
                       {{nameOf(kAzimuth), s.azimuth},
                        {nameOf(kElevation), s.elevation},
                        {nameOf(kAngle), s.angle},
                        {nameOf(kPattern), s.pattern}}}});
    }
    std::printf("%s\n", list.dump(2).c_str());
    return kExitOk;
  }
  std::printf("Pelrin presets (oxel render Pelrin IN OUT --preset NAME):\n\n");
  std::printf("  %-18s %8s %8s   %-10s %-10s %-10s %-10s\n", "name", "angle", "pattern",
              nameOf(kAzimuth), nameOf(kElevation), nameOf(kAngle), nameOf(kPattern));
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
