// The exported LV2 entry point of one bundle binary: a descriptor whose
// functions drive an Lv2Instance built from the plug-in's info. Nothing is
// thrown across the host boundary; a failed instantiation returns null.
#pragma once

#include <lv2/core/lv2.h>

#include <new>

#include "HostBoundary.h"
#include "Lv2Instance.h"
#include "lv2_plugin_info.h"

namespace lv2entry {

template <const lv2port::PluginInfo& (*info)()>
struct Descriptor {
  static LV2_Handle instantiate(const LV2_Descriptor*, double sampleRate, const char*,
                                const LV2_Feature* const*) {
    return answerAtBoundary(LV2_Handle{nullptr}, [&]() -> LV2_Handle {
      const lv2port::PluginInfo& plugin = info();
      std::unique_ptr<Lv2Instance> instance =
          Lv2Instance::create(plugin.createProcessor(), static_cast<uint32_t>(plugin.inputs.size()),
                              static_cast<uint32_t>(plugin.outputs.size()), plugin.controls(),
                              sampleRate, plugin.headTracking);
      return instance.release();
    });
  }
  static void connect(LV2_Handle handle, uint32_t port, void* data) {
    answerAtBoundary([&] { static_cast<Lv2Instance*>(handle)->connect(port, data); });
  }
  static void activate(LV2_Handle handle) {
    answerAtBoundary([&] { static_cast<Lv2Instance*>(handle)->activate(); });
  }
  static void run(LV2_Handle handle, uint32_t frames) {
    answerAtBoundary([&] { static_cast<Lv2Instance*>(handle)->run(frames); });
  }
  static void deactivate(LV2_Handle handle) {
    answerAtBoundary([&] { static_cast<Lv2Instance*>(handle)->deactivate(); });
  }
  static void cleanup(LV2_Handle handle) {
    answerAtBoundary([&] { delete static_cast<Lv2Instance*>(handle); });
  }
  static const void* extensionData(const char*) { return nullptr; }

  static const LV2_Descriptor* get() {
    static const LV2_Descriptor descriptor{info().uri, instantiate, connect, activate,
                                           run,        deactivate,  cleanup, extensionData};
    return &descriptor;
  }
};

}  // namespace lv2entry

#define OXEL_DEFINE_LV2_ENTRY(infoFunction)                                               \
  extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor( \
      uint32_t index) {                                                                   \
    return index == 0 ? lv2entry::Descriptor<infoFunction>::get() : nullptr;              \
  }
