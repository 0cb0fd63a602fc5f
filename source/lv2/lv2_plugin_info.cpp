#include "lv2_plugin_info.h"

namespace lv2port {

std::string uiUri(const PluginInfo& plugin) { return std::string{plugin.uri} + "#ui"; }
std::string uiBinary(const PluginInfo& plugin) { return std::string{plugin.name} + "_lv2ui.so"; }

std::vector<ControlPort> PluginInfo::controls() const {
  std::vector<ControlPort> ports;
  std::unique_ptr<AudioEffect> scratch = createProcessor();
  if (!scratch) return ports;
  ports = describeControls(*scratch);
  for (ControlPort& port : ports)
    if (static_cast<size_t>(port.parameter) < scalePoints.size())
      port.scalePoints = scalePoints[static_cast<size_t>(port.parameter)];
  return ports;
}

}  // namespace lv2port
