// The audio path: once per block the order assigns the three angles to the
// planes and each plane gets a target sine and cosine; per sample the field is
// turned with the smoothed pairs, which then glide a thousandth of the way on.
//
// Speed without changing a bit. Each value's glide is a serial chain that
// bounds a gliding block, so the six chains advance one frame at a time as in
// the plain loop (side by side in vector lanes) while the rotations of four
// frames run side by side in vectors, each lane with the values of its own
// frame. Once old * kAvCoef1 + target * kAvCoef2 rounds back to old, a value
// stays there until its target changes (only at block start); from the moment
// all six are at rest the rest of the block uses constant coefficients. Every
// vector lane performs exactly the scalar operations in the same order.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "Tavrel.h"
#include "block_buffers.h"
#include "smoothing.h"
#include "vector_lanes.h"

// Vector code throughout, always inlined (see vector_lanes.h).
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

enum Plane : int { kRotate = 0, kTilt = 1, kTumble = 2 };

// The plane turned by the first, second and third operation of each order.
constexpr Plane kPlanesOfOrder[Tavrel::kNumOrders][3] = {
    {kRotate, kTilt, kTumble}, {kRotate, kTumble, kTilt}, {kTilt, kRotate, kTumble},
    {kTilt, kTumble, kRotate}, {kTumble, kRotate, kTilt}, {kTumble, kTilt, kRotate}};

// Sines and cosines of the three operations of a block, in the order applied.
struct StepCoefficients {
  double sine[3];
  double cosine[3];
};

// One plane rotation with the anti-denormal offsets, on doubles or on vectors
// of doubles: P' = (c*P + 1e-20) - s*Q, Q' = (s*P + 1e-20) + c*Q.
template <Plane plane, class T, class S>
__attribute__((always_inline)) inline void turn(S s, S c, T& x, T& y, T& z) {
  if constexpr (plane == kRotate) {
    const T p = x, q = y;
    x = (c * p + kAntiDenorm) - s * q;
    y = (s * p + kAntiDenorm) + c * q;
  } else if constexpr (plane == kTilt) {
    const T p = y, q = z;
    y = (c * p + kAntiDenorm) - s * q;
    z = (s * p + kAntiDenorm) + c * q;
  } else {
    const T p = x, q = z;
    x = (c * p + kAntiDenorm) - s * q;
    z = (s * p + kAntiDenorm) + c * q;
  }
}

// One frame with the given coefficients: all four inputs are read before any
// output is written, so in-place buffers give the same samples.
template <int order, bool accumulate>
__attribute__((always_inline)) inline void renderFrame(const StepCoefficients& k,
                                                       float* const* inputs,
                                                       float* const* outputs, VstInt32 i) {
  constexpr Plane p0 = kPlanesOfOrder[order][0];
  constexpr Plane p1 = kPlanesOfOrder[order][1];
  constexpr Plane p2 = kPlanesOfOrder[order][2];
  const float w = inputs[0][i];
  double x = inputs[1][i];
  double y = inputs[2][i];
  double z = inputs[3][i];
  turn<p0>(k.sine[0], k.cosine[0], x, y, z);
  turn<p1>(k.sine[1], k.cosine[1], x, y, z);
  turn<p2>(k.sine[2], k.cosine[2], x, y, z);
  if constexpr (accumulate) {
    outputs[0][i] = outputs[0][i] + w;
    outputs[1][i] = static_cast<float>(static_cast<double>(outputs[1][i]) + x);
    outputs[2][i] = static_cast<float>(static_cast<double>(outputs[2][i]) + y);
    outputs[3][i] = static_cast<float>(static_cast<double>(outputs[3][i]) + z);
  } else {
    outputs[0][i] = w;
    outputs[1][i] = static_cast<float>(x);
    outputs[2][i] = static_cast<float>(y);
    outputs[3][i] = static_cast<float>(z);
  }
}

