// Tavrel as an LV2 plug-in: B-format in and out, turned.
#include <new>

#include "Tavrel.h"
#include "lv2_plugin_info.h"

namespace lv2port {

const PluginInfo& tavrelInfo() {
  static const PluginInfo info{
      "urn:oxel:tavrel",
      "Tavrel",
      "Tavrel.lv2",
      "Tavrel_lv2.so",
      "SpatialPlugin",
      {{"w", "W (B-format, FuMa)", nullptr},
       {"x", "X (B-format, FuMa)", nullptr},
       {"y", "Y (B-format, FuMa)", nullptr},
       {"z", "Z (B-format, FuMa)", nullptr}},
      {{"w_out", "W out (B-format, FuMa)", nullptr},
       {"x_out", "X out (B-format, FuMa)", nullptr},
       {"y_out", "Y out (B-format, FuMa)", nullptr},
       {"z_out", "Z out (B-format, FuMa)", nullptr}},
      nullptr,
      Tavrel::kParameters,
      []() -> std::unique_ptr<AudioEffect> {
        return std::unique_ptr<AudioEffect>{new (std::nothrow) Tavrel{nullptr}};
      },
      true};
  return info;
}

}  // namespace lv2port
