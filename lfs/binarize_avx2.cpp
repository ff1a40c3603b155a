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

struct Widen32 {
    typedef BinLanes<32>::i16 I16;
    static RIDGE_ALWAYS_INLINE void load(I16 &out, const unsigned char *p)
    {
        const __m256i lo = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)));
        const __m256i hi = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16)));
        std::memcpy(&out, &lo, sizeof lo);
        std::memcpy(reinterpret_cast<char *>(&out) + sizeof lo, &hi, sizeof hi);
    }
};

struct Widen8 {
    typedef BinLanes<8>::i16 I16;
    static RIDGE_ALWAYS_INLINE void load(I16 &out, const unsigned char *p)
    {
        out = reinterpret_cast<I16>(_mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p))));
    }
};

} // namespace

void binarize_span_avx2(const BinarizeSpan &span)
{
    binarize_stretch<32, Widen32, Widen8>(span);
}

} // namespace lfs

#else

namespace lfs {

// Never called: the level is not offered without the AVX2 unit.
void binarize_span_avx2(const BinarizeSpan &) {}

} // namespace lfs

#endif
