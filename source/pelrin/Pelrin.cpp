#include "Pelrin.h"

#include <cstdio>
#include <new>

#include "plugin_common.h"

namespace {
constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;
const char* const kParameterNames[] = {"Azimuth", "Elevation", "Mic Angle", "Mic Pattern"};
const char* const kParameterLabels[] = {"degrees", "degrees", "degrees", "pattern"};
}  // namespace

const plugin_common::ParameterField<Pelrin, PelrinProgram> Pelrin::kFields[kNumParams] = {
    {&Pelrin::fAzimuth, &PelrinProgram::fAzimuth},
    {&Pelrin::fElevation, &PelrinProgram::fElevation},
    {&Pelrin::fAngle, &PelrinProgram::fAngle},
    {&Pelrin::fPattern, &PelrinProgram::fPattern}};

PelrinProgram::PelrinProgram()
    : fAzimuth{0.0f}, fElevation{0.25f}, fAngle{0.16666667f}, fPattern{0.5f}, name{} {
  vsttext::copy(name, "Mic pattern control", plugin_common::kShortText);
}

Pelrin::Pelrin(audioMasterCallback audioMaster)
    : AudioEffectX{audioMaster, kNumPrograms, kNumParams} {
  programs = new (std::nothrow) PelrinProgram[kNumPrograms];
  if (programs) setProgram(0);
  setNumInputs(4);
  setNumOutputs(2);
  setUniqueID(fourCharCode('Q', 'r', 'M', 'a'));
  canProcessReplacing(true);
  init();
  suspend();
}

Pelrin::~Pelrin() { delete[] programs; }

void Pelrin::init() {
  dCosAzLeft = dCosElLeft = dCosAzRight = dCosElRight = 1.0;
  dSinAzLeft = dSinElLeft = dSinAzRight = dSinElRight = 0.0;
  dZerothLevel = dFirstLevel = 1.0;
  dXCoeffLeft = dYCoeffLeft = dXCoeffRight = dYCoeffRight = 1.0;
  dZCoeffLeft = dZCoeffRight = 0.0;
  dZerothLevelOld = 1.0;
  dXCoeffLeftOld = dYCoeffLeftOld = dXCoeffRightOld = dYCoeffRightOld = 1.0;
  dZCoeffLeftOld = dZCoeffRightOld = 0.0;
  newW = newX = newY = newZ = 0.0;
  // The first block that has frames starts its weights at its own targets:
  // a fresh instance plays its values at once instead of gliding from the
  // placeholders above, whatever the host restores before it starts.
  bStartSettled = true;
  // A fresh instance reports and plays program 0, as selecting it would.
  fAzimuth = 0.0f;
  fElevation = 0.25f;
  fAngle = 0.16666667f;
  fPattern = 0.5f;
  if (programs)
    setProgram(0);
  else
    deriveValues();
}

void Pelrin::deriveValues() {
  dAzimuth = fAzimuth * kTwoPi;
  dElevation = (fElevation - 0.25) * kTwoPi;
  dAngle = fAngle * kPi;
  dPattern = fPattern;
}

void Pelrin::setParameter(VstInt32 index, float value) {
  PelrinProgram* program = programs ? &programs[curProgram] : nullptr;
  if (!plugin_common::storeParameter(*this, program, kFields, index, value)) return;
  if (editor) editor->postUpdate();
  deriveValues();
}

float Pelrin::getParameter(VstInt32 index) {
  return plugin_common::parameterValue(*this, kFields, index);
}

void Pelrin::setProgram(VstInt32 program) {
  if (programs == nullptr || program < 0 || program >= kNumPrograms) return;
  curProgram = program;
  for (VstInt32 i = 0; i < kNumParams; ++i) setParameter(i, programs[program].*kFields[i].stored);
}

void Pelrin::setProgramName(char* name) {
  if (programs) vsttext::copy(programs[curProgram].name, name, plugin_common::kShortText);
}

void Pelrin::getProgramName(char* name) {
  if (programs)
    plugin_common::programName(programs[curProgram].name, curProgram, name);
  else
    name[0] = 0;
}

void Pelrin::getParameterLabel(VstInt32 index, char* label) {
  plugin_common::tableText(kParameterLabels, index, label);
}

void Pelrin::getParameterName(VstInt32 index, char* text) {
  plugin_common::tableText(kParameterNames, index, text);
}

void Pelrin::getParameterDisplay(VstInt32 index, char* text) {
  switch (index) {
    case kAzimuth: float2string(static_cast<float>(dAzimuth * kRtoD), text); break;
    case kElevation: float2string(static_cast<float>(dElevation * kRtoD), text); break;
    case kAngle: float2string(fAngle * 360.0f, text); break;
    case kPattern: float2string(static_cast<float>(dPattern), text); break;
    default: break;
  }
}

bool Pelrin::getInputProperties(VstInt32 index, VstPinProperties* properties) {
  return plugin_common::bformatPin(index, properties);
}

bool Pelrin::getOutputProperties(VstInt32 index, VstPinProperties* properties) {
  if (index < 0 || index >= 2) return false;
  char label[8];
  std::snprintf(label, sizeof label, "Mic %1d", index + 1);
  return plugin_common::pin(label, properties);
}

bool Pelrin::getVendorString(char* text) { return plugin_common::vendorString(text); }
