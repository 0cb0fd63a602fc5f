#include "lv2_plugin_info.h"

namespace lv2port {

std::string uiUri(const PluginInfo& plugin) { return std::string{plugin.uri} + "#ui"; }
std::string uiBinary(const PluginInfo& plugin) { return std::string{plugin.name} + "_lv2ui.so"; }

std::vector<ControlPort> PluginInfo::controls() const { return describeControls(parameters); }

}  // namespace lv2port
