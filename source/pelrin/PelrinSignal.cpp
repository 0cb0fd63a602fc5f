// The audio path: direction and pattern become target weights once per block;
// per sample the weights in use glide a thousandth of the way to their targets.
//
// Speed without changing a bit: each weight's glide is a serial chain, but
// once old * kAvCoef1 + target * kAvCoef2 rounds back to old it stays there
// until the target changes (only at block start). From the moment all seven
// weights are at such a fixed point the rest of the block uses constant
// weights and runs through a vector loop that performs, lane by lane, exactly
// the scalar operations in the same order.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "Pelrin.h"
#include "simd_dispatch.h"
#include "smoothing.h"

// The vector helpers here are internal and always inlined, so the calling
// convention GCC warns about for 32-byte vector arguments never applies.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

// The seven smoothed weights, or their targets.
struct Weights {
  double zeroth;
  double xLeft, yLeft, zLeft;
  double xRight, yRight, zRight;
};

// The working values of one frame, kept as the fields newW..newZ after a block.
struct Frame {
  double w, x, y, z;
};

// One frame: both microphones from the same four inputs, which are all read
// before either output is written.
template <bool accumulate>
__attribute__((always_inline)) inline Frame renderFrame(const Weights& k, float* const* inputs,
                                                        float* const* outputs, VstInt32 i) {
  Frame f;
  f.w = k.zeroth * static_cast<double>(inputs[0][i]) + kAntiDenorm;
  f.x = static_cast<double>(inputs[1][i]) + kAntiDenorm;
  f.y = static_cast<double>(inputs[2][i]) + kAntiDenorm;
  f.z = static_cast<double>(inputs[3][i]) + kAntiDenorm;
  const float m1 = static_cast<float>(f.w + k.xLeft * f.x + k.yLeft * f.y + k.zLeft * f.z);
  const float m2 = static_cast<float>(f.w + k.xRight * f.x + k.yRight * f.y + k.zRight * f.z);
  if constexpr (accumulate) {
    outputs[0][i] = static_cast<float>(static_cast<double>(outputs[0][i]) + (m1 + kAntiDenorm));
    outputs[1][i] = static_cast<float>(static_cast<double>(outputs[1][i]) + (m2 + kAntiDenorm));
  } else {
    outputs[0][i] = static_cast<float>(m1 + kAntiDenorm);
    outputs[1][i] = static_cast<float>(m2 + kAntiDenorm);
  }
  return f;
}

using Doubles4 = double __attribute__((vector_size(32)));
using Floats4 = float __attribute__((vector_size(16)));

