// Tavrel with its internal state readable, for tests that check the smoothed
// sines and cosines, the targets and the derived values directly.
#pragma once

#include "Tavrel.h"

class TavrelProbe : public Tavrel {
 public:
  TavrelProbe() : Tavrel{nullptr} {}
  using Tavrel::dAngle1;
  using Tavrel::dAngle2;
  using Tavrel::dAngle3;
  using Tavrel::dCosRotate;
  using Tavrel::dCosRotateOld;
  using Tavrel::dCosTilt;
  using Tavrel::dCosTiltOld;
  using Tavrel::dCosTumble;
  using Tavrel::dCosTumbleOld;
  using Tavrel::dSinRotate;
  using Tavrel::dSinRotateOld;
  using Tavrel::dSinTilt;
  using Tavrel::dSinTiltOld;
  using Tavrel::dSinTumble;
  using Tavrel::dSinTumbleOld;
  using Tavrel::iOrder;
  using Tavrel::newX;
  using Tavrel::newY;
  using Tavrel::newZ;
  using Tavrel::programs;

  // Smoothed and target values per plane (rotate, tilt, tumble).
  double sineOld(int plane) const {
    return plane == 0 ? dSinRotateOld : plane == 1 ? dSinTiltOld : dSinTumbleOld;
  }
  double cosineOld(int plane) const {
    return plane == 0 ? dCosRotateOld : plane == 1 ? dCosTiltOld : dCosTumbleOld;
  }
  double sineTarget(int plane) const {
    return plane == 0 ? dSinRotate : plane == 1 ? dSinTilt : dSinTumble;
  }
  double cosineTarget(int plane) const {
    return plane == 0 ? dCosRotate : plane == 1 ? dCosTilt : dCosTumble;
  }
  int curProgramIndex() const { return curProgram; }
};
