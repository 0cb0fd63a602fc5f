// The audio path: direction and pattern become target weights once per block;
// per sample the weights in use glide a thousandth of the way to their targets.
//
// Speed without changing a bit. Each weight's glide is a serial chain that
// bounds a gliding block, so the chains advance one frame at a time as in the
// plain loop while the microphones of four frames are formed side by side in
// vectors, each lane with the weights of its own frame. Once
// old * kAvCoef1 + target * kAvCoef2 rounds back to old, a weight stays there
// until its target changes (only at block start); from the moment all seven
// are at rest the rest of the block uses constant weights. Every vector lane
// performs exactly the scalar operations in the same order.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "Pelrin.h"
#include "block_buffers.h"
#include "smoothing.h"
#include "vector_lanes.h"

// Vector code throughout, always inlined (see vector_lanes.h).
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

// The seven smoothed weights, their targets, or their per-sample target terms.
struct Weights {
  double zeroth;
  double xLeft, yLeft, zLeft;
  double xRight, yRight, zRight;
};

// One glide step of all seven weights; targetTerm holds target * kAvCoef2.
__attribute__((always_inline)) inline Weights advance(const Weights& k, const Weights& targetTerm) {
  return {glideStep(k.zeroth, targetTerm.zeroth), glideStep(k.xLeft, targetTerm.xLeft),
          glideStep(k.yLeft, targetTerm.yLeft),   glideStep(k.zLeft, targetTerm.zLeft),
          glideStep(k.xRight, targetTerm.xRight), glideStep(k.yRight, targetTerm.yRight),
          glideStep(k.zRight, targetTerm.zRight)};
}

__attribute__((always_inline)) inline bool atRest(const Weights& k, const Weights& targetTerm) {
  const Weights next = advance(k, targetTerm);
  return next.zeroth == k.zeroth && next.xLeft == k.xLeft && next.yLeft == k.yLeft &&
         next.zLeft == k.zLeft && next.xRight == k.xRight && next.yRight == k.yRight &&
         next.zRight == k.zRight;
}

// The working values of one frame, kept as the fields newW..newZ after a block.
struct Frame {
  double w, x, y, z;
};

// One frame: both microphones from the same four inputs, which are all read
// before either output is written. Returns the frame's working values.
template <bool accumulate>
__attribute__((always_inline)) inline Frame renderFrame(const Weights& k, float* const* inputs,
                                                        float* const* outputs, VstInt32 i) {
  const double w = k.zeroth * static_cast<double>(inputs[0][i]) + kAntiDenorm;
  const double x = static_cast<double>(inputs[1][i]) + kAntiDenorm;
  const double y = static_cast<double>(inputs[2][i]) + kAntiDenorm;
  const double z = static_cast<double>(inputs[3][i]) + kAntiDenorm;
  const float m1 = static_cast<float>(w + k.xLeft * x + k.yLeft * y + k.zLeft * z);
  const float m2 = static_cast<float>(w + k.xRight * x + k.yRight * y + k.zRight * z);
  if constexpr (accumulate) {
    outputs[0][i] = static_cast<float>(static_cast<double>(outputs[0][i]) + (m1 + kAntiDenorm));
    outputs[1][i] = static_cast<float>(static_cast<double>(outputs[1][i]) + (m2 + kAntiDenorm));
  } else {
    outputs[0][i] = static_cast<float>(m1 + kAntiDenorm);
    outputs[1][i] = static_cast<float>(m2 + kAntiDenorm);
  }
  return {w, x, y, z};
}

// The weights of four frames, one frame per lane.
struct WeightVectors {
  Doubles4 zeroth;
  Doubles4 xLeft, yLeft, zLeft;
  Doubles4 xRight, yRight, zRight;
};

WeightVectors sameForFourFrames(const Weights& k) {
  return {Doubles4{} + k.zeroth, Doubles4{} + k.xLeft,  Doubles4{} + k.yLeft, Doubles4{} + k.zLeft,
          Doubles4{} + k.xRight, Doubles4{} + k.yRight, Doubles4{} + k.zRight};
}

// Weights this small multiply as subnormal numbers, which CPUs process many
// times slower, and a glide towards an exact zero (a level elevation, a
// pattern of 0 or 1) comes to rest at such a weight for good. Their products
// with any float stay below 2^-870 and vanish when added to a finite sum of at
// least 2^-800, so the settled loop adds exact zeros instead, and redoes the
// rare frames whose sums are smaller or not finite with the weights as they are.
constexpr double kNegligibleWeight = 0x1p-1000;
constexpr double kSafeSum = 0x1p-800;
constexpr double kLargestDouble = 0x1.fffffffffffffp1023;

