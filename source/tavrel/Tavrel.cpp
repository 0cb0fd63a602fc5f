#include "Tavrel.h"

#include <cmath>
#include <new>
#include <numbers>

#include "plugin_common.h"

namespace {
constexpr double kTwoPi = 2.0 * std::numbers::pi;
}  // namespace

const plugin_common::ParameterField<Tavrel, TavrelProgram> Tavrel::kFields[kNumParams] = {
    {&Tavrel::fAngle1, &TavrelProgram::fAngle1},
    {&Tavrel::fAngle2, &TavrelProgram::fAngle2},
    {&Tavrel::fAngle3, &TavrelProgram::fAngle3},
    {&Tavrel::fOrder, &TavrelProgram::fOrder}};

TavrelProgram::TavrelProgram()
    : fAngle1{tavrel_description::defaultOf(Tavrel::kAngle1)},
      fAngle2{tavrel_description::defaultOf(Tavrel::kAngle2)},
      fAngle3{tavrel_description::defaultOf(Tavrel::kAngle3)},
      fOrder{tavrel_description::defaultOf(Tavrel::kOrder)},
      name{} {
  vsttext::copy(name, "Ambisonic field control", plugin_common::kShortText);
}

Tavrel::Tavrel(audioMasterCallback audioMaster)
    : BFormatEffect{audioMaster, kNumPrograms, kNumParams} {
  programs = new (std::nothrow) TavrelProgram[kNumPrograms];
  if (programs) setProgram(0);
  setNumInputs(4);
  setNumOutputs(4);
  setUniqueID(fourCharCode('Q', 'r', 'p', 'a'));
  canProcessReplacing(true);
  init();
  suspend();
}

void Tavrel::init() {
  // Placeholders: the first block that has frames starts its sines and
  // cosines at its own targets, so a fresh instance plays its angles at once
  // instead of gliding to them, whatever the host restores before it starts.
  dSinRotateOld = dSinTiltOld = dSinTumbleOld = 0.0;
  dCosRotateOld = dCosTiltOld = dCosTumbleOld = 1.0;
  bStartSettled = true;
  // A fresh instance reports and plays program 0, as selecting it would.
  for (const plugin_description::Parameter& parameter : kParameters)
    this->*kFields[parameter.index].current = parameter.defaultValue;
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
  return plugin_description::stepOf(kParameters[kOrder].steps, value);
}

VstInt32 Tavrel::processedOrderOf(float value) {
  const VstInt32 order = orderOf(value);
  return (order >= 0 && order < kNumOrders) ? order : 0;
}

void Tavrel::getParameterDisplay(VstInt32 index, char* text) {
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

bool Tavrel::getOutputProperties(VstInt32 index, VstPinProperties* properties) {
  return plugin_common::bformatPin(index, properties);
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
