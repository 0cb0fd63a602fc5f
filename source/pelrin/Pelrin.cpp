#include "Pelrin.h"

#include <cmath>
#include <cstdio>
#include <new>
#include <numbers>

#include "plugin_common.h"

namespace {
constexpr double kTwoPi = 2.0 * std::numbers::pi;
}  // namespace

const plugin_common::ParameterField<Pelrin, PelrinProgram> Pelrin::kFields[kNumParams] = {
    {&Pelrin::fAzimuth, &PelrinProgram::fAzimuth},
    {&Pelrin::fElevation, &PelrinProgram::fElevation},
    {&Pelrin::fAngle, &PelrinProgram::fAngle},
    {&Pelrin::fPattern, &PelrinProgram::fPattern}};

PelrinProgram::PelrinProgram()
    : fAzimuth{pelrin_description::defaultOf(Pelrin::kAzimuth)},
      fElevation{pelrin_description::defaultOf(Pelrin::kElevation)},
      fAngle{pelrin_description::defaultOf(Pelrin::kAngle)},
      fPattern{pelrin_description::defaultOf(Pelrin::kPattern)},
      name{} {
  vsttext::copy(name, "Mic pattern control", plugin_common::kShortText);
}

Pelrin::Pelrin(audioMasterCallback audioMaster)
    : BFormatEffect{audioMaster, kNumPrograms, kNumParams} {
  programs = new (std::nothrow) PelrinProgram[kNumPrograms];
  if (programs) setProgram(0);
  setNumInputs(4);
  setNumOutputs(2);
  setUniqueID(fourCharCode('Q', 'r', 'M', 'a'));
  canProcessReplacing(true);
  init();
  suspend();
}

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
  for (const plugin_description::Parameter& parameter : kParameters)
    this->*kFields[parameter.index].current = parameter.defaultValue;
  if (programs)
    setProgram(0);
  else
    deriveValues();
}

Pelrin::Derived Pelrin::derive(float azimuth, float elevation, float angle, float pattern) {
  return {azimuth * kTwoPi, (elevation - 0.25) * kTwoPi, angle * std::numbers::pi, pattern};
}

void Pelrin::deriveValues() {
  const Derived derived = derive(fAzimuth, fElevation, fAngle, fPattern);
  dAzimuth = derived.azimuth;
  dElevation = derived.elevation;
  dAngle = derived.halfAngle;
  dPattern = derived.pattern;
}

Pelrin::PairWeights Pelrin::pairWeights(const Derived& d) {
  PairWeights w{};
  w.zeroth = 1.0 - d.pattern;
  w.first = d.pattern * 0.707;
  w.cosAzLeft = std::cos(d.azimuth + d.halfAngle);
  w.sinAzLeft = std::sin(d.azimuth + d.halfAngle);
  w.cosEl = std::cos(d.elevation);
  w.sinEl = std::sin(d.elevation);
  w.cosAzRight = std::cos(d.azimuth - d.halfAngle);
  w.sinAzRight = std::sin(d.azimuth - d.halfAngle);
  w.xLeft = w.cosAzLeft * w.cosEl * w.first;
  w.yLeft = w.sinAzLeft * w.cosEl * w.first;
  w.zLeft = w.sinEl * w.first;
  w.xRight = w.cosAzRight * w.cosEl * w.first;
  w.yRight = w.sinAzRight * w.cosEl * w.first;
  w.zRight = w.sinEl * w.first;
  return w;
}

double Pelrin::planeWaveGain(const PairWeights& w, int mic, double azimuth, double elevation) {
  constexpr double kPlaneWaveW = 0.70710678118654752440;
  const double x = std::cos(azimuth) * std::cos(elevation);
  const double y = std::sin(azimuth) * std::cos(elevation);
  const double z = std::sin(elevation);
  if (mic == 0) return w.zeroth * kPlaneWaveW + w.xLeft * x + w.yLeft * y + w.zLeft * z;
  return w.zeroth * kPlaneWaveW + w.xRight * x + w.yRight * y + w.zRight * z;
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

bool Pelrin::getOutputProperties(VstInt32 index, VstPinProperties* properties) {
  if (index < 0 || index >= 2) return false;
  char label[8];
  std::snprintf(label, sizeof label, "Mic %1d", index + 1);
  return plugin_common::pin(label, properties);
}
