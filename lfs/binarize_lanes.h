// Lane kernel of the directional binarisation: neighbouring pixels of one
// image row that share a grid, one pixel per 16-bit vector lane. Included
// by binarize.cpp (baseline instruction set) and binarize_avx2.cpp
// (compiled for AVX2) only; everything here has internal linkage and the
// file uses nothing from the standard library that the AVX2 unit could
// instantiate for the rest of the program.
#ifndef RIDGESDK_LFS_BINARIZE_LANES_H
#define RIDGESDK_LFS_BINARIZE_LANES_H

#include "lfs/simd.h"

#include <cstdint>

namespace lfs {

// One stretch of an image row whose pixels share a grid.
struct BinarizeSpan {
    unsigned char *out;       // first output pixel
    const unsigned char *src; // its pixel in the padded image
    const int *grid;          // grid_w * grid_h offsets, row by row
    int grid_w, grid_h, cy;   // cy: the centre row
    int count;                // pixels in the stretch
};

// Largest grid the 16-bit lanes take: grid_h x (centre row sum) and the
// grid sum stay below 32768 for any 8-bit pixels.
constexpr int kMaxLaneGridSamples = 128;

void binarize_span_vector(const BinarizeSpan &span);
void binarize_span_avx2(const BinarizeSpan &span);

namespace {

// The decision of dirbinarize for U vectors of neighbouring pixels: 0 where
// grid_h x (centre row sum) is below the grid sum, else 255. Ops gives the
// vector type V (16-bit lanes, Ops::L of them), a widening load of L pixels
// and the store of U vectors of valley masks as bytes.
template <class Ops, int U>
RIDGE_ALWAYS_INLINE void binarize_lanes(unsigned char *out, const unsigned char *src, const int *grid, int grid_w,
                                        int grid_h, int cy)
{
    typedef typename Ops::V V;
    V gsum[U], csum[U];
    for (int u = 0; u < U; ++u)
        gsum[u] = csum[u] = V{};
    for (int gy = 0; gy < grid_h; ++gy) {
        V rsum[U];
        for (int u = 0; u < U; ++u)
            rsum[u] = V{};
        for (int gx = 0; gx < grid_w; ++gx) {
            const unsigned char *p = src + *grid++;
            for (int u = 0; u < U; ++u)
                rsum[u] += Ops::load(p + u * Ops::L);
        }
        for (int u = 0; u < U; ++u)
            gsum[u] += rsum[u];
        if (gy == cy)
            for (int u = 0; u < U; ++u)
                csum[u] = rsum[u];
    }
    V valley[U];
    for (int u = 0; u < U; ++u)
        valley[u] = ~(csum[u] * static_cast<short>(grid_h) < gsum[u]); // -1 valley, 0 ridge
    Ops::template store<U>(out, valley);
}

// The decision for one pixel, the plain reference: a ridge (0) when its
// grid's centre row is darker than the grid's mean row, grid_h x centre-row
// sum below the sum of all rows; else a valley (255).
inline unsigned char dirbinarize(const unsigned char *pptr, const int *grid, int grid_w, int grid_h, int cy)
{
    int gsum = 0, csum = 0;
    for (int gy = 0; gy < grid_h; gy++) {
        int rsum = 0;
        for (int gx = 0; gx < grid_w; gx++)
            rsum += pptr[*grid++];
        gsum += rsum;
        if (gy == cy)
            csum = rsum;
    }
    return csum * grid_h < gsum ? 0 : 255;
}

inline void binarize_pixels(const BinarizeSpan &s, int from)
{
    for (int x = from; x < s.count; ++x)
        s.out[x] = dirbinarize(s.src + x, s.grid, s.grid_w, s.grid_h, s.cy);
}

} // namespace
} // namespace lfs

#endif
