#include "Tavrel.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

namespace {
constexpr double kTwoPi = 6.283185307179586;
const char* const kParameterNames[] = {"Angle1", "Angle2", "Angle3", "Order of Processing"};
const char* const kParameterLabels[] = {"degrees", "degrees", "degrees", "process"};
const char* const kPinLabels[] = {"W", "X", "Y", "Z"};
constexpr VstInt32 kNumPins = 4;

bool fillPin(VstInt32 index, VstPinProperties* properties) {
  if (properties == nullptr || index < 0 || index >= kNumPins) return false;
  vsttext::copy(properties->label, kPinLabels[index], 63);
  properties->flags = kVstPinIsActive;
  return true;
}
}  // namespace

TavrelProgram::TavrelProgram()
    : fAngle1{0.0f}, fAngle2{0.0f}, fAngle3{0.0f}, fOrder{0.0f}, name{} {
  vsttext::copy(name, "Ambisonic field control", 23);
}

Tavrel::Tavrel(audioMasterCallback audioMaster)
    : AudioEffectX{audioMaster, kNumPrograms, kNumParams} {
  programs = new (std::nothrow) TavrelProgram[kNumPrograms];
  if (programs) setProgram(0);
  setNumOutputs(4);
  setUniqueID(fourCharCode('Q', 'r', 'p', 'a'));
  setNumInputs(4);
  canProcessReplacing(true);
  init();
  suspend();
}

Tavrel::~Tavrel() { delete[] programs; }

void Tavrel::init() {
  // Placeholders: the first block that has frames starts its sines and
  // cosines at its own targets, so a fresh instance plays its angles at once
  // instead of gliding to them, whatever the host restores before it starts.
  dSinRotateOld = dSinTiltOld = dSinTumbleOld = 0.0;
  dCosRotateOld = dCosTiltOld = dCosTumbleOld = 1.0;
  bStartSettled = true;
  // A fresh instance reports and plays program 0, as selecting it would.
  fAngle1 = 0.0f;
  fAngle2 = 0.0f;
  fAngle3 = 0.0f;
  fOrder = 0.0f;
  if (programs)
    setProgram(0);
  else
    deriveValues();
}

void Tavrel::deriveValues() {
  iOrder = orderOf(fOrder);
  dAngle1 = -static_cast<double>(fAngle1) * kTwoPi;
  dAngle2 = -static_cast<double>(fAngle2) * kTwoPi;
  dAngle3 = -static_cast<double>(fAngle3) * kTwoPi;
}

VstInt32 Tavrel::orderOf(float value) {
  const float scaled = std::fma(value, 5.0f, 0.51f);
  // Saturate before converting: a float outside the int range has no defined conversion.
  if (!(scaled > -2147483648.0f)) return std::isnan(scaled) ? 0 : INT_MIN;
  if (!(scaled < 2147483648.0f)) return INT_MAX;
  return static_cast<VstInt32>(scaled);
}

VstInt32 Tavrel::processedOrderOf(float value) {
  const VstInt32 order = orderOf(value);
  return (order >= 0 && order < kNumOrders) ? order : 0;
}

void Tavrel::setParameter(VstInt32 index, float value) {
  // A non-finite value would poison the glide state for good: ignore it.
  if (!std::isfinite(value)) return;
  TavrelProgram* program = programs ? &programs[curProgram] : nullptr;
  Relaxed<float>* stored = nullptr;
  Relaxed<float>* programValue = nullptr;
  switch (index) {
    case kAngle1: stored = &fAngle1; if (program) programValue = &program->fAngle1; break;
    case kAngle2: stored = &fAngle2; if (program) programValue = &program->fAngle2; break;
    case kAngle3: stored = &fAngle3; if (program) programValue = &program->fAngle3; break;
    case kOrder: stored = &fOrder; if (program) programValue = &program->fOrder; break;
    default: break;
  }
  if (programValue) *programValue = value;
  if (stored) *stored = value;
  if (editor) editor->postUpdate();
  deriveValues();
}

float Tavrel::getParameter(VstInt32 index) {
  switch (index) {
    case kAngle1: return fAngle1;
    case kAngle2: return fAngle2;
    case kAngle3: return fAngle3;
    case kOrder: return fOrder;
    default: return 0.0f;
  }
}

void Tavrel::setProgram(VstInt32 program) {
  // Only the dispatcher's range-checked numbers arrive in practice; ignore others.
  if (programs == nullptr || program < 0 || program >= kNumPrograms) return;
  curProgram = program;
  const TavrelProgram& p = programs[program];
  setParameter(kAngle1, p.fAngle1);
  setParameter(kAngle2, p.fAngle2);
  setParameter(kAngle3, p.fAngle3);
  setParameter(kOrder, p.fOrder);
}

void Tavrel::setProgramName(char* name) {
  // Longer names are cut to the 23 characters a program name holds.
  if (programs && name) vsttext::copy(programs[curProgram].name, name, 23);
}

void Tavrel::getProgramName(char* name) {
  if (name == nullptr) return;
  if (programs == nullptr) {
    name[0] = 0;
    return;
  }
  const char* stored = programs[curProgram].name;
  if (std::strcmp(stored, "Init") == 0) {
    char numbered[40];
    std::snprintf(numbered, sizeof numbered, "%s %d", stored, curProgram + 1);
    vsttext::copy(name, numbered, 23);
  } else {
    vsttext::copy(name, stored, 23);
  }
}

void Tavrel::getParameterLabel(VstInt32 index, char* label) {
  if (label && index >= 0 && index < kNumParams) vsttext::copy(label, kParameterLabels[index], 23);
}

void Tavrel::getParameterName(VstInt32 index, char* text) {
  if (text && index >= 0 && index < kNumParams) vsttext::copy(text, kParameterNames[index], 23);
}

void Tavrel::getParameterDisplay(VstInt32 index, char* text) {
  if (text == nullptr) return;
  float angle = 0.0f;
  switch (index) {
    case kAngle1: angle = fAngle1; break;
    case kAngle2: angle = fAngle2; break;
    case kAngle3: angle = fAngle3; break;
    case kOrder: long2string(orderOf(fOrder), text); return;
    default: return;
  }
  float2string(static_cast<float>((1.0 - static_cast<double>(angle)) * -360.0 + 360.0), text);
}

bool Tavrel::getInputProperties(VstInt32 index, VstPinProperties* properties) {
  return fillPin(index, properties);
}

bool Tavrel::getOutputProperties(VstInt32 index, VstPinProperties* properties) {
  return fillPin(index, properties);
}

bool Tavrel::getVendorString(char* text) {
  if (text == nullptr) return false;
  vsttext::copy(text, "Oxel Music Dept.", 63);
  return true;
}

void Tavrel::rotateField(double angle) {
  const double s = std::sin(angle), c = std::cos(angle);
  const double x = newX, y = newY;
  newX = c * x - s * y;
  newY = s * x + c * y;
}

void Tavrel::tiltField(double angle) {
  const double s = std::sin(angle), c = std::cos(angle);
  const double y = newY, z = newZ;
  newY = c * y - s * z;
  newZ = s * y + c * z;
}

void Tavrel::tumbleField(double angle) {
  const double s = std::sin(angle), c = std::cos(angle);
  const double x = newX, z = newZ;
  newX = c * x - s * z;
  newZ = s * x + c * z;
}
