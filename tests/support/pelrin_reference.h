// An independent model of the microphone pair's audio path, written from the
// formulas (not from the plug-in's code), used to check output samples bit for bit.
#pragma once

#include <cmath>
#include <vector>

namespace reference {

struct PelrinModel {
  // Derived values as the processor computes them from the four parameters;
  // a fresh model holds those of the first program.
  double azimuth = 0.0, elevation = 0.0, angle = 0.0, pattern = 0.0;
  // Smoothed weights: W, then X/Y/Z of microphone 1, then X/Y/Z of microphone 2.
  double w = 1.0, xl = 1.0, yl = 1.0, zl = 0.0, xr = 1.0, yr = 1.0, zr = 0.0;
  // Until the first block with frames: the weights start at that block's targets.
  bool startSettled = true;

  PelrinModel() { setParameters(0.0f, 0.25f, 0.16666667f, 0.5f); }

  void setParameters(float fAzimuth, float fElevation, float fAngle, float fPattern) {
    azimuth = static_cast<double>(fAzimuth) * 6.283185307179586;
    elevation = (static_cast<double>(fElevation) - 0.25) * 6.283185307179586;
    angle = static_cast<double>(fAngle) * 3.141592653589793;
    pattern = fPattern;
  }

  // One block; out1/out2 accumulate when `accumulate`.
  void run(const float* W, const float* X, const float* Y, const float* Z, float* out1,
           float* out2, int frames, bool accumulate) {
    const double a1 = 0.999, a2 = 1.0 - 0.999, tiny = 1e-20;
    const double zeroth = 1.0 - pattern, first = pattern * 0.707;
    const double txl = std::cos(azimuth + angle) * std::cos(elevation) * first;
    const double tyl = std::sin(azimuth + angle) * std::cos(elevation) * first;
    const double tzl = std::sin(elevation) * first;
    const double txr = std::cos(azimuth - angle) * std::cos(elevation) * first;
    const double tyr = std::sin(azimuth - angle) * std::cos(elevation) * first;
    const double tzr = std::sin(elevation) * first;
    if (startSettled && frames > 0) {
      w = zeroth;
      xl = txl, yl = tyl, zl = tzl;
      xr = txr, yr = tyr, zr = tzr;
      startSettled = false;
    }
    for (int i = 0; i < frames; ++i) {
      const double nw = w * W[i] + tiny, nx = X[i] + tiny, ny = Y[i] + tiny, nz = Z[i] + tiny;
      const float m1 = static_cast<float>(nw + xl * nx + yl * ny + zl * nz);
      const float m2 = static_cast<float>(nw + xr * nx + yr * ny + zr * nz);
      if (accumulate) {
        out1[i] = static_cast<float>(out1[i] + (m1 + tiny));
        out2[i] = static_cast<float>(out2[i] + (m2 + tiny));
      } else {
        out1[i] = static_cast<float>(m1 + tiny);
        out2[i] = static_cast<float>(m2 + tiny);
      }
      w = w * a1 + zeroth * a2;
      xl = xl * a1 + txl * a2;
      yl = yl * a1 + tyl * a2;
      zl = zl * a1 + tzl * a2;
      xr = xr * a1 + txr * a2;
      yr = yr * a1 + tyr * a2;
      zr = zr * a1 + tzr * a2;
    }
  }
};

// Deterministic test signal: four channels of varied content.
inline std::vector<std::vector<float>> bformatSignal(int frames, unsigned seed = 1) {
  std::vector<std::vector<float>> channels(4, std::vector<float>(frames));
  unsigned state = seed * 2654435761u + 12345u;
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < 4; ++c) {
      state = state * 1664525u + 1013904223u;
      const float noise = static_cast<float>(static_cast<int>(state >> 8) - (1 << 23)) / (1 << 23);
      channels[c][i] = 0.5f * static_cast<float>(std::sin(0.01 * (c + 1) * i)) + 0.25f * noise;
    }
  }
  return channels;
}

}  // namespace reference
