// What both signal paths need around their block loops: whether the host's
// buffers allow the vector loop, the marker that builds a loop once per
// instruction set, and the one place that turns the block's two choices
// (accumulate or replace, vectors or not) into compile-time flags.
#pragma once

#include <cstdint>
#include <type_traits>

#include "EffectRecord.h"

// The block loop is compiled three times and the loader picks the one this CPU
// runs (an ifunc): AVX-512 machines (whose 32 vector registers keep the glide
// chains out of memory), AVX, and the x86-64 baseline. The build never
// contracts into fused multiply-adds, so all three give the same bits.
// ThreadSanitizer's runtime is not ready when the loader runs the picker, so
// its builds keep the baseline.
#if defined(__SANITIZE_THREAD__)
#define OXEL_DSP_CLONES
#else
#define OXEL_DSP_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx", "default")))
#endif

// True when two buffers of n floats overlap without being the same buffer: a
// host that hands such buffers gets the frame-by-frame loop, whose result then
// depends on the exact order of every read and write.
inline bool overlapsOffset(const float* a, const float* b, VstInt32 n) {
  if (a == b) return false;
  const auto ua = reinterpret_cast<std::uintptr_t>(a);
  const auto ub = reinterpret_cast<std::uintptr_t>(b);
  const auto bytes = static_cast<std::uintptr_t>(n) * sizeof(float);
  return ua < ub + bytes && ub < ua + bytes;
}

// True unless some output overlaps an input or another output at an offset.
template <int numInputs, int numOutputs>
bool buffersAllowVectors(float* const* inputs, float* const* outputs, VstInt32 n) {
  for (int o = 0; o < numOutputs; ++o) {
    for (int in = 0; in < numInputs; ++in)
      if (overlapsOffset(outputs[o], inputs[in], n)) return false;
    for (int other = o + 1; other < numOutputs; ++other)
      if (overlapsOffset(outputs[o], outputs[other], n)) return false;
  }
  return true;
}

// Calls render(accumulate, vectors) with both as std::bool_constant, so the
// loop behind it is compiled once for each of the four cases: vectors unless
// some output overlaps an input or another output at an offset. `render` must
// be always inlined, or it would be built once, for the baseline instruction
// set, instead of inside each of the OXEL_DSP_CLONES builds.
template <int numInputs, int numOutputs, class Render>
__attribute__((always_inline)) inline void renderWithFlags(bool accumulate, float* const* inputs,
                                                           float* const* outputs, VstInt32 n,
                                                           Render&& render) {
  const bool vectors = buffersAllowVectors<numInputs, numOutputs>(inputs, outputs, n);
  if (accumulate) {
    if (vectors)
      render(std::true_type{}, std::true_type{});
    else
      render(std::true_type{}, std::false_type{});
  } else {
    if (vectors)
      render(std::false_type{}, std::true_type{});
    else
      render(std::false_type{}, std::false_type{});
  }
}
