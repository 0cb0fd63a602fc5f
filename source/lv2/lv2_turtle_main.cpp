// Build-time generator of a bundle's Turtle files:
//   oxel_lv2_turtle Pelrin|Tavrel BUNDLE_DIR [--ui]
// writes manifest.ttl, Pelrin.ttl (or Tavrel.ttl) and presets.ttl there;
// with --ui the manifest also names the bundle's editor UI.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "lv2_presets.h"
#include "lv2_turtle.h"

namespace {

bool writeFile(const std::string& path, const std::string& text) {
  std::ofstream file{path, std::ios::binary | std::ios::trunc};
  file << text;
  file.close();
  if (!file) {
    std::fprintf(stderr, "oxel_lv2_turtle: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const bool withUi = argc == 4 && std::strcmp(argv[3], "--ui") == 0;
  if (argc != 3 && !withUi) {
    std::fprintf(stderr, "usage: oxel_lv2_turtle Pelrin|Tavrel BUNDLE_DIR [--ui]\n");
    return 2;
  }
  const bool pelrin = std::strcmp(argv[1], "Pelrin") == 0;
  if (!pelrin && std::strcmp(argv[1], "Tavrel") != 0) {
    std::fprintf(stderr, "oxel_lv2_turtle: unknown plug-in %s\n", argv[1]);
    return 2;
  }
  const lv2port::PluginInfo& plugin = pelrin ? lv2port::pelrinInfo() : lv2port::tavrelInfo();
  const std::vector<lv2port::Preset> presets =
      pelrin ? lv2port::pelrinPresets() : lv2port::tavrelPresets();
  const std::vector<lv2port::ControlPort> controls = plugin.controls();
  if (controls.empty()) {
    std::fprintf(stderr, "oxel_lv2_turtle: %s has no parameters\n", argv[1]);
    return 1;
  }
  const std::string dir = argv[2];
  const bool ok =
      writeFile(dir + "/manifest.ttl", lv2port::manifestTurtle(plugin, presets, withUi)) &&
      writeFile(dir + "/" + plugin.name + ".ttl", lv2port::pluginTurtle(plugin, controls)) &&
      writeFile(dir + "/presets.ttl", lv2port::presetsTurtle(plugin, controls, presets));
  return ok ? 0 : 1;
}
