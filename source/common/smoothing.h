// Constants shared by both signal paths: the per-sample one-pole glide of the
// working coefficients and the offset that keeps values out of the denormal range.
#pragma once

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
