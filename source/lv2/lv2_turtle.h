// The Turtle files of a bundle, written from a PluginInfo and the control
// ports of the plug-in's description: manifest.ttl, the plug-in's Turtle file
// and the presets.
#pragma once

#include <string>
#include <vector>

#include "lv2_plugin_info.h"

namespace lv2port {

struct Preset {
  std::string symbol;  // part of the preset URI
  std::string label;
  std::vector<float> values;  // the processor's 0..1 values, by parameter index
};

// With an editor UI, the manifest names it too (PluginInfo::uiUri, uiBinary).
std::string manifestTurtle(const PluginInfo& plugin, const std::vector<Preset>& presets,
                           bool withUi = false);
std::string pluginTurtle(const PluginInfo& plugin, const std::vector<ControlPort>& controls);
std::string presetsTurtle(const PluginInfo& plugin, const std::vector<ControlPort>& controls,
                          const std::vector<Preset>& presets);

std::string presetUri(const PluginInfo& plugin, const Preset& preset);
// A number as a Turtle decimal literal ("90.0", "0.5", "-90.0").
std::string turtleNumber(double value);

}  // namespace lv2port
