// The exported LV2 UI entry point of one bundle's UI binary: an X11 UI that
// needs the host's parent window (ui:parent) and idles through the idle
// interface; ui:resize and ui:touch are used when the host offers them, and
// the ui:scaleFactor option sets the editor's screen density.
#pragma once

#include <lv2/ui/ui.h>

#include <cstring>

#include "HostBoundary.h"
#include "Lv2EditorUi.h"
#include "lv2_plugin_info.h"

namespace lv2entry {

template <const lv2port::PluginInfo& (*info)(), Lv2EditorUi::StandInFactory factory>
struct UiDescriptor {
  static LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*,
                                  LV2UI_Write_Function write, LV2UI_Controller controller,
                                  LV2UI_Widget* widget, const LV2_Feature* const* features) {
    return answerAtBoundary(LV2UI_Handle{nullptr}, [&]() -> LV2UI_Handle {
      const lv2port::PluginInfo& plugin = info();
      if (pluginUri == nullptr || std::strcmp(pluginUri, plugin.uri) != 0) return nullptr;
      Lv2EditorUi::Host host;
      host.write = write;
      host.controller = controller;
      for (const LV2_Feature* const* f = features; f && *f; ++f) {
        if (std::strcmp((*f)->URI, LV2_UI__parent) == 0)
          host.parent = (*f)->data;
        else if (std::strcmp((*f)->URI, LV2_UI__resize) == 0)
          host.resize = static_cast<const LV2UI_Resize*>((*f)->data);
        else if (std::strcmp((*f)->URI, LV2_UI__touch) == 0)
          host.touch = static_cast<const LV2UI_Touch*>((*f)->data);
      }
      host.scaleFactor = Lv2EditorUi::scaleFactorOf(features);
      std::unique_ptr<Lv2EditorUi> ui =
          Lv2EditorUi::create(factory, plugin.controls(), plugin.firstControlPort(), host);
      if (!ui) return nullptr;
      if (widget) {
        const uintptr_t id = ui->widget();
        *widget = id ? reinterpret_cast<LV2UI_Widget>(id) : host.parent;
      }
      return ui.release();
    });
  }
  static void cleanup(LV2UI_Handle handle) {
    answerAtBoundary([&] { delete static_cast<Lv2EditorUi*>(handle); });
  }
  static void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format,
                        const void* buffer) {
    answerAtBoundary(
        [&] { static_cast<Lv2EditorUi*>(handle)->portEvent(port, size, format, buffer); });
  }
  static int idle(LV2UI_Handle handle) {
    return answerAtBoundary(0, [&] { return static_cast<Lv2EditorUi*>(handle)->idle(); });
  }
  static const void* extensionData(const char* uri) {
    static const LV2UI_Idle_Interface idleInterface{idle};
    if (uri && std::strcmp(uri, LV2_UI__idleInterface) == 0) return &idleInterface;
    return nullptr;
  }
  static const LV2UI_Descriptor* get() {
    static const std::string uri = lv2port::uiUri(info());
    static const LV2UI_Descriptor descriptor{uri.c_str(), instantiate, cleanup, portEvent,
                                             extensionData};
    return &descriptor;
  }
};

}  // namespace lv2entry

#define OXEL_DEFINE_LV2_UI_ENTRY(infoFunction, standInFactory)                                 \
  extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(  \
      uint32_t index) {                                                                        \
    return index == 0 ? lv2entry::UiDescriptor<infoFunction, standInFactory>::get() : nullptr; \
  }
