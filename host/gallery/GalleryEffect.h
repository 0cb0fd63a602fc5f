// The control gallery's plug-in object: an in-process effect with no signal
// path, whose four parameters the gallery's knob, film-strip knob, slider and
// switch edit, and whose editor is the gallery. oxel drives it through its
// effect record as it drives a loaded plug-in.
#pragma once

#include "AudioEffectX.h"

class GalleryEffect : public AudioEffectX {
 public:
  static constexpr VstInt32 kNumParams = 4;
  explicit GalleryEffect(audioMasterCallback host);

  void process(float**, float**, VstInt32) override {}
  void processReplacing(float**, float**, VstInt32) override {}
  void setParameter(VstInt32 index, float value) override;
  float getParameter(VstInt32 index) override;
  void getParameterName(VstInt32 index, char* text) override;
  bool getEffectName(char* name) override;

 private:
  float values[kNumParams]{0.3f, 0.6f, 0.6f, 0.4f};
};
