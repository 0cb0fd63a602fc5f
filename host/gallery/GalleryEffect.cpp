#include "GalleryEffect.h"

#include <cmath>
#include <cstdio>

#include "AEffEditor.h"
#include "GalleryEditor.h"

namespace {
const char* const kNames[GalleryEffect::kNumParams] = {"Rotary", "Film knob", "Slider", "Switch"};
}

GalleryEffect::GalleryEffect(audioMasterCallback host) : AudioEffectX(host, 1, kNumParams) {
  setNumInputs(0);
  setNumOutputs(0);
  setUniqueID(0x6F78676C);  // 'oxgl'
  editor = new GalleryEditor(this);
}

void GalleryEffect::setParameter(VstInt32 index, float value) {
  if (index < 0 || index >= kNumParams || !std::isfinite(value)) return;
  values[index] = value;
  if (auto* e = static_cast<AEffGUIEditor*>(editor)) e->setParameter(index, value);
}

float GalleryEffect::getParameter(VstInt32 index) {
  return index >= 0 && index < kNumParams ? values[index] : 0.0f;
}

void GalleryEffect::getParameterName(VstInt32 index, char* text) {
  std::snprintf(text, 9, "%s", index >= 0 && index < kNumParams ? kNames[index] : "");
}

bool GalleryEffect::getEffectName(char* name) {
  std::snprintf(name, 32, "Control gallery");
  return true;
}
