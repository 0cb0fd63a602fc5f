// Constants shared by both signal paths: the per-sample one-pole glide of the
// working coefficients and the offset that keeps values out of the denormal range.
#pragma once

#include "vector_lanes.h"

inline constexpr double kAvCoef1 = 0.999;             // weight of the old value
inline const double kAvCoef2 = 1.0 - kAvCoef1;        // weight of the target: 0.0010000000000000009
inline constexpr double kAntiDenorm = 1e-20;

// Frames a gliding block renders between two checks whether every value has
// come to rest.
inline constexpr int kGlideChunk = 32;

// One step of the glide: targetTerm is target * kAvCoef2, taken once a block
// (the same product every sample). Once this rounds back to old, the value
// stays there until its target changes.
__attribute__((always_inline)) inline double glideStep(double old, double targetTerm) {
  return old * kAvCoef1 + targetTerm;
}

// Up to eight glide chains side by side in two vectors (unused lanes hold 0
// and stay 0), each lane gliding exactly as its scalar: the values the next
// four frames use, one vector per chain with one frame per lane (lane j of
// columns[c] is chain c at frame j), and both vectors moved on four frames.
__attribute__((always_inline)) inline void glideFourFrames(Doubles4& a, Doubles4& b,
                                                           const Doubles4& aTerm,
                                                           const Doubles4& bTerm,
                                                           Doubles4 (&columns)[8]) {
  Doubles4 rowsA[4], rowsB[4];
#pragma GCC unroll 4
  for (int frame = 0; frame < 4; ++frame) {
    rowsA[frame] = a;
    rowsB[frame] = b;
    a = a * kAvCoef1 + aTerm;
    b = b * kAvCoef1 + bTerm;
  }
  transpose(rowsA[0], rowsA[1], rowsA[2], rowsA[3], columns[0], columns[1], columns[2], columns[3]);
  transpose(rowsB[0], rowsB[1], rowsB[2], rowsB[3], columns[4], columns[5], columns[6], columns[7]);
}