// A block's channel pointers, read once from the host's arrays before a
// loop. The samples are stored with memcpy, which may write anything as far
// as the compiler knows, so pointers read from the arrays inside the loop
// would be loaded again at every step.
struct Channels {
  const float* in[4];
  float* out[4];
};

__attribute__((always_inline)) inline Channels channelsOf(float* const* inputs,
                                                          float* const* outputs) {
  return {{inputs[0], inputs[1], inputs[2], inputs[3]},
          {outputs[0], outputs[1], outputs[2], outputs[3]}};
}

// Frames i..i+3, lane by lane, each lane with the sines and cosines of its
// own frame. Loads and stores per channel keep the scalar frame's order, so
// identical input and output buffers (in place, or channels sharing a buffer)
// behave as in the frame-by-frame loop.
template <int order, bool accumulate>
__attribute__((always_inline)) inline void renderFourFrames(Doubles4 s0, Doubles4 c0, Doubles4 s1,
                                                            Doubles4 c1, Doubles4 s2, Doubles4 c2,
                                                            Channels channels, VstInt32 i) {
  float* outW = channels.out[0];
  float* outX = channels.out[1];
  float* outY = channels.out[2];
  float* outZ = channels.out[3];
  const Floats4 w = loadFloats(channels.in[0] + i);
  Doubles4 x = widen(loadFloats(channels.in[1] + i));
  Doubles4 y = widen(loadFloats(channels.in[2] + i));
  Doubles4 z = widen(loadFloats(channels.in[3] + i));
  turn<kPlanesOfOrder[order][0]>(s0, c0, x, y, z);
  turn<kPlanesOfOrder[order][1]>(s1, c1, x, y, z);
  turn<kPlanesOfOrder[order][2]>(s2, c2, x, y, z);
  if constexpr (accumulate) {
    storeFloats(outW + i, loadFloats(outW + i) + w);
    storeFloats(outX + i, narrow(widen(loadFloats(outX + i)) + x));
    storeFloats(outY + i, narrow(widen(loadFloats(outY + i)) + y));
    storeFloats(outZ + i, narrow(widen(loadFloats(outZ + i)) + z));
  } else {
    storeFloats(outW + i, w);
    storeFloats(outX + i, narrow(x));
    storeFloats(outY + i, narrow(y));
    storeFloats(outZ + i, narrow(z));
  }
}

// Frames begin..end with constant coefficients, four frames per step.
template <int order, bool accumulate>
__attribute__((always_inline)) inline void renderSettledFrames(const StepCoefficients& k,
                                                               float* const* inputs,
                                                               float* const* outputs,
                                                               VstInt32 begin, VstInt32 end) {
  const Doubles4 s0 = Doubles4{} + k.sine[0], c0 = Doubles4{} + k.cosine[0];
  const Doubles4 s1 = Doubles4{} + k.sine[1], c1 = Doubles4{} + k.cosine[1];
  const Doubles4 s2 = Doubles4{} + k.sine[2], c2 = Doubles4{} + k.cosine[2];
  const Channels channels = channelsOf(inputs, outputs);
  VstInt32 i = begin;
  for (; i + 4 <= end; i += 4)
    renderFourFrames<order, accumulate>(s0, c0, s1, c1, s2, c2, channels, i);
  for (; i < end; ++i) renderFrame<order, accumulate>(k, inputs, outputs, i);
}

// One glide step of the three sines and cosines; step holds target * kAvCoef2.
__attribute__((always_inline)) inline void advance(StepCoefficients& k,
                                                   const StepCoefficients& step) {
#pragma GCC unroll 4
  for (int s = 0; s < 3; ++s) {
    k.sine[s] = glideStep(k.sine[s], step.sine[s]);
    k.cosine[s] = glideStep(k.cosine[s], step.cosine[s]);
  }
}