__attribute__((always_inline)) inline Floats4 loadFloats(const float* p) {
  Floats4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
__attribute__((always_inline)) inline void storeFloats(float* p, Floats4 v) {
  std::memcpy(p, &v, sizeof v);
}
// Lane by lane (rather than __builtin_convertvector, which GCC 12 splits into
// halves) so that AVX converts four floats in one instruction.
__attribute__((always_inline)) inline Doubles4 widen(Floats4 v) {
  return Doubles4{v[0], v[1], v[2], v[3]};
}
__attribute__((always_inline)) inline Floats4 narrow(Doubles4 v) {
  return __builtin_convertvector(v, Floats4);
}

// Weights this small multiply as subnormal numbers, which CPUs process many
// times slower, and a glide towards an exact zero (a level elevation, a
// pattern of 0 or 1) comes to rest at such a weight for good. Their products
// with any float stay below 2^-870 and vanish when added to a finite sum of at
// least 2^-800, so the settled loop adds exact zeros instead, and redoes the
// rare frames whose sums are smaller or not finite with the weights as they are.
constexpr double kNegligibleWeight = 0x1p-1000;
constexpr double kSafeSum = 0x1p-800;

bool isNegligible(double weight) { return weight != 0.0 && std::fabs(weight) < kNegligibleWeight; }

double withoutNegligible(double weight) { return isNegligible(weight) ? 0.0 : weight; }

using Bits4 = long long __attribute__((vector_size(32)));

__attribute__((always_inline)) inline Doubles4 magnitude(Doubles4 v) {
  return reinterpret_cast<Doubles4>(reinterpret_cast<Bits4>(v) & 0x7fffffffffffffffLL);
}

// Lane-wise minimum of two vectors without NaNs.
__attribute__((always_inline)) inline Doubles4 minimum(Doubles4 a, Doubles4 b) {
  return a < b ? a : b;
}

constexpr double kLargestDouble = 0x1.fffffffffffffp1023;

// True when every lane of the mask is set.
__attribute__((always_inline)) inline bool allLanes(Bits4 mask) {
  long long lanes[4];
  std::memcpy(lanes, &mask, sizeof lanes);
  return (lanes[0] & lanes[1] & lanes[2] & lanes[3]) != 0;
}

// Frames begin..end with constant weights, four frames per step; returns the
// last frame's working values. Loads and stores keep the scalar frame's order,
// so in-place buffers behave as in the frame-by-frame loop. With `guarded`,
// negligible weights are replaced by zeros as explained above.
template <bool accumulate, bool guarded>
__attribute__((always_inline)) inline Frame renderSettledFrames(const Weights& k,
                                                                float* const* inputs,
                                                                float* const* outputs,
                                                                VstInt32 begin, VstInt32 end) {
  const Weights used = guarded ? Weights{withoutNegligible(k.zeroth), withoutNegligible(k.xLeft),
                                         withoutNegligible(k.yLeft),  withoutNegligible(k.zLeft),
                                         withoutNegligible(k.xRight), withoutNegligible(k.yRight),
                                         withoutNegligible(k.zRight)}
                               : k;
  const Doubles4 zeroth = Doubles4{} + used.zeroth;
  const Doubles4 xLeft = Doubles4{} + used.xLeft, yLeft = Doubles4{} + used.yLeft,
                 zLeft = Doubles4{} + used.zLeft;
  const Doubles4 xRight = Doubles4{} + used.xRight, yRight = Doubles4{} + used.yRight,
                 zRight = Doubles4{} + used.zRight;
  const float* inW = inputs[0];
  const float* inX = inputs[1];
  const float* inY = inputs[2];
  const float* inZ = inputs[3];
  float* out1 = outputs[0];
  float* out2 = outputs[1];
  VstInt32 i = begin;
  // The last frame goes through the scalar loop, which yields its working values.
  for (; i + 4 < end; i += 4) {
    const Doubles4 w = zeroth * widen(loadFloats(inW + i)) + kAntiDenorm;
    const Doubles4 x = widen(loadFloats(inX + i)) + kAntiDenorm;
    const Doubles4 y = widen(loadFloats(inY + i)) + kAntiDenorm;
    const Doubles4 z = widen(loadFloats(inZ + i)) + kAntiDenorm;
    const Doubles4 left1 = w + xLeft * x, left2 = left1 + yLeft * y, left = left2 + zLeft * z;
    const Doubles4 right1 = w + xRight * x, right2 = right1 + yRight * y,
                   right = right2 + zRight * z;
    if constexpr (guarded) {
      // The smallest partial sum, and the two results added: a NaN or an
      // infinity in either result makes that sum non-finite (an overflow of
      // two finite results only sends the frames the exact way too).
      const Doubles4 smallest = minimum(minimum(minimum(magnitude(w), magnitude(left1)),
                                                minimum(magnitude(left2), magnitude(right1))),
                                        magnitude(right2));
      const Bits4 ok = (smallest >= kSafeSum) & (magnitude(left + right) <= kLargestDouble);
      if (!allLanes(ok)) {
        for (VstInt32 j = i; j < i + 4; ++j) renderFrame<accumulate>(k, inputs, outputs, j);
        continue;
      }
    }
    const Floats4 m1 = narrow(left);
    const Floats4 m2 = narrow(right);
    if constexpr (accumulate) {
      storeFloats(out1 + i, narrow(widen(loadFloats(out1 + i)) + (widen(m1) + kAntiDenorm)));
      storeFloats(out2 + i, narrow(widen(loadFloats(out2 + i)) + (widen(m2) + kAntiDenorm)));
    } else {
      storeFloats(out1 + i, narrow(widen(m1) + kAntiDenorm));
      storeFloats(out2 + i, narrow(widen(m2) + kAntiDenorm));
    }
  }
  Frame last{};
  for (; i < end; ++i) last = renderFrame<accumulate>(k, inputs, outputs, i);
  return last;
}

// The settled loop, built once for 256-bit vectors and once for the x86_64
// baseline; the loader picks the one this CPU runs. No fused operations either way.
OXEL_CLONE_FOR_AVX Frame renderSettled(
    bool accumulate, const Weights& k, float* const* inputs, float* const* outputs,
    VstInt32 begin, VstInt32 end) {
  const bool guarded = isNegligible(k.zeroth) || isNegligible(k.xLeft) ||
                       isNegligible(k.yLeft) || isNegligible(k.zLeft) ||
                       isNegligible(k.xRight) || isNegligible(k.yRight) ||
                       isNegligible(k.zRight);
  if (accumulate) {
    return guarded ? renderSettledFrames<true, true>(k, inputs, outputs, begin, end)
                   : renderSettledFrames<true, false>(k, inputs, outputs, begin, end);
  }
  return guarded ? renderSettledFrames<false, true>(k, inputs, outputs, begin, end)
                 : renderSettledFrames<false, false>(k, inputs, outputs, begin, end);
}

// True when two buffers of n floats overlap without being the same buffer: a
// host that hands such buffers gets the frame-by-frame loop, whose result then
// depends on the exact order of every read and write.
bool overlapsOffset(const float* a, const float* b, VstInt32 n) {
  if (a == b) return false;
  const auto ua = reinterpret_cast<std::uintptr_t>(a);
  const auto ub = reinterpret_cast<std::uintptr_t>(b);
  const auto bytes = static_cast<std::uintptr_t>(n) * sizeof(float);
  return ua < ub + bytes && ub < ua + bytes;
}

bool buffersAllowVectors(float* const* inputs, float* const* outputs, VstInt32 n) {
  for (int o = 0; o < 2; ++o)
    for (int in = 0; in < 4; ++in)
      if (overlapsOffset(outputs[o], inputs[in], n)) return false;
  return !overlapsOffset(outputs[0], outputs[1], n);
}

__attribute__((always_inline)) inline double step(double old, double targetStep) {
  return old * kAvCoef1 + targetStep;
}

// Frames checked between two convergence tests while gliding.
constexpr VstInt32 kGlideChunk = 16;

}  // namespace

