// A plain frame-by-frame model of the field rotator's audio path, written
// apart from the plug-in's code: the parameters it keeps, the per-block
// targets and the per-sample rotation and glide, in the plug-in's arithmetic
// order. Tests compare the plug-in's output bits and state with it; the
// benchmarks time the plug-in against it.
#pragma once

#include <cmath>
#include <numbers>

namespace reference {

// Plane numbers used by the model: rotate (X-Y), tilt (Y-Z), tumble (X-Z).
enum { kRotate = 0, kTilt = 1, kTumble = 2 };

// The plane of the first, second and third rotation for orders 0..5.
inline constexpr int kTavrelSequence[6][3] = {{kRotate, kTilt, kTumble}, {kRotate, kTumble, kTilt},
                                              {kTilt, kRotate, kTumble}, {kTilt, kTumble, kRotate},
                                              {kTumble, kRotate, kTilt}, {kTumble, kTilt, kRotate}};

// The order number as displayed: one fused multiply-add in single precision.
inline long tavrelDisplayedOrder(float value) {
  const double scaled = std::fma(value, 5.0f, 0.51f);
  if (scaled >= 2147483647.0) return 2147483647L;
  if (scaled <= -2147483648.0) return -2147483648L;
  return static_cast<long>(std::trunc(scaled));
}

// The order applied to the signal: anything outside 0..5 is 0.
inline int tavrelProcessedOrder(float value) {
  const long order = tavrelDisplayedOrder(value);
  return (order >= 0 && order <= 5) ? static_cast<int>(order) : 0;
}

struct TavrelModel {
  float parameter[4] = {0.0f, 0.0f, 0.0f, 0.0f};  // angle 1..3, order
  // Smoothed and target sine and cosine per plane.
  double sineOld[3] = {0.0, 0.0, 0.0};
  double cosineOld[3] = {1.0, 1.0, 1.0};
  double sine[3] = {0.0, 0.0, 0.0};
  double cosine[3] = {1.0, 1.0, 1.0};
  // Until the first block with frames: the smoothed values start at that block's targets.
  bool startSettled = true;

  void set(int index, float value) {
    if (index >= 0 && index < 4 && std::isfinite(value)) parameter[index] = value;
  }

  static void turn(int plane, double s, double c, double& x, double& y, double& z) {
    double* p = plane == kTilt ? &y : &x;
    double* q = plane == kRotate ? &y : &z;
    const double oldP = *p, oldQ = *q;
    *p = (c * oldP + 1e-20) - s * oldQ;
    *q = (s * oldP + 1e-20) + c * oldQ;
  }

  // One block of process (accumulate) or processReplacing.
  void run(float* const* in, float* const* out, int frames, bool accumulate) {
    const int order = tavrelProcessedOrder(parameter[3]);
    for (int step = 0; step < 3; ++step) {
      const double angle = -static_cast<double>(parameter[step]) * (2.0 * std::numbers::pi);
      sine[kTavrelSequence[order][step]] = std::sin(angle) + 1e-20;
      cosine[kTavrelSequence[order][step]] = std::cos(angle) + 1e-20;
    }
    if (startSettled && frames > 0) {
      for (int plane = 0; plane < 3; ++plane) {
        sineOld[plane] = sine[plane];
        cosineOld[plane] = cosine[plane];
      }
      startSettled = false;
    }
    const double keep = 0.999;
    const double take = 1.0 - keep;
    for (int i = 0; i < frames; ++i) {
      const float w = in[0][i];
      double x = in[1][i], y = in[2][i], z = in[3][i];
      for (int step = 0; step < 3; ++step) {
        const int plane = kTavrelSequence[order][step];
        turn(plane, sineOld[plane], cosineOld[plane], x, y, z);
      }
      if (accumulate) {
        out[0][i] = out[0][i] + w;
        out[1][i] = static_cast<float>(out[1][i] + x);
        out[2][i] = static_cast<float>(out[2][i] + y);
        out[3][i] = static_cast<float>(out[3][i] + z);
      } else {
        out[0][i] = w;
        out[1][i] = static_cast<float>(x);
        out[2][i] = static_cast<float>(y);
        out[3][i] = static_cast<float>(z);
      }
      for (int plane = 0; plane < 3; ++plane) {
        sineOld[plane] = sineOld[plane] * keep + sine[plane] * take;
        cosineOld[plane] = cosineOld[plane] * keep + cosine[plane] * take;
      }
    }
  }
};

}  // namespace reference