// True when a glide step would leave every value where it is.
__attribute__((always_inline)) inline bool atRest(const StepCoefficients& k,
                                                  const StepCoefficients& step) {
  bool settled = true;
#pragma GCC unroll 4
  for (int s = 0; s < 3; ++s) {
    settled = settled && glideStep(k.sine[s], step.sine[s]) == k.sine[s];
    settled = settled && glideStep(k.cosine[s], step.cosine[s]) == k.cosine[s];
  }
  return settled;
}

// Gliding frames begin..end, four frames per step: the six glides advance one
// frame at a time as in the scalar loop (a serial chain each, which bounds the
// speed), and the four frames' rotations run side by side in vectors, each lane
// with the values its frame uses.
template <int order, bool accumulate>
__attribute__((always_inline)) inline void renderGlidingFrames(StepCoefficients& state,
                                                               const StepCoefficients& step,
                                                               float* const* inputs,
                                                               float* const* outputs,
                                                               VstInt32 begin, VstInt32 end) {
  // The six chains side by side in two vectors (the last two lanes stay 0),
  // each lane gliding exactly as its scalar; four frames' values are then
  // turned into one vector per sine and cosine.
  Doubles4 first{state.sine[0], state.sine[1], state.sine[2], state.cosine[0]};
  Doubles4 second{state.cosine[1], state.cosine[2], 0.0, 0.0};
  const Doubles4 firstStep{step.sine[0], step.sine[1], step.sine[2], step.cosine[0]};
  const Doubles4 secondStep{step.cosine[1], step.cosine[2], 0.0, 0.0};
  const Channels channels = channelsOf(inputs, outputs);
  VstInt32 i = begin;
  for (; i + 4 <= end; i += 4) {
    Doubles4 c[8];  // sine 0..2, cosine 0..2, two unused
    glideFourFrames(first, second, firstStep, secondStep, c);
    renderFourFrames<order, accumulate>(c[0], c[3], c[1], c[4], c[2], c[5], channels, i);
  }
  StepCoefficients k{{first[0], first[1], first[2]}, {first[3], second[0], second[1]}};
  for (; i < end; ++i) {
    renderFrame<order, accumulate>(k, inputs, outputs, i);
    advance(k, step);
  }
  state = k;
}

// A whole block in one order: gliding chunks until every value has come to
// rest, then the settled loop. Without `vectors` (buffers overlapping at an
// offset) every frame goes through the scalar loop.
template <int order, bool accumulate, bool vectors>
__attribute__((always_inline)) inline void renderOrder(StepCoefficients& old,
                                                       const StepCoefficients& target,
                                                       float* const* inputs,
                                                       float* const* outputs,
                                                       VstInt32 sampleFrames) {
  // target * kAvCoef2 is the same product every sample: take it once.
  StepCoefficients step;
#pragma GCC unroll 4
  for (int s = 0; s < 3; ++s) {
    step.sine[s] = target.sine[s] * kAvCoef2;
    step.cosine[s] = target.cosine[s] * kAvCoef2;
  }
  StepCoefficients k = old;
  VstInt32 i = 0;
  while (i < sampleFrames && !atRest(k, step)) {
    const VstInt32 end = sampleFrames - i > kGlideChunk ? i + kGlideChunk : sampleFrames;
    if constexpr (vectors) {
      renderGlidingFrames<order, accumulate>(k, step, inputs, outputs, i, end);
      i = end;
    } else {
      for (; i < end; ++i) {
        renderFrame<order, accumulate>(k, inputs, outputs, i);
        advance(k, step);
      }
    }
  }
  old = k;
  if constexpr (vectors) {
    renderSettledFrames<order, accumulate>(k, inputs, outputs, i, sampleFrames);
  } else {
    for (; i < sampleFrames; ++i) renderFrame<order, accumulate>(k, inputs, outputs, i);
  }
}

