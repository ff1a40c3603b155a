// The batched directional powers compiled for AVX2 (16 blocks per batch).
// This unit is compiled with -mavx2 and only ever called after the
// processor has been found to have AVX2.
#include "extract/maps/block_powers_lanes.h"
#include "lfs/simd.h"

#if RIDGE_HAVE_AVX2_PATHS
#if !defined(__AVX2__)
#error "units named *_avx2.cpp are compiled with -mavx2"
#endif

#include "extract/maps/block_powers_kernel.h"

#include <immintrin.h>

namespace ridge {

namespace {

struct Avx2Ops {
    static constexpr int G = kAvx2Lanes;
    typedef LaneTypes<G>::u16 U16;
    typedef int32_t I32 __attribute__((vector_size(32)));
    static RIDGE_ALWAYS_INLINE void load(U16 &out, const uint8_t *p)
    {
        out = reinterpret_cast<U16>(_mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p))));
    }
    static RIDGE_ALWAYS_INLINE void widen(const U16 &v, I32 &lo, I32 &hi)
    {
        const __m256i w = reinterpret_cast<__m256i>(v);
        lo = reinterpret_cast<I32>(_mm256_cvtepu16_epi32(_mm256_castsi256_si128(w)));
        hi = reinterpret_cast<I32>(_mm256_cvtepu16_epi32(_mm256_extracti128_si256(w, 1)));
    }
};

} // namespace

void lane_sums_avx2(const LaneBatch &batch, int32_t *a, int32_t *b)
{
    lane_sums<Avx2Ops>(batch, a, b);
}

void lane_powers_avx2(const int32_t *a, const int32_t *b, float *power, int count)
{
    const __m256d scale = _mm256_set1_pd(1.0 / 1048576.0);
    for (int i = 0; i < count; i += 4) {
        const __m256d da = _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i *>(a + i)));
        const __m256d db = _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i *>(b + i)));
        const __m256d sum = _mm256_add_pd(_mm256_mul_pd(da, da), _mm256_mul_pd(db, db));
        const __m128i shifted = _mm256_cvttpd_epi32(_mm256_mul_pd(sum, scale));
        _mm_storeu_ps(power + i, _mm_cvtepi32_ps(shifted));
    }
}

} // namespace ridge

#else

namespace ridge {

// Never called: the level is not offered without the AVX2 unit.
void lane_sums_avx2(const LaneBatch &, int32_t *, int32_t *) {}
void lane_powers_avx2(const int32_t *, const int32_t *, float *, int) {}

} // namespace ridge

#endif
