// Lane kernel of the directional binarisation: G neighbouring pixels of one
// image row that share a grid, one pixel per vector lane. Included by
// binarize.cpp (baseline instruction set) and binarize_avx2.cpp (compiled
// for AVX2) only; everything here has internal linkage and the file uses
// nothing from the standard library that the AVX2 unit could instantiate
// for the rest of the program.
#ifndef RIDGESDK_LFS_BINARIZE_LANES_H
#define RIDGESDK_LFS_BINARIZE_LANES_H

#include "lfs/simd.h"

#include <cstdint>
#include <cstring>

namespace lfs {

// One stretch of an image row whose pixels share a grid.
struct BinarizeSpan {
    unsigned char *out;       // first output pixel
    const unsigned char *src; // its pixel in the padded image
    const int *grid;          // grid_w * grid_h offsets, row by row
    int grid_w, grid_h, cy;   // cy: the centre row
    int count;                // pixels in the stretch
};

// Largest grid the 16-bit lanes take: 9 x (centre row sum) and the grid sum
// stay below 32768 for any 8-bit pixels.
constexpr int kMaxLaneGridSamples = 128;

void binarize_span_vector(const BinarizeSpan &span);
void binarize_span_avx2(const BinarizeSpan &span);

namespace {

template <int G> struct BinLanes {
    typedef int16_t i16 __attribute__((vector_size(2 * G)));
    typedef int8_t i8 __attribute__((vector_size(G)));
    typedef uint8_t u8 __attribute__((vector_size(G)));
};

template <int G> struct PortableWiden {
    typedef typename BinLanes<G>::i16 I16;
    static RIDGE_ALWAYS_INLINE void load(I16 &out, const unsigned char *p)
    {
        typename BinLanes<G>::u8 v;
        std::memcpy(&v, p, G);
        out = __builtin_convertvector(v, I16);
    }
};

// The decision of dirbinarize for G pixels: 0 where 9 x (centre row sum)
// is below the grid sum, else 255.
template <int G, class Load>
RIDGE_ALWAYS_INLINE void binarize_lanes(unsigned char *out, const unsigned char *src, const int *grid, int grid_w,
                                        int grid_h, int cy)
{
    typedef typename BinLanes<G>::i16 I16;
    I16 gsum{}, csum{};
    for (int gy = 0; gy < grid_h; ++gy) {
        I16 rsum{};
        for (int gx = 0; gx < grid_w; ++gx) {
            I16 p;
            Load::load(p, src + *grid++);
            rsum += p;
        }
        gsum += rsum;
        if (gy == cy)
            csum = rsum;
    }
    const I16 ridge = csum * static_cast<int16_t>(grid_h) < gsum; // -1 or 0 per lane
    const typename BinLanes<G>::i8 narrow = __builtin_convertvector(ridge, typename BinLanes<G>::i8);
    const typename BinLanes<G>::i8 value = ~narrow; // 0 for ridge, -1 (255) for valley
    std::memcpy(out, &value, G);
}

// A whole stretch: G pixels at a time, then 8, then one by one.
template <int G, class Load, class Load8>
RIDGE_ALWAYS_INLINE void binarize_stretch(const BinarizeSpan &s)
{
    int x = 0;
    for (; x + G <= s.count; x += G)
        binarize_lanes<G, Load>(s.out + x, s.src + x, s.grid, s.grid_w, s.grid_h, s.cy);
    for (; x + 8 <= s.count; x += 8)
        binarize_lanes<8, Load8>(s.out + x, s.src + x, s.grid, s.grid_w, s.grid_h, s.cy);
    for (; x < s.count; ++x) {
        int gsum = 0, csum = 0;
        const int *g = s.grid;
        for (int gy = 0; gy < s.grid_h; ++gy) {
            int rsum = 0;
            for (int gx = 0; gx < s.grid_w; ++gx)
                rsum += s.src[x + *g++];
            gsum += rsum;
            if (gy == s.cy)
                csum = rsum;
        }
        s.out[x] = csum * s.grid_h < gsum ? 0 : 255;
    }
}

} // namespace
} // namespace lfs

#endif
