// Pelrin as an LV2 plug-in: B-format in, the microphone pair out.
#include <new>

#include "Pelrin.h"
#include "lv2_plugin_info.h"

namespace lv2port {

const PluginInfo& pelrinInfo() {
  static const PluginInfo info{
      "urn:oxel:pelrin",
      "Pelrin",
      "Pelrin.lv2",
      "Pelrin_lv2.so",
      "SpatialPlugin",
      {{"w", "W (B-format, FuMa)", nullptr},
       {"x", "X (B-format, FuMa)", nullptr},
       {"y", "Y (B-format, FuMa)", nullptr},
       {"z", "Z (B-format, FuMa)", nullptr}},
      {{"mic1", "Mic 1 (left)", "http://lv2plug.in/ns/ext/port-groups#left"},
       {"mic2", "Mic 2 (right)", "http://lv2plug.in/ns/ext/port-groups#right"}},
      "StereoGroup",
      Pelrin::kParameters,
      []() -> std::unique_ptr<AudioEffect> {
        return std::unique_ptr<AudioEffect>{new (std::nothrow) Pelrin{nullptr}};
      },
      false};
  return info;
}

}  // namespace lv2port
