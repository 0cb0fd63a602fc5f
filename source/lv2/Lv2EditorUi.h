// A plug-in's editor as an LV2 UI: the editor runs unchanged on a stand-in
// effect object (the plug-in's own class, which never processes audio) and
// this class plays the host for it. The editor's parameter edits arrive as
// host requests and leave as port writes in port units, bracketed by touch
// gestures; port values from the host go to the stand-in's setParameter,
// which records them for the editor, and the editor moves its controls at the
// next idle on the UI thread. The UI and the DSP share nothing but ports.
//
// Failure: without a parent window, or when the stand-in cannot be built,
// create returns null. A picture that cannot be loaded leaves the editor
// drawing what it has, as in the LXVST builds.
#pragma once

#include <lv2/ui/ui.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "AudioEffect.h"
#include "guieditor.h"
#include "lv2_ports.h"

class Lv2EditorUi {
 public:
  // Builds the stand-in with the given host callback; it must create its
  // editor. The second member is that editor.
  struct StandIn {
    std::unique_ptr<AudioEffect> effect;
    AEffGUIEditor* editor = nullptr;
  };
  using StandInFactory = StandIn (*)(audioMasterCallback);

  // The factory for a plug-in class whose constructor (taking the host
  // callback) creates its GUI editor: for the UI entry point.
  template <class PluginClass>
  static StandIn makeStandIn(audioMasterCallback master) {
    StandIn standIn;
    auto effect = std::unique_ptr<PluginClass>(new (std::nothrow) PluginClass{master});
    if (!effect) return standIn;
    standIn.editor = dynamic_cast<AEffGUIEditor*>(effect->getEditor());
    standIn.effect = std::move(effect);
    return standIn;
  }

  struct Host {
    void* parent = nullptr;  // ui:parent, as passed
    LV2UI_Write_Function write = nullptr;
    LV2UI_Controller controller = nullptr;
    const LV2UI_Resize* resize = nullptr;  // optional
    const LV2UI_Touch* touch = nullptr;    // optional
    // ui:scaleFactor from the host's options, 0 when it passed none; the
    // editor rounds it to its nearest scale (1.5 -> 2).
    double scaleFactor = 0;
  };

  // ui:scaleFactor among the host's features: a float (or double) option,
  // found through the host's URID map; 0 when either is missing.
  static double scaleFactorOf(const LV2_Feature* const* features);

  static std::unique_ptr<Lv2EditorUi> create(StandInFactory factory,
                                             std::vector<lv2port::ControlPort> controls,
                                             uint32_t firstControlPort, const Host& host);
  ~Lv2EditorUi();
  Lv2EditorUi(const Lv2EditorUi&) = delete;
  Lv2EditorUi& operator=(const Lv2EditorUi&) = delete;

  // The editor's own window (an X Window id), 0 when it has none.
  uintptr_t widget() const;
  // The size the host embeds, in device pixels.
  int32_t width() const { return width_; }
  AEffGUIEditor* editor() const { return standIn_.editor; }
  int32_t height() const { return height_; }

  // A control port's value from the host; anything else is ignored.
  void portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer);
  // Events, pending port values, redraws. Always 0 (the UI stays open).
  int idle();

 private:
  Lv2EditorUi() = default;
  static VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                void* ptr, float opt);
  VstIntPtr answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  const lv2port::ControlPort* controlOfParameter(VstInt32 parameter) const;

  StandIn standIn_;
  std::vector<lv2port::ControlPort> controls_;
  uint32_t firstControlPort_ = 0;
  Host host_;
  int32_t width_ = 0, height_ = 0;
  bool open_ = false;
};
