// An independent model of the microphone pair's audio path, written from the
// formulas (not from the plug-in's code), used to check output samples and the
// smoothing state bit for bit and as the benchmarks' yardstick; and a
// deterministic four-channel test signal.
#pragma once

#include <cmath>
#include <numbers>
#include <vector>

namespace reference {

// The plain recurrence, one frame at a time: the parameters, the targets they
// give once per block, the per-sample glide of the seven weights and the two
// microphones, in the plug-in's arithmetic order.
struct PelrinModel {
  // Parameter values and the derived values as a fresh instance holds them:
  // those of the first program.
  float parameter[4] = {0.0f, 0.25f, 0.16666667f, 0.5f};
  double azimuth = 0.0, elevation = 0.0, pattern = 0.5, angle = 0.16666667f * std::numbers::pi;
  double old[7] = {1.0, 1.0, 1.0, 0.0, 1.0, 1.0, 0.0};  // W, XL, YL, ZL, XR, YR, ZR
  double target[7] = {};
  double work[4] = {};       // the last frame's W, X, Y, Z terms
  bool startSettled = true;  // the first block with frames starts at its targets

  // As the plug-in's setParameter: non-finite values and other indexes change nothing.
  void set(int index, float value) {
    if (!std::isfinite(value)) return;
    if (index >= 0 && index < 4) parameter[index] = value;
    azimuth = parameter[0] * (2.0 * std::numbers::pi);
    elevation = (parameter[1] - 0.25) * (2.0 * std::numbers::pi);
    angle = parameter[2] * std::numbers::pi;
    pattern = parameter[3];
  }

  // One block: four inputs, two outputs, which accumulate when `accumulate`.
  // Each frame reads its inputs before writing, so in-place buffers work.
  void run(float* const* in, float* const* out, int frames, bool accumulate) {
    const double first = pattern * 0.707;
    target[0] = 1.0 - pattern;
    target[1] = std::cos(azimuth + angle) * std::cos(elevation) * first;
    target[2] = std::sin(azimuth + angle) * std::cos(elevation) * first;
    target[3] = std::sin(elevation) * first;
    target[4] = std::cos(azimuth - angle) * std::cos(elevation) * first;
    target[5] = std::sin(azimuth - angle) * std::cos(elevation) * first;
    target[6] = std::sin(elevation) * first;
    if (startSettled && frames > 0) {
      for (int c = 0; c < 7; ++c) old[c] = target[c];
      startSettled = false;
    }
    for (int i = 0; i < frames; ++i) {
      work[0] = old[0] * in[0][i] + 1e-20;
      work[1] = in[1][i] + 1e-20;
      work[2] = in[2][i] + 1e-20;
      work[3] = in[3][i] + 1e-20;
      float mic[2];
      for (int m = 0; m < 2; ++m) {
        const double* k = old + 1 + 3 * m;
        mic[m] = static_cast<float>(work[0] + k[0] * work[1] + k[1] * work[2] + k[2] * work[3]);
      }
      for (int m = 0; m < 2; ++m) {
        if (accumulate)
          out[m][i] = static_cast<float>(out[m][i] + (mic[m] + 1e-20));
        else
          out[m][i] = static_cast<float>(mic[m] + 1e-20);
      }
      for (int c = 0; c < 7; ++c) old[c] = old[c] * 0.999 + target[c] * (1.0 - 0.999);
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
