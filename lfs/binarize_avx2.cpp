// The directional binarisation's lane kernel compiled for AVX2 (32 pixels
// at a time). Compiled with -mavx2 and only called after the processor has
// been found to have AVX2.
#include "lfs/binarize_lanes.h"

#if RIDGE_HAVE_AVX2_PATHS
#if !defined(__AVX2__)
#error "units named *_avx2.cpp are compiled with -mavx2"
#endif

#include <immintrin.h>

namespace lfs {

namespace {

typedef short I16x16 __attribute__((vector_size(32)));
typedef short I16x8 __attribute__((vector_size(16)));

struct Avx2Ops {
    typedef I16x16 V;
    static constexpr int L = 16;
    static RIDGE_ALWAYS_INLINE V load(const unsigned char *p)
    {
        return reinterpret_cast<V>(_mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p))));
    }
    template <int U> static RIDGE_ALWAYS_INLINE void store(unsigned char *out, const V *valley)
    {
        const __m256i a = reinterpret_cast<__m256i>(valley[0]);
        const __m256i b = U == 2 ? reinterpret_cast<__m256i>(valley[U - 1]) : a;
        // packs works within 128-bit halves: reorder the quarters after it.
        const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packs_epi16(a, b), 0xD8);
        if (U == 2)
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(out), bytes);
        else
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm256_castsi256_si128(bytes));
    }
};

struct Avx2HalfOps {
    typedef I16x8 V;
    static constexpr int L = 8;
    static RIDGE_ALWAYS_INLINE V load(const unsigned char *p)
    {
        return reinterpret_cast<V>(_mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p))));
    }
    template <int U> static RIDGE_ALWAYS_INLINE void store(unsigned char *out, const V *valley)
    {
        const __m128i a = reinterpret_cast<__m128i>(valley[0]);
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out), _mm_packs_epi16(a, a));
    }
};

} // namespace

void binarize_span_avx2(const BinarizeSpan &s)
{
    int x = 0;
    for (; x + 32 <= s.count; x += 32)
        binarize_lanes<Avx2Ops, 2>(s.out + x, s.src + x, s.grid, s.grid_w, s.grid_h, s.cy);
    for (; x + 16 <= s.count; x += 16)
        binarize_lanes<Avx2Ops, 1>(s.out + x, s.src + x, s.grid, s.grid_w, s.grid_h, s.cy);
    for (; x + 8 <= s.count; x += 8)
        binarize_lanes<Avx2HalfOps, 1>(s.out + x, s.src + x, s.grid, s.grid_w, s.grid_h, s.cy);
    binarize_pixels(s, x);
}

} // namespace lfs

#else

namespace lfs {

// Never called: the level is not offered without the AVX2 unit.
void binarize_span_avx2(const BinarizeSpan &) {}

} // namespace lfs

#endif
