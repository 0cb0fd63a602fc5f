// Marks a hot loop to be compiled twice, for AVX and for the x86-64 baseline,
// with the loader picking one for the CPU it runs on (an ifunc). No FMA is
// involved, so both versions give the same bits. ThreadSanitizer's runtime is
// not ready when the loader runs the picker, so its builds keep the baseline.
#pragma once

#if defined(__SANITIZE_THREAD__)
#define OXEL_CLONE_FOR_AVX
#else
#define OXEL_CLONE_FOR_AVX __attribute__((target_clones("avx", "default")))
#endif