void Pelrin::computeTargets() {
  const double derived[4] = {dAzimuth, dElevation, dAngle, dPattern};
  double* results[16] = {&dZerothLevel, &dFirstLevel,  &dCosAzLeft,   &dSinAzLeft,
                         &dCosElLeft,   &dSinElLeft,   &dCosAzRight,  &dSinAzRight,
                         &dCosElRight,  &dSinElRight,  &dXCoeffLeft,  &dYCoeffLeft,
                         &dZCoeffLeft,  &dXCoeffRight, &dYCoeffRight, &dZCoeffRight};
  // Same bits in, same bits out: compared as bits, so that 0 and -0 differ.
  if (targetMemo.valid && std::memcmp(derived, targetMemo.derived, sizeof derived) == 0) {
    for (int i = 0; i < 16; ++i) *results[i] = targetMemo.results[i];
    return;
  }
  const double azimuth = derived[0], elevation = derived[1], angle = derived[2],
               pattern = derived[3];
  dZerothLevel = 1.0 - pattern;
  dFirstLevel = pattern * 0.707;
  dCosAzLeft = std::cos(azimuth + angle);
  dSinAzLeft = std::sin(azimuth + angle);
  dCosElLeft = std::cos(elevation);
  dSinElLeft = std::sin(elevation);
  dCosAzRight = std::cos(azimuth - angle);
  dSinAzRight = std::sin(azimuth - angle);
  dCosElRight = std::cos(elevation);
  dSinElRight = std::sin(elevation);
  dXCoeffLeft = dCosAzLeft * dCosElLeft * dFirstLevel;
  dYCoeffLeft = dSinAzLeft * dCosElLeft * dFirstLevel;
  dZCoeffLeft = dSinElLeft * dFirstLevel;
  dXCoeffRight = dCosAzRight * dCosElRight * dFirstLevel;
  dYCoeffRight = dSinAzRight * dCosElRight * dFirstLevel;
  dZCoeffRight = dSinElRight * dFirstLevel;
  std::memcpy(targetMemo.derived, derived, sizeof derived);
  for (int i = 0; i < 16; ++i) targetMemo.results[i] = *results[i];
  targetMemo.valid = true;
}

