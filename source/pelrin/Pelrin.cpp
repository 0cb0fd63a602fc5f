#include "Pelrin.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

namespace {
constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;
const char* const kParameterNames[] = {"Azimuth", "Elevation", "Mic Angle", "Mic Pattern"};
const char* const kParameterLabels[] = {"degrees", "degrees", "degrees", "pattern"};
const char* const kInputLabels[] = {"W", "X", "Y", "Z"};
}  // namespace

PelrinProgram::PelrinProgram()
    : fAzimuth{0.0f}, fElevation{0.25f}, fAngle{0.16666667f}, fPattern{0.5f}, name{} {
  vsttext::copy(name, "Mic pattern control", 23);
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
  // A non-finite value would poison the glide state for good: ignore it.
  if (!std::isfinite(value)) return;
  PelrinProgram* program = programs ? &programs[curProgram] : nullptr;
  Relaxed<float>* stored = nullptr;
  Relaxed<float>* programValue = nullptr;
  switch (index) {
    case kAzimuth: stored = &fAzimuth; if (program) programValue = &program->fAzimuth; break;
    case kElevation: stored = &fElevation; if (program) programValue = &program->fElevation; break;
    case kAngle: stored = &fAngle; if (program) programValue = &program->fAngle; break;
    case kPattern: stored = &fPattern; if (program) programValue = &program->fPattern; break;
    default: break;
  }
  if (programValue) *programValue = value;
  if (stored) *stored = value;
  if (editor) editor->postUpdate();
  deriveValues();
}

float Pelrin::getParameter(VstInt32 index) {
  switch (index) {
    case kAzimuth: return fAzimuth;
    case kElevation: return fElevation;
    case kAngle: return fAngle;
    case kPattern: return fPattern;
    default: return 0.0f;
  }
}

void Pelrin::setProgram(VstInt32 program) {
  if (programs == nullptr || program < 0 || program >= kNumPrograms) return;
  const PelrinProgram& p = programs[program];
  curProgram = program;
  setParameter(kAzimuth, p.fAzimuth);
  setParameter(kElevation, p.fElevation);
  fAngle = p.fAngle.load();
  setParameter(kAngle, fAngle);
  fPattern = p.fPattern.load();
  setParameter(kPattern, fPattern);
}

void Pelrin::setProgramName(char* name) {
  if (programs) vsttext::copy(programs[curProgram].name, name, 23);
}

void Pelrin::getProgramName(char* name) {
  if (programs == nullptr) {
    name[0] = 0;
    return;
  }
  const char* stored = programs[curProgram].name;
  if (std::strcmp(stored, "Init") == 0)
    std::snprintf(name, 24, "Init %d", curProgram + 1);
  else
    vsttext::copy(name, stored, 23);
}

void Pelrin::getParameterLabel(VstInt32 index, char* label) {
  if (index >= 0 && index < kNumParams) vsttext::copy(label, kParameterLabels[index], 23);
}

void Pelrin::getParameterName(VstInt32 index, char* text) {
  if (index >= 0 && index < kNumParams) vsttext::copy(text, kParameterNames[index], 23);
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
  if (properties == nullptr || index < 0 || index >= 4) return false;
  vsttext::copy(properties->label, kInputLabels[index], 63);
  properties->flags = kVstPinIsActive;
  return true;
}

bool Pelrin::getOutputProperties(VstInt32 index, VstPinProperties* properties) {
  if (properties == nullptr || index < 0 || index >= 2) return false;
  std::snprintf(properties->label, sizeof properties->label, "Mic %1d", index + 1);
  properties->flags = kVstPinIsActive;
  return true;
}

bool Pelrin::getVendorString(char* text) {
  vsttext::copy(text, "Oxel Music Dept.", 63);
  return true;
}
