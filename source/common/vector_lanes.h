// Four-lane vectors for the signal paths' block loops: four floats or four
// doubles side by side, exact conversions between them, and lane shuffles.
// Every lane performs exactly the scalar operation, so a vector loop gives
// the bits of the frame-by-frame loop.
#pragma once

#include <cstring>

// Vector arguments of 32 bytes pass differently between compiler versions and
// instruction sets; GCC warns (-Wpsabi) at every function that takes or
// returns one. Vector code is always inlined into the one function that runs
// a block, so no call crosses that boundary. The warning is off for these
// helpers only; a signal path's source file, whose vector code GCC checks
// again when it emits the file, turns it off for itself.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

using Doubles4 = double __attribute__((vector_size(32)));
using Floats4 = float __attribute__((vector_size(16)));
using Bits4 = long long __attribute__((vector_size(32)));

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
__attribute__((always_inline)) inline Doubles4 magnitude(Doubles4 v) {
  return reinterpret_cast<Doubles4>(reinterpret_cast<Bits4>(v) & 0x7fffffffffffffffLL);
}
// Lane-wise minimum of two vectors without NaNs.
__attribute__((always_inline)) inline Doubles4 minimum(Doubles4 a, Doubles4 b) {
  return a < b ? a : b;
}
// True when every lane of the mask is set.
__attribute__((always_inline)) inline bool allLanes(Bits4 mask) {
  long long lanes[4];
  std::memcpy(lanes, &mask, sizeof lanes);
  return (lanes[0] & lanes[1] & lanes[2] & lanes[3]) != 0;
}

// Rows r0..r3 become columns: lane j of result i is lane i of row j.
__attribute__((always_inline)) inline void transpose(Doubles4 r0, Doubles4 r1, Doubles4 r2,
                                                     Doubles4 r3, Doubles4& c0, Doubles4& c1,
                                                     Doubles4& c2, Doubles4& c3) {
  const Doubles4 t0 = __builtin_shuffle(r0, r1, Bits4{0, 4, 2, 6});
  const Doubles4 t1 = __builtin_shuffle(r0, r1, Bits4{1, 5, 3, 7});
  const Doubles4 t2 = __builtin_shuffle(r2, r3, Bits4{0, 4, 2, 6});
  const Doubles4 t3 = __builtin_shuffle(r2, r3, Bits4{1, 5, 3, 7});
  c0 = __builtin_shuffle(t0, t2, Bits4{0, 1, 4, 5});
  c1 = __builtin_shuffle(t1, t3, Bits4{0, 1, 4, 5});
  c2 = __builtin_shuffle(t0, t2, Bits4{2, 3, 6, 7});
  c3 = __builtin_shuffle(t1, t3, Bits4{2, 3, 6, 7});
}

#pragma GCC diagnostic pop
