// What the LV2 build of one plug-in is: its URI, its processor, its audio
// ports and its parameters' description (the table its processor reads). The
// bundle binary, the Turtle generator and the tests share it.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "AudioEffect.h"
#include "lv2_ports.h"

namespace lv2port {

struct AudioPort {
  const char* symbol;
  const char* name;
  const char* designation;  // a port-groups channel URI, or null
};

struct PluginInfo {
  const char* uri;
  const char* name;
  const char* bundle;       // "Pelrin.lv2"
  const char* binary;       // the DSP binary's file name in the bundle
  const char* pluginClass;  // an lv2core class name ("SpatialPlugin")
  std::vector<AudioPort> inputs;
  std::vector<AudioPort> outputs;
  const char* outputGroupClass;  // port-groups class of the outputs
  // The parameters, one control port each, in order.
  std::span<const plugin_description::Parameter> parameters;
  // A processor with no host behind it; null when memory runs out.
  std::unique_ptr<AudioEffect> (*createProcessor)();
  // Tavrel's head-tracking ports follow the controls (lv2_head_tracking.h).
  bool headTracking;

  // Port indices: audio inputs, then audio outputs, then the controls.
  uint32_t firstControlPort() const {
    return static_cast<uint32_t>(inputs.size() + outputs.size());
  }
  // The control ports as the description gives them.
  std::vector<ControlPort> controls() const;
};

// The editor UI of a plug-in: "<plug-in URI>#ui", binary "<Name>_lv2ui.so".
std::string uiUri(const PluginInfo& plugin);
std::string uiBinary(const PluginInfo& plugin);

const PluginInfo& pelrinInfo();
const PluginInfo& tavrelInfo();

}  // namespace lv2port
