// What both plug-in classes are alike, written once: 32 programs of four
// parameters each, a host value kept as the current value and in the current
// program, program selection and names, parameter names and labels from the
// plug-in's tables, the four B-format input pins, and the vendor both name.
// Plugin (the class deriving from this) provides kNumPrograms, kNumParams,
// kFields (where each parameter's value lives), kParameters (the rows of its
// description: names and labels among them) and deriveValues(), and
// allocates `programs` and selects program 0 in its constructor, once its
// own members exist.
#pragma once

#include "AudioEffectX.h"
#include "plugin_common.h"

template <class Plugin, class Program>
class BFormatEffect : public AudioEffectX {
 public:
  BFormatEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
      : AudioEffectX{audioMaster, numPrograms, numParams} {}
  ~BFormatEffect() override { delete[] programs; }

  // A non-finite value or another index changes nothing (plugin_common.h).
  void setParameter(VstInt32 index, float value) override {
    Program* program = programs ? &programs[curProgram] : nullptr;
    if (!plugin_common::storeParameter(self(), program, Plugin::kFields, index, value)) return;
    if (editor) editor->postUpdate();
    self().deriveValues();
  }
  float getParameter(VstInt32 index) override {
    return plugin_common::parameterValue(self(), Plugin::kFields, index);
  }
  void setProgram(VstInt32 program) override {
    if (programs == nullptr || program < 0 || program >= Plugin::kNumPrograms) return;
    curProgram = program;
    for (VstInt32 i = 0; i < Plugin::kNumParams; ++i)
      setParameter(i, programs[program].*Plugin::kFields[i].stored);
  }
  void setProgramName(char* name) override {
    if (programs) vsttext::copy(programs[curProgram].name, name, plugin_common::kShortText);
  }
  void getProgramName(char* name) override {
    if (programs)
      plugin_common::programName(programs[curProgram].name, curProgram, name);
    else
      name[0] = 0;
  }
  void getParameterLabel(VstInt32 index, char* label) override {
    plugin_common::describedText(Plugin::kParameters, &plugin_description::Parameter::label, index,
                                 label);
  }
  void getParameterName(VstInt32 index, char* text) override {
    plugin_common::describedText(Plugin::kParameters, &plugin_description::Parameter::name, index,
                                 text);
  }
  void suspend() override {}
  bool getInputProperties(VstInt32 index, VstPinProperties* properties) override {
    return plugin_common::bformatPin(index, properties);
  }
  VstPlugCategory getPlugCategory() override { return kPlugSurroundFx; }
  bool getVendorString(char* text) override { return plugin_common::vendorString(text); }
  VstInt32 getVendorVersion() override { return plugin_common::kVendorVersion; }

 protected:
  Program* programs = nullptr;

 private:
  Plugin& self() { return static_cast<Plugin&>(*this); }
};
