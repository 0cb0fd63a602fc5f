// Constants shared by both signal paths: the per-sample one-pole glide of the
// working coefficients and the offset that keeps values out of the denormal range.
#pragma once

inline constexpr double kAvCoef1 = 0.999;             // weight of the old value
inline const double kAvCoef2 = 1.0 - kAvCoef1;        // weight of the target: 0.0010000000000000009
inline constexpr double kAntiDenorm = 1e-20;

// One step of the glide, in exactly this arithmetic order.
inline double glide(double old, double target) { return old * kAvCoef1 + target * kAvCoef2; }