// The block's frames, in one of the builds described at the top.
OXEL_DSP_CLONES void renderFrames(bool accumulate, VstInt32 order, StepCoefficients& old,
                                  const StepCoefficients& target, float* const* inputs,
                                  float* const* outputs, VstInt32 n) {
  const auto render = [&](auto accumulating, auto vectors) __attribute__((always_inline)) {
    switch (order) {
      case 0: renderOrder<0, accumulating, vectors>(old, target, inputs, outputs, n); break;
      case 1: renderOrder<1, accumulating, vectors>(old, target, inputs, outputs, n); break;
      case 2: renderOrder<2, accumulating, vectors>(old, target, inputs, outputs, n); break;
      case 3: renderOrder<3, accumulating, vectors>(old, target, inputs, outputs, n); break;
      case 4: renderOrder<4, accumulating, vectors>(old, target, inputs, outputs, n); break;
      default: renderOrder<5, accumulating, vectors>(old, target, inputs, outputs, n); break;
    }
  };
  renderWithFlags<4, 4>(accumulate, inputs, outputs, n, render);
}

}  // namespace

VstInt32 Tavrel::computeTargets() {
  const VstInt32 order = processedOrderOf(fOrder);
  const double angles[3] = {dAngle1, dAngle2, dAngle3};
  double* sines[3] = {&dSinRotate, &dSinTilt, &dSinTumble};
  double* cosines[3] = {&dCosRotate, &dCosTilt, &dCosTumble};
  // Same bits in, same bits out: angles compared as bits, so that 0 and -0 differ.
  if (!targetMemo.valid || std::memcmp(angles, targetMemo.angles, sizeof angles) != 0) {
    for (int step = 0; step < 3; ++step) {
      targetMemo.sine[step] = std::sin(angles[step]) + kAntiDenorm;
      targetMemo.cosine[step] = std::cos(angles[step]) + kAntiDenorm;
    }
    std::memcpy(targetMemo.angles, angles, sizeof angles);
    targetMemo.valid = true;
  }
  for (int step = 0; step < 3; ++step) {
    const Plane plane = kPlanesOfOrder[order][step];
    *sines[plane] = targetMemo.sine[step];
    *cosines[plane] = targetMemo.cosine[step];
  }
  return order;
}

template <bool accumulate>
void Tavrel::renderBlock(float** inputs, float** outputs, VstInt32 sampleFrames) {
  const VstInt32 order = computeTargets();
  if (sampleFrames <= 0) return;
  double* sineOld[3] = {&dSinRotateOld, &dSinTiltOld, &dSinTumbleOld};
  double* cosineOld[3] = {&dCosRotateOld, &dCosTiltOld, &dCosTumbleOld};
  const double sineTarget[3] = {dSinRotate, dSinTilt, dSinTumble};
  const double cosineTarget[3] = {dCosRotate, dCosTilt, dCosTumble};
  if (bStartSettled) {
    for (int plane = 0; plane < 3; ++plane) {
      *sineOld[plane] = sineTarget[plane];
      *cosineOld[plane] = cosineTarget[plane];
    }
    bStartSettled = false;
  }
  // Per block the planes are visited in the order's sequence: gather their
  // state by step, run the frames, and scatter it back.
  StepCoefficients old{}, target{};
  for (int step = 0; step < 3; ++step) {
    const Plane plane = kPlanesOfOrder[order][step];
    old.sine[step] = *sineOld[plane];
    old.cosine[step] = *cosineOld[plane];
    target.sine[step] = sineTarget[plane];
    target.cosine[step] = cosineTarget[plane];
  }
  renderFrames(accumulate, order, old, target, inputs, outputs, sampleFrames);
  for (int step = 0; step < 3; ++step) {
    const Plane plane = kPlanesOfOrder[order][step];
    *sineOld[plane] = old.sine[step];
    *cosineOld[plane] = old.cosine[step];
  }
}

void Tavrel::process(float** inputs, float** outputs, VstInt32 sampleFrames) {
  renderBlock<true>(inputs, outputs, sampleFrames);
}

void Tavrel::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
  renderBlock<false>(inputs, outputs, sampleFrames);
}
