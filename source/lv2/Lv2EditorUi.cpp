#include "Lv2EditorUi.h"

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstring>
#include <new>

#include "CFrame.h"
#include "window.h"

namespace {
// The host version the stand-in is told: an interface of version 2.4.
constexpr VstIntPtr kHostVersion = 2400;
}  // namespace

double Lv2EditorUi::scaleFactorOf(const LV2_Feature* const* features) {
  const LV2_URID_Map* map = nullptr;
  const LV2_Options_Option* options = nullptr;
  for (const LV2_Feature* const* f = features; f && *f; ++f) {
    if (!(*f)->URI) continue;
    if (std::strcmp((*f)->URI, LV2_URID__map) == 0)
      map = static_cast<const LV2_URID_Map*>((*f)->data);
    if (std::strcmp((*f)->URI, LV2_OPTIONS__options) == 0)
      options = static_cast<const LV2_Options_Option*>((*f)->data);
  }
  if (!map || !map->map || !options) return 0;
  const LV2_URID scaleKey = map->map(map->handle, LV2_UI__scaleFactor);
  const LV2_URID floatType = map->map(map->handle, LV2_ATOM__Float);
  const LV2_URID doubleType = map->map(map->handle, LV2_ATOM__Double);
  for (const LV2_Options_Option* o = options; o->key != 0 || o->value != nullptr; ++o) {
    if (o->key != scaleKey || o->value == nullptr) continue;
    if (o->type == floatType && o->size == sizeof(float)) {
      float v;
      std::memcpy(&v, o->value, sizeof v);
      return v;
    }
    if (o->type == doubleType && o->size == sizeof(double)) {
      double v;
      std::memcpy(&v, o->value, sizeof v);
      return v;
    }
  }
  return 0;
}

std::unique_ptr<Lv2EditorUi> Lv2EditorUi::create(StandInFactory factory,
                                                 std::vector<lv2port::ControlPort> controls,
                                                 uint32_t firstControlPort, const Host& host) {
  if (host.parent == nullptr || host.write == nullptr || factory == nullptr) return nullptr;
  std::unique_ptr<Lv2EditorUi> ui{new (std::nothrow) Lv2EditorUi};
  if (!ui) return nullptr;
  ui->controls_ = std::move(controls);
  ui->firstControlPort_ = firstControlPort;
  ui->host_ = host;
  ui->standIn_ = factory(hostCallback);
  if (!ui->standIn_.effect || ui->standIn_.editor == nullptr) return nullptr;
  AudioEffect& effect = *ui->standIn_.effect;
  effect.getAeffect()->user = ui.get();
  ui->standIn_.editor->setHostScale(host.scaleFactor);

  ERect* rect = nullptr;
  effect.dispatcher(effEditGetRect, 0, 0, &rect, 0.0f);
  if (rect) {
    ui->width_ = rect->right - rect->left;
    ui->height_ = rect->bottom - rect->top;
  }
  effect.dispatcher(effEditOpen, 0, 0, host.parent, 0.0f);
  ui->open_ = true;
  // The size after opening: the editor may have sized its frame from its background picture.
  rect = nullptr;
  effect.dispatcher(effEditGetRect, 0, 0, &rect, 0.0f);
  if (rect) {
    ui->width_ = rect->right - rect->left;
    ui->height_ = rect->bottom - rect->top;
  }
  if (host.resize && host.resize->ui_resize && ui->width_ > 0 && ui->height_ > 0)
    host.resize->ui_resize(host.resize->handle, ui->width_, ui->height_);
  return ui;
}

Lv2EditorUi::~Lv2EditorUi() {
  if (open_ && standIn_.effect) standIn_.effect->dispatcher(effEditClose, 0, 0, nullptr, 0.0f);
  // The stand-in deletes its editor with itself.
  standIn_.editor = nullptr;
  standIn_.effect.reset();
}

uintptr_t Lv2EditorUi::widget() const {
  if (standIn_.editor == nullptr) return 0;
  CFrame* frame = standIn_.editor->getFrame();
  oxel::platform::EditorWindow* window = frame ? frame->getPlatformWindow() : nullptr;
  return window ? window->nativeId() : 0;
}

void Lv2EditorUi::portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
  if (format != 0 || size != sizeof(float) || buffer == nullptr || port < firstControlPort_) return;
  const uint32_t index = port - firstControlPort_;
  if (index >= controls_.size()) return;
  float value;
  std::memcpy(&value, buffer, sizeof value);
  if (!std::isfinite(value)) return;
  const lv2port::ControlPort& control = controls_[index];
  // The stand-in records the value for its editor; the controls follow at idle.
  standIn_.effect->setParameter(control.parameter, lv2port::normalisedValue(control, value));
}

int Lv2EditorUi::idle() {
  if (open_) standIn_.effect->dispatcher(effEditIdle, 0, 0, nullptr, 0.0f);
  return 0;
}

const lv2port::ControlPort* Lv2EditorUi::controlOfParameter(VstInt32 parameter) const {
  for (const lv2port::ControlPort& control : controls_)
    if (control.parameter == parameter) return &control;
  return nullptr;
}

VstIntPtr Lv2EditorUi::hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                    VstIntPtr value, void* ptr, float opt) {
  auto* ui = effect ? static_cast<Lv2EditorUi*>(effect->user) : nullptr;
  if (ui == nullptr) return opcode == audioMasterVersion ? kHostVersion : 0;
  return ui->answer(opcode, index, value, ptr, opt);
}

VstIntPtr Lv2EditorUi::answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                              float opt) {
  switch (opcode) {
    case audioMasterVersion: return kHostVersion;
    case audioMasterAutomate: {
      const lv2port::ControlPort* control = controlOfParameter(index);
      if (control == nullptr || !std::isfinite(opt)) return 0;
      const float portValue = lv2port::portValue(*control, opt);
      const uint32_t port = firstControlPort_ + static_cast<uint32_t>(control - controls_.data());
      host_.write(host_.controller, port, sizeof portValue, 0, &portValue);
      return 0;
    }
    case audioMasterBeginEdit:
    case audioMasterEndEdit: {
      const lv2port::ControlPort* control = controlOfParameter(index);
      if (control == nullptr || host_.touch == nullptr || host_.touch->touch == nullptr) return 0;
      const uint32_t port = firstControlPort_ + static_cast<uint32_t>(control - controls_.data());
      host_.touch->touch(host_.touch->handle, port, opcode == audioMasterBeginEdit);
      return 1;
    }
    case audioMasterCanDo: {
      const char* text = static_cast<const char*>(ptr);
      if (text && std::strcmp(text, "sizeWindow") == 0) return host_.resize != nullptr ? 1 : 0;
      return 0;
    }
    case audioMasterSizeWindow:
      if (host_.resize == nullptr || host_.resize->ui_resize == nullptr) return 0;
      width_ = index;
      height_ = static_cast<int32_t>(value);
      return host_.resize->ui_resize(host_.resize->handle, width_, height_) == 0 ? 1 : 0;
    default: return 0;
  }
}
