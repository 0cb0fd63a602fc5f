// The steps every deliverable's entry point runs: ask the host's version,
// build the plug-in object, and hand back its effect record (or null).
#pragma once

#include <new>

#include "AudioEffect.h"
#include "HostBoundary.h"

#define OXEL_EXPORT extern "C" __attribute__((visibility("default")))

template <class Plugin>
AEffect* createPluginInstance(audioMasterCallback audioMaster) {
  // Without a host there is nobody to answer the version request: build nothing.
  if (audioMaster == nullptr) return nullptr;
  if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
  return answerAtBoundary(static_cast<AEffect*>(nullptr), [&]() -> AEffect* {
    Plugin* effect = new (std::nothrow) Plugin(audioMaster);
    if (effect == nullptr) return nullptr;
    if (oome) {
      delete effect;
      return nullptr;
    }
    return effect->getAeffect();
  });
}

// Defines the exported entry points VSTPluginMain, main_macho and main for one plug-in class.
#define OXEL_DEFINE_PLUGIN_ENTRY(PluginClass)                                                 \
  OXEL_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster) {                      \
    return createPluginInstance<PluginClass>(audioMaster);                                   \
  }                                                                                          \
  OXEL_EXPORT AEffect* main_macho(audioMasterCallback audioMaster) {                         \
    return createPluginInstance<PluginClass>(audioMaster);                                   \
  }                                                                                          \
  OXEL_EXPORT AEffect* oxelLegacyMainEntry(audioMasterCallback audioMaster) __asm__("main"); \
  OXEL_EXPORT AEffect* oxelLegacyMainEntry(audioMasterCallback audioMaster) {                \
    return createPluginInstance<PluginClass>(audioMaster);                                   \
  }
