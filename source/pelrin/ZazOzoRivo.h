// Pelrin as hosts load it: the microphone processor with its editor. It
// reports its own unique ID and forwards every parameter change to the
// editor, which shows it at its next idle.
#pragma once

#include "Pelrin.h"

class RazOruRerora;

class ZazOzoRivo : public Pelrin {
 public:
  explicit ZazOzoRivo(audioMasterCallback audioMaster);
  ~ZazOzoRivo() override;

  void setParameter(VstInt32 index, float value) override;
  VstPlugCategory getPlugCategory() override { return kPlugSurroundFx; }

  RazOruRerora* getPelrinEditor() const;
};
