// The Tavrel plug-in as hosts load it: the field rotator with its editor
// window. Every parameter change, whoever makes it, also reaches the editor,
// which moves the matching control at its next idle.
#pragma once

#include "Tavrel.h"

class VuvIzedAzur : public Tavrel {
 public:
  // Sets oome when the editor cannot be created; the entry point then
  // returns no plug-in.
  explicit VuvIzedAzur(audioMasterCallback audioMaster);
  ~VuvIzedAzur() override;

  void setParameter(VstInt32 index, float value) override;
  VstPlugCategory getPlugCategory() override { return Tavrel::getPlugCategory(); }
};
