#pragma once

// On x86-64 the hot loops of the transform and the filter are also compiled for
// AVX2 and the best version is picked once at load time, so one binary runs
// everywhere and uses the wider vectors where they exist. FMA is left out on
// purpose: every version then does the same float operations in the same order
// and gives bit-identical results.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define QUORVANE_SIMD_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define QUORVANE_SIMD_CLONES
#endif
