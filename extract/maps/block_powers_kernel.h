// The lane kernel of the batched directional powers: G blocks side by side,
// one block per vector lane. Included by block_powers.cpp (baseline
// instruction set) and block_powers_avx2.cpp (compiled for AVX2) only, each
// of which gets its own copy: everything here has internal linkage, and the
// file uses nothing from the standard library that the AVX2 unit could
// instantiate for the rest of the program.
#ifndef RIDGESDK_EXTRACT_MAPS_BLOCK_POWERS_KERNEL_H
#define RIDGESDK_EXTRACT_MAPS_BLOCK_POWERS_KERNEL_H

#include "extract/maps/block_powers_lanes.h"
#include "lfs/simd.h"

#include <cstdint>
#include <cstring>

namespace ridge {
namespace {

template <int G> struct LaneTypes {
    typedef uint8_t u8 __attribute__((vector_size(G)));
    typedef uint16_t u16 __attribute__((vector_size(2 * G)));
    typedef int32_t i32 __attribute__((vector_size(4 * G)));
};

// Row sums and reversed column sums of one 24 x 24 grid for every lane.
template <int G, class Load>
RIDGE_ALWAYS_INLINE void walk_grid_lanes(const uint8_t *base, const int32_t *table,
                                         typename LaneTypes<G>::u16 *rows, typename LaneTypes<G>::u16 *cols_rev)
{
    typedef typename LaneTypes<G>::u16 U16;
    constexpr int N = kPowerGrid;
    U16 cols[N];
    for (int c = 0; c < N; ++c)
        cols[c] = U16{};
    for (int r = 0; r < N; r += 4) {
        const int32_t *t0 = table + r * N;
        const int32_t *t1 = t0 + N;
        const int32_t *t2 = t1 + N;
        const int32_t *t3 = t2 + N;
        U16 s0{}, s1{}, s2{}, s3{};
        for (int c = 0; c < N; ++c) {
            U16 p0, p1, p2, p3;
            Load::load(p0, base + t0[c]);
            Load::load(p1, base + t1[c]);
            Load::load(p2, base + t2[c]);
            Load::load(p3, base + t3[c]);
            s0 += p0;
            s1 += p1;
            s2 += p2;
            s3 += p3;
            cols[c] += (p0 + p1) + (p2 + p3);
        }
        rows[r] = s0;
        rows[r + 1] = s1;
        rows[r + 2] = s2;
        rows[r + 3] = s3;
    }
    for (int c = 0; c < N; ++c)
        cols_rev[N - 1 - c] = cols[c];
}

// A and B of the four waves from 24 sums, folded by the symmetries of
// cosine and sine (the same evaluation as the single-block path).
template <class T>
RIDGE_ALWAYS_INLINE void fold_waves(const T *s, const PowerCoefs &k, T *a, T *b, int stride)
{
    const int full = kPowerCoefScale;
    T wa = (s[0] - s[12]) * full;
    T wb = (s[6] - s[18]) * full;
    for (int j = 1; j <= 5; ++j) {
        wa += (s[j] + s[24 - j] - s[12 - j] - s[12 + j]) * k.cos1[j];
        wb += (s[j] + s[12 - j] - s[12 + j] - s[24 - j]) * k.sin1[j];
    }
    a[0] = wa;
    b[0] = wb;

    T t[12];
    for (int i = 0; i < 12; ++i)
        t[i] = s[i] + s[i + 12];
    wa = (t[0] - t[6]) * full;
    wb = (t[3] - t[9]) * full;
    for (int j = 1; j <= 2; ++j) {
        wa += (t[j] + t[12 - j] - t[6 - j] - t[6 + j]) * k.cos2[j];
        wb += (t[j] + t[6 - j] - t[6 + j] - t[12 - j]) * k.sin2[j];
    }
    a[stride] = wa;
    b[stride] = wb;

    T u[8];
    for (int i = 0; i < 8; ++i)
        u[i] = s[i] + s[i + 8] + s[i + 16];
    a[2 * stride] = (u[0] - u[4]) * full + (u[1] + u[7] - u[3] - u[5]) * k.cos3;
    b[2 * stride] = (u[2] - u[6]) * full + (u[1] + u[3] - u[5] - u[7]) * k.sin3;

    T v[6];
    for (int i = 0; i < 6; ++i)
        v[i] = s[i] + s[i + 6] + s[i + 12] + s[i + 18];
    a[3 * stride] = (v[0] - v[3]) * full + (v[1] + v[5] - v[2] - v[4]) * k.cos4;
    b[3 * stride] = (v[1] + v[2] - v[4] - v[5]) * k.sin4;
}

// The A and B sums of every wave and direction for the blocks whose windows
// start at base, base + 1, ... in the column-phase planes: out_a and out_b
// hold kPowerCount rows of Ops::G lanes, [wave * 16 + dir][lane]. Ops gives
// the widening load of G bytes and the split of 16-bit lanes into two
// halves of 32-bit lanes (Ops::I32, native vectors), which the folding
// works on.
template <class Ops>
RIDGE_ALWAYS_INLINE void lane_sums(const LaneBatch &batch, int32_t *out_a, int32_t *out_b)
{
    constexpr int G = Ops::G;
    typedef typename LaneTypes<G>::u16 U16;
    typedef typename Ops::I32 I32;
    constexpr int N = kPowerGrid;
    constexpr int half = kPowerDirections / 2;
    constexpr int H = G / 2; // lanes per half
    for (int d = 0; d < half; ++d) {
        U16 rows[N], cols[N];
        walk_grid_lanes<G, Ops>(batch.base, batch.tables + d * N * N, rows, cols);
        for (int pass = 0; pass < 2; ++pass) {
            const U16 *sums = pass == 0 ? rows : cols;
            I32 lo[N], hi[N];
            for (int i = 0; i < N; ++i)
                Ops::widen(sums[i], lo[i], hi[i]);
            I32 a[2][kPowerWaves], b[2][kPowerWaves];
            fold_waves(lo, *batch.coefs, a[0], b[0], 1);
            fold_waves(hi, *batch.coefs, a[1], b[1], 1);
            const int dir = d + pass * half;
            for (int w = 0; w < kPowerWaves; ++w) {
                int32_t *ra = out_a + (w * kPowerDirections + dir) * G;
                int32_t *rb = out_b + (w * kPowerDirections + dir) * G;
                std::memcpy(ra, &a[0][w], sizeof(I32));
                std::memcpy(ra + H, &a[1][w], sizeof(I32));
                std::memcpy(rb, &b[0][w], sizeof(I32));
                std::memcpy(rb + H, &b[1][w], sizeof(I32));
            }
        }
    }
}

} // namespace
} // namespace ridge

#endif
