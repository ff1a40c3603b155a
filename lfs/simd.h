// Which vector instructions the detector's fast paths use. Every fast path
// keeps a plain reference beside it and gives exactly its results; the level
// only decides how wide the arithmetic runs.
#ifndef RIDGESDK_LFS_SIMD_H
#define RIDGESDK_LFS_SIMD_H

// AVX2 variants live in units named *_avx2.cpp, which the build compiles
// for AVX2 (and marks with RIDGESDK_AVX2_UNITS) on x86-64 with GCC or Clang;
// they are chosen at run time. The Vector level is SSE2, always there on
// x86-64; a build without SSE2 (the 32-bit Windows one) runs the plain
// paths at that level.
#if defined(RIDGESDK_AVX2_UNITS) && defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define RIDGE_HAVE_AVX2_PATHS 1
#else
#define RIDGE_HAVE_AVX2_PATHS 0
#endif

#if defined(__GNUC__) || defined(__clang__)
#define RIDGE_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define RIDGE_ALWAYS_INLINE inline
#endif

namespace lfs {

enum class SimdLevel {
    Plain,  // the reference: one pixel, one window at a time
    Vector, // the baseline vector instructions: SSE2 on x86-64
    Avx2,   // the same code compiled for AVX2, when the processor has it
};

// The widest level this build and this processor support.
SimdLevel best_simd_level();

// True when the level can run here (Plain and Vector always can).
bool simd_level_available(SimdLevel level);

} // namespace lfs

#endif
