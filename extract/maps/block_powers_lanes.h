// What the lane kernels of the batched directional powers share with their
// callers: the fixed geometry, the folded coefficients and one batch.
#ifndef RIDGESDK_EXTRACT_MAPS_BLOCK_POWERS_LANES_H
#define RIDGESDK_EXTRACT_MAPS_BLOCK_POWERS_LANES_H

#include <cstdint>

namespace ridge {

constexpr int kPowerGrid = 24;       // window and wave length
constexpr int kPowerWaves = 4;       // frequency factors 1..4
constexpr int kPowerDirections = 16; // directions over a half turn
constexpr int kPowerCount = kPowerWaves * kPowerDirections;
constexpr int kPowerCoefScale = 1024;

// The wave table entries the folded sums multiply by.
struct PowerCoefs {
    int cos1[6], sin1[6];
    int cos2[3], sin2[3];
    int cos3, sin3;
    int cos4, sin4;
};

// One batch: the byte of lane 0's window origin in the column-phase planes
// (lane j reads j bytes further on), the plane offsets of the 8 walked
// grids (24 x 24 each) and the coefficients.
struct LaneBatch {
    const uint8_t *base;
    const int32_t *tables;
    const PowerCoefs *coefs;
};

// A and B of every wave and direction, [wave * 16 + dir][lane], for 8 lanes
// (baseline instruction set) or 16 lanes (AVX2).
constexpr int kVectorLanes = 8;
constexpr int kAvx2Lanes = 16;
void lane_sums_vector(const LaneBatch &batch, int32_t *a, int32_t *b);
void lane_sums_avx2(const LaneBatch &batch, int32_t *a, int32_t *b);

// power[i] = (a[i]^2 + b[i]^2) >> 20 as single precision, for count values
// (a multiple of 8), evaluated in double precision: exact while
// a^2 + b^2 < 2^53 and the power < 2^31, which holds for windows of 6-bit
// pixels (|a + ib| <= 1024.5 x 576 x 63).
void lane_powers_vector(const int32_t *a, const int32_t *b, float *power, int count);
void lane_powers_avx2(const int32_t *a, const int32_t *b, float *power, int count);

} // namespace ridge

#endif
