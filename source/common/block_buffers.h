// What both signal paths need for their block loops: whether the host's
// buffers allow the vector loop, the marker that builds a loop once per
// instruction set, and four-lane vector helpers.
#pragma once

#include <cstdint>
#include <cstring>

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

// Four-lane vectors for the block loops, and exact conversions between them.
// Vector arguments of 32 bytes are fine here: these helpers are always inlined.
#pragma GCC diagnostic ignored "-Wpsabi"
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