bool isNegligible(double weight) { return weight != 0.0 && std::fabs(weight) < kNegligibleWeight; }

bool anyNegligible(const Weights& k) {
  return isNegligible(k.zeroth) || isNegligible(k.xLeft) || isNegligible(k.yLeft) ||
         isNegligible(k.zLeft) || isNegligible(k.xRight) || isNegligible(k.yRight) ||
         isNegligible(k.zRight);
}

double withoutNegligible(double weight) { return isNegligible(weight) ? 0.0 : weight; }

// Frames i..i+3 with the weights of v, lane by lane. Loads and stores keep the
// scalar frame's order, so in-place buffers behave as in the frame-by-frame
// loop. With `guarded`, v holds zeros for negligible weights and `exact` the
// weights themselves, used for the four frames if the check above fails.
template <bool accumulate, bool guarded>
__attribute__((always_inline)) inline void renderFourFrames(const WeightVectors& v,
                                                            const Weights& exact,
                                                            float* const* inputs,
                                                            float* const* outputs, VstInt32 i) {
  float* out1 = outputs[0];
  float* out2 = outputs[1];
  const Doubles4 w = v.zeroth * widen(loadFloats(inputs[0] + i)) + kAntiDenorm;
  const Doubles4 x = widen(loadFloats(inputs[1] + i)) + kAntiDenorm;
  const Doubles4 y = widen(loadFloats(inputs[2] + i)) + kAntiDenorm;
  const Doubles4 z = widen(loadFloats(inputs[3] + i)) + kAntiDenorm;
  const Doubles4 left1 = w + v.xLeft * x, left2 = left1 + v.yLeft * y, left = left2 + v.zLeft * z;
  const Doubles4 right1 = w + v.xRight * x, right2 = right1 + v.yRight * y,
                 right = right2 + v.zRight * z;
  if constexpr (guarded) {
    // The smallest partial sum, and the two results added: a NaN or an
    // infinity in either result makes that sum non-finite (an overflow of two
    // finite results only sends the frames the exact way too).
    const Doubles4 smallest = minimum(minimum(minimum(magnitude(w), magnitude(left1)),
                                              minimum(magnitude(left2), magnitude(right1))),
                                      magnitude(right2));
    const Bits4 ok = (smallest >= kSafeSum) & (magnitude(left + right) <= kLargestDouble);
    if (!allLanes(ok)) {
      for (VstInt32 j = i; j < i + 4; ++j) renderFrame<accumulate>(exact, inputs, outputs, j);
      return;
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

// A whole block: gliding chunks until every weight is at rest, then constant
// weights. Without `vectors` (buffers overlapping at an offset) every frame
// goes through the scalar loop. `last` comes in with the last frame's inputs
// as they were before the block and leaves with that frame's working values.
template <bool accumulate, bool vectors>
__attribute__((always_inline)) inline void renderAll(Weights& state, const Weights& targetTerm,
                                                     float* const* inputs, float* const* outputs,
                                                     VstInt32 n, Frame& last) {
  Weights k = state;
  double lastZeroth = k.zeroth;
  VstInt32 i = 0;
  while (i < n && !atRest(k, targetTerm)) {
    const VstInt32 end = n - i > kGlideChunk ? i + kGlideChunk : n;
    if constexpr (vectors) {
      // The seven chains side by side in two vectors (the eighth lane stays
      // 0), each lane gliding exactly as its scalar; four frames' values are
      // then turned into one vector per weight.
      Doubles4 left{k.zeroth, k.xLeft, k.yLeft, k.zLeft};
      Doubles4 right{k.xRight, k.yRight, k.zRight, 0.0};
      const Doubles4 leftTerm{targetTerm.zeroth, targetTerm.xLeft, targetTerm.yLeft,
                              targetTerm.zLeft};
      const Doubles4 rightTerm{targetTerm.xRight, targetTerm.yRight, targetTerm.zRight, 0.0};
      for (; i + 4 <= end; i += 4) {
        Doubles4 c[8];
        glideFourFrames(left, right, leftTerm, rightTerm, c);
        const WeightVectors v{c[0], c[1], c[2], c[3], c[4], c[5], c[6]};
        renderFourFrames<accumulate, false>(v, k, inputs, outputs, i);
        lastZeroth = c[0][3];
      }
      k = Weights{left[0], left[1], left[2], left[3], right[0], right[1], right[2]};
    }
    for (; i < end; ++i) {
      const Frame f = renderFrame<accumulate>(k, inputs, outputs, i);
      if constexpr (!vectors) last = f;
      lastZeroth = k.zeroth;
      k = advance(k, targetTerm);
    }
  }
  state = k;
  // Buffers that overlap only where they coincide keep the last frame's inputs
  // until that frame has read them: its working values follow from them.
  auto finish = [&](double zeroth) {
    if constexpr (vectors)
      last = {zeroth * last.w + kAntiDenorm, last.x + kAntiDenorm, last.y + kAntiDenorm,
              last.z + kAntiDenorm};
  };
  if (i >= n) {
    finish(lastZeroth);
    return;
  }
  if constexpr (vectors) {
    const bool guarded = anyNegligible(k);
    const Weights used = guarded ? Weights{withoutNegligible(k.zeroth), withoutNegligible(k.xLeft),
                                           withoutNegligible(k.yLeft),  withoutNegligible(k.zLeft),
                                           withoutNegligible(k.xRight), withoutNegligible(k.yRight),
                                           withoutNegligible(k.zRight)}
                                 : k;
    const WeightVectors v = sameForFourFrames(used);
    if (guarded) {
      for (; i + 4 <= n; i += 4) renderFourFrames<accumulate, true>(v, k, inputs, outputs, i);
    } else {
      for (; i + 4 <= n; i += 4) renderFourFrames<accumulate, false>(v, k, inputs, outputs, i);
    }
  }
  for (; i < n; ++i) {
    const Frame f = renderFrame<accumulate>(k, inputs, outputs, i);
    if constexpr (!vectors) last = f;
  }
  finish(k.zeroth);
}

// The block's frames, in one of the builds described at the top.
OXEL_DSP_CLONES void renderFrames(bool accumulate, Weights& state, const Weights& targetTerm,
                                  float* const* inputs, float* const* outputs, VstInt32 n,
                                  Frame& last) {
  const auto render = [&](auto accumulating, auto vectors) __attribute__((always_inline)) {
    renderAll<accumulating, vectors>(state, targetTerm, inputs, outputs, n, last);
  };
  renderWithFlags<4, 2>(accumulate, inputs, outputs, n, render);
}

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
  const PairWeights w = pairWeights({derived[0], derived[1], derived[2], derived[3]});
  dZerothLevel = w.zeroth;
  dFirstLevel = w.first;
  dCosAzLeft = w.cosAzLeft;
  dSinAzLeft = w.sinAzLeft;
  dCosElLeft = dCosElRight = w.cosEl;
  dSinElLeft = dSinElRight = w.sinEl;
  dCosAzRight = w.cosAzRight;
  dSinAzRight = w.sinAzRight;
  dXCoeffLeft = w.xLeft;
  dYCoeffLeft = w.yLeft;
  dZCoeffLeft = w.zLeft;
  dXCoeffRight = w.xRight;
  dYCoeffRight = w.yRight;
  dZCoeffRight = w.zRight;
  std::memcpy(targetMemo.derived, derived, sizeof derived);
  for (int i = 0; i < 16; ++i) targetMemo.results[i] = *results[i];
  targetMemo.valid = true;
}

template <bool accumulate>
void Pelrin::renderBlock(float** inputs, float** outputs, VstInt32 sampleFrames) {
  computeTargets();
  if (sampleFrames <= 0) return;
  // The last frame's inputs, read before any output may overwrite them (in
  // place): its working values are kept in newW..newZ.
  const VstInt32 lastIndex = sampleFrames - 1;
  Frame last{inputs[0][lastIndex], inputs[1][lastIndex], inputs[2][lastIndex],
             inputs[3][lastIndex]};
  // target * kAvCoef2 is the same product every sample: take it once.
  const Weights targetTerm{dZerothLevel * kAvCoef2,  dXCoeffLeft * kAvCoef2,
                           dYCoeffLeft * kAvCoef2,   dZCoeffLeft * kAvCoef2,
                           dXCoeffRight * kAvCoef2,  dYCoeffRight * kAvCoef2,
                           dZCoeffRight * kAvCoef2};
  if (bStartSettled) {
    dZerothLevelOld = dZerothLevel;
    dXCoeffLeftOld = dXCoeffLeft;
    dYCoeffLeftOld = dYCoeffLeft;
    dZCoeffLeftOld = dZCoeffLeft;
    dXCoeffRightOld = dXCoeffRight;
    dYCoeffRightOld = dYCoeffRight;
    dZCoeffRightOld = dZCoeffRight;
    bStartSettled = false;
  }
  Weights k{dZerothLevelOld, dXCoeffLeftOld,  dYCoeffLeftOld, dZCoeffLeftOld,
            dXCoeffRightOld, dYCoeffRightOld, dZCoeffRightOld};
  renderFrames(accumulate, k, targetTerm, inputs, outputs, sampleFrames, last);
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