template <bool accumulate>
void Pelrin::renderBlock(float** inputs, float** outputs, VstInt32 sampleFrames) {
  computeTargets();
  if (sampleFrames <= 0) return;
  // target * kAvCoef2 is the same product every sample: take it once.
  const Weights targetStep{dZerothLevel * kAvCoef2,  dXCoeffLeft * kAvCoef2,
                           dYCoeffLeft * kAvCoef2,   dZCoeffLeft * kAvCoef2,
                           dXCoeffRight * kAvCoef2,  dYCoeffRight * kAvCoef2,
                           dZCoeffRight * kAvCoef2};
  Weights k{dZerothLevelOld, dXCoeffLeftOld,  dYCoeffLeftOld, dZCoeffLeftOld,
            dXCoeffRightOld, dYCoeffRightOld, dZCoeffRightOld};
  auto settled = [&] {
    return step(k.zeroth, targetStep.zeroth) == k.zeroth &&
           step(k.xLeft, targetStep.xLeft) == k.xLeft &&
           step(k.yLeft, targetStep.yLeft) == k.yLeft &&
           step(k.zLeft, targetStep.zLeft) == k.zLeft &&
           step(k.xRight, targetStep.xRight) == k.xRight &&
           step(k.yRight, targetStep.yRight) == k.yRight &&
           step(k.zRight, targetStep.zRight) == k.zRight;
  };
  Frame last{};
  VstInt32 i = 0;
  while (i < sampleFrames && !settled()) {
    const VstInt32 end = sampleFrames - i > kGlideChunk ? i + kGlideChunk : sampleFrames;
    for (; i < end; ++i) {
      last = renderFrame<accumulate>(k, inputs, outputs, i);
      k.zeroth = step(k.zeroth, targetStep.zeroth);
      k.xLeft = step(k.xLeft, targetStep.xLeft);
      k.yLeft = step(k.yLeft, targetStep.yLeft);
      k.zLeft = step(k.zLeft, targetStep.zLeft);
      k.xRight = step(k.xRight, targetStep.xRight);
      k.yRight = step(k.yRight, targetStep.yRight);
      k.zRight = step(k.zRight, targetStep.zRight);
    }
  }
  if (i < sampleFrames) {
    if (buffersAllowVectors(inputs, outputs, sampleFrames)) {
      last = renderSettled(accumulate, k, inputs, outputs, i, sampleFrames);
    } else {
      for (; i < sampleFrames; ++i) last = renderFrame<accumulate>(k, inputs, outputs, i);
    }
  }
  newW = last.w;
  newX = last.x;
  newY = last.y;
  newZ = last.z;
  dZerothLevelOld = k.zeroth;
  dXCoeffLeftOld = k.xLeft;
  dYCoeffLeftOld = k.yLeft;
  dZCoeffLeftOld = k.zLeft;
  dXCoeffRightOld = k.xRight;
  dYCoeffRightOld = k.yRight;
  dZCoeffRightOld = k.zRight;
}

void Pelrin::process(float** inputs, float** outputs, VstInt32 sampleFrames) {
  renderBlock<true>(inputs, outputs, sampleFrames);
}

void Pelrin::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
  renderBlock<false>(inputs, outputs, sampleFrames);
}
