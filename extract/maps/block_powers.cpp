// Batched directional powers: column-phase planes, plane offset tables and
// the choice between a batch and the single-block path.
#include "extract/maps/block_powers.h"

#include "extract/maps/block_powers_kernel.h"
#include "extract/maps/dft_waves.h"
#include "lfs/maps.h"

#include <algorithm>
#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ridge {

namespace {

constexpr int kPhases = 8; // the windows of neighbouring blocks lie 8 pixels apart

#if defined(__SSE2__)
struct VectorOps {
    static constexpr int G = kVectorLanes;
    typedef LaneTypes<G>::u16 U16;
    typedef int32_t I32 __attribute__((vector_size(16)));
    static RIDGE_ALWAYS_INLINE void load(U16 &out, const uint8_t *p)
    {
        const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(p));
        out = reinterpret_cast<U16>(_mm_unpacklo_epi8(v, _mm_setzero_si128()));
    }
    static RIDGE_ALWAYS_INLINE void widen(const U16 &v, I32 &lo, I32 &hi)
    {
        const __m128i w = reinterpret_cast<__m128i>(v);
        lo = reinterpret_cast<I32>(_mm_unpacklo_epi16(w, _mm_setzero_si128()));
        hi = reinterpret_cast<I32>(_mm_unpackhi_epi16(w, _mm_setzero_si128()));
    }
};
#else
// Without SSE2 (the 32-bit Windows build) blocks take the single-block path.
constexpr bool kNoVectorBatches = true;
#endif

int floor_div(int a, int b)
{
    const int q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

float power_of(int32_t a, int32_t b)
{
    const int64_t a64 = a, b64 = b;
    return static_cast<float>((a64 * a64 + b64 * b64) >> 20);
}

// The grid points (dx, dy) of the first half of the grids, checked against
// the grids' offsets. False when they do not reproduce them.
bool grid_points(std::vector<int> &dx, std::vector<int> &dy, const lfs::RotGrids &grids, int pw)
{
    const std::shared_ptr<const lfs::RotGridPoints> points =
        lfs::rotgrid_points(grids.start_angle, grids.ngrids, grids.grid_w, grids.grid_h, grids.relative2);
    const size_t per_grid = static_cast<size_t>(kPowerGrid * kPowerGrid);
    const size_t n = per_grid * (kPowerDirections / 2);
    if (points->dx.size() < n)
        return false;
    dx.assign(points->dx.begin(), points->dx.begin() + static_cast<std::ptrdiff_t>(n));
    dy.assign(points->dy.begin(), points->dy.begin() + static_cast<std::ptrdiff_t>(n));
    for (size_t i = 0; i < n; ++i)
        if (dx[i] + dy[i] * pw != grids.grids[i / per_grid][i % per_grid])
            return false;
    return true;
}

} // namespace

#if defined(__SSE2__)
constexpr bool kNoVectorBatches = false;

void lane_sums_vector(const LaneBatch &batch, int32_t *a, int32_t *b)
{
    lane_sums<VectorOps>(batch, a, b);
}
#else
void lane_sums_vector(const LaneBatch &, int32_t *, int32_t *) {}
#endif

void lane_powers_vector(const int32_t *a, const int32_t *b, float *power, int count)
{
#if defined(__SSE2__)
    const __m128d scale = _mm_set1_pd(1.0 / 1048576.0);
    for (int i = 0; i < count; i += 4) {
        const __m128i ia = _mm_loadu_si128(reinterpret_cast<const __m128i *>(a + i));
        const __m128i ib = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + i));
        const __m128d a0 = _mm_cvtepi32_pd(ia), a1 = _mm_cvtepi32_pd(_mm_unpackhi_epi64(ia, ia));
        const __m128d b0 = _mm_cvtepi32_pd(ib), b1 = _mm_cvtepi32_pd(_mm_unpackhi_epi64(ib, ib));
        const __m128i lo = _mm_cvttpd_epi32(_mm_mul_pd(_mm_add_pd(_mm_mul_pd(a0, a0), _mm_mul_pd(b0, b0)), scale));
        const __m128i hi = _mm_cvttpd_epi32(_mm_mul_pd(_mm_add_pd(_mm_mul_pd(a1, a1), _mm_mul_pd(b1, b1)), scale));
        _mm_storeu_ps(power + i, _mm_cvtepi32_ps(_mm_unpacklo_epi64(lo, hi)));
    }
#else
    for (int i = 0; i < count; ++i)
        power[i] = power_of(a[i], b[i]);
#endif
}

int BlockPowers::prepare(const unsigned char *pdata, int pw, int ph, const lfs::DftWaves &waves,
                         const lfs::RotGrids &grids, lfs::SimdLevel level)
{
    *this = BlockPowers{};
    pdata_ = pdata;
    pw_ = pw;
    ph_ = ph;
    waves_ = &waves;
    grids_ = &grids;
    if (waves.nwaves > 0 && grids.ngrids > 0)
        per_block_ = static_cast<size_t>(waves.nwaves) * static_cast<size_t>(grids.ngrids);

    const bool fits = grids.grid_w == kPowerGrid && grids.grid_h == kPowerGrid && grids.ngrids == kPowerDirections &&
                      waves.nwaves == kPowerWaves && waves.wavelen == kPowerGrid &&
                      waves.waves.size() >= static_cast<size_t>(kPowerWaves) && waves.waves[0].cos.size() >= 6 &&
                      waves.waves[0].sin.size() >= 6 && waves.waves[1].cos.size() >= 3 &&
                      waves.waves[1].sin.size() >= 3 && waves.waves[2].cos.size() >= 2 &&
                      waves.waves[2].sin.size() >= 2 && waves.waves[3].cos.size() >= 2 &&
                      waves.waves[3].sin.size() >= 2 && pw > 0 && ph > 0;
    if (level == lfs::SimdLevel::Plain || !fits || !lfs::simd_level_available(level) ||
        (level == lfs::SimdLevel::Vector && kNoVectorBatches))
        return 0;
    if (!grid_points(dx_, dy_, grids, pw))
        return 0;

    for (int j = 0; j < 6; ++j) {
        coefs_.cos1[j] = waves.waves[0].cos[static_cast<size_t>(j)];
        coefs_.sin1[j] = waves.waves[0].sin[static_cast<size_t>(j)];
    }
    for (int j = 0; j < 3; ++j) {
        coefs_.cos2[j] = waves.waves[1].cos[static_cast<size_t>(j)];
        coefs_.sin2[j] = waves.waves[1].sin[static_cast<size_t>(j)];
    }
    coefs_.cos3 = waves.waves[2].cos[1];
    coefs_.sin3 = waves.waves[2].sin[1];
    coefs_.cos4 = waves.waves[3].cos[1];
    coefs_.sin4 = waves.waves[3].sin[1];

    lanes_ = level == lfs::SimdLevel::Avx2 ? kAvx2Lanes : kVectorLanes;
    // Plane p holds the columns x = 8c + p of every row; each plane row has
    // room past its last column, and the buffer past its last plane, for
    // the lanes of a batch that run beyond the blocks it serves.
    plane_w_ = (pw + kPhases - 1) / kPhases + 1;
    plane_size_ = plane_w_ * ph;
    planes_.assign(static_cast<size_t>(plane_size_) * kPhases + static_cast<size_t>(lanes_) + 1, 0);
    unsigned char seen = 0;
    for (int y = 0; y < ph; ++y) {
        const unsigned char *src = pdata + static_cast<size_t>(y) * static_cast<size_t>(pw);
        uint8_t *dst = planes_.data() + static_cast<size_t>(y) * static_cast<size_t>(plane_w_);
        int x0 = 0;
#if defined(__SSE2__)
        // 128 pixels at a time: four rounds of interleaving turn the eight
        // 16-byte rows into the eight planes' 16 bytes.
        __m128i any = _mm_setzero_si128();
        for (; x0 + 128 <= pw; x0 += 128) {
            __m128i v[kPhases];
            for (int k = 0; k < kPhases; ++k) {
                v[k] = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + x0 + 16 * k));
                any = _mm_or_si128(any, v[k]);
            }
            for (int round = 0; round < 4; ++round) {
                __m128i w[kPhases];
                for (int i = 0; i < kPhases / 2; ++i) {
                    w[2 * i] = _mm_unpacklo_epi8(v[i], v[i + kPhases / 2]);
                    w[2 * i + 1] = _mm_unpackhi_epi8(v[i], v[i + kPhases / 2]);
                }
                for (int k = 0; k < kPhases; ++k)
                    v[k] = w[k];
            }
            for (int p = 0; p < kPhases; ++p)
                _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + static_cast<size_t>(p) * static_cast<size_t>(plane_size_) +
                                                             static_cast<size_t>(x0 / kPhases)),
                                 v[p]);
        }
        alignas(16) unsigned char any_bytes[16];
        _mm_store_si128(reinterpret_cast<__m128i *>(any_bytes), any);
        for (unsigned char b : any_bytes)
            seen |= b;
#endif
        for (int x = x0; x < pw; ++x) {
            seen |= src[x];
            dst[static_cast<size_t>(x % kPhases) * static_cast<size_t>(plane_size_) + static_cast<size_t>(x / kPhases)] =
                src[x];
        }
    }
    six_bit_ = seen < 64;
    return 0;
}

const int32_t *BlockPowers::table_for_phase(int phase)
{
    std::vector<int32_t> &t = tables_[phase];
    if (t.empty()) {
        t.resize(dx_.size());
        for (size_t i = 0; i < dx_.size(); ++i) {
            const int x = phase + dx_[i];
            t[i] = (x - floor_div(x, kPhases) * kPhases) * plane_size_ + dy_[i] * plane_w_ + floor_div(x, kPhases);
        }
    }
    return t.data();
}

int BlockPowers::batch(float *powers, const int *origins, const unsigned char *needed, int run)
{
    const int ox = origins[0] % pw_;
    const int oy = origins[0] / pw_;
    LaneBatch b;
    b.base = planes_.data() + static_cast<size_t>(oy) * static_cast<size_t>(plane_w_) +
             static_cast<size_t>(ox / kPhases);
    b.tables = table_for_phase(ox % kPhases);
    b.coefs = &coefs_;

    int32_t sum_a[kPowerCount * kAvx2Lanes];
    int32_t sum_b[kPowerCount * kAvx2Lanes];
    if (lanes_ == kAvx2Lanes)
        lane_sums_avx2(b, sum_a, sum_b);
    else
        lane_sums_vector(b, sum_a, sum_b);
    if (six_bit_) {
        float lane_powers[kPowerCount * kAvx2Lanes];
        if (lanes_ == kAvx2Lanes)
            lane_powers_avx2(sum_a, sum_b, lane_powers, kPowerCount * lanes_);
        else
            lane_powers_vector(sum_a, sum_b, lane_powers, kPowerCount * lanes_);
        for (int j = 0; j < run; ++j) {
            if (!needed[j])
                continue;
            float *out = powers + static_cast<size_t>(j) * kPowerCount;
            for (int i = 0; i < kPowerCount; ++i)
                out[i] = lane_powers[i * lanes_ + j];
        }
        return 0;
    }
    for (int j = 0; j < run; ++j) {
        if (!needed[j])
            continue;
        float *out = powers + static_cast<size_t>(j) * kPowerCount;
        for (int i = 0; i < kPowerCount; ++i)
            out[i] = power_of(sum_a[i * lanes_ + j], sum_b[i * lanes_ + j]);
    }
    return 0;
}

int BlockPowers::row(float *powers, const int *origins, const unsigned char *needed, int count)
{
    // Windows clamped at the image edge can be the same as the next block's:
    // of such a pair only the second is computed, and the first copies it.
    // At the left edge that lets the second join the batch of the blocks
    // after it.
    wanted_.assign(needed, needed + count);
    for (int i = 0; i + 1 < count; ++i)
        if (wanted_[static_cast<size_t>(i)] && needed[i + 1] && origins[i + 1] == origins[i])
            wanted_[static_cast<size_t>(i)] = 0;
    const unsigned char *wanted = wanted_.data();

    for (int i = 0; i < count;) {
        if (!wanted[i]) {
            ++i;
            continue;
        }
        if (lanes_ > 0) {
            // The blocks from i whose windows follow 8 pixels apart in the
            // same pixel rows share a batch.
            const int oy = origins[i] / pw_;
            int run = 1, batched = 1;
            while (run < lanes_ && i + run < count && origins[i + run] == origins[i] + kPhases * run &&
                   origins[i + run] / pw_ == oy) {
                batched += wanted[i + run] != 0;
                ++run;
            }
            if (batched >= 2) {
                const int ret = batch(powers + static_cast<size_t>(i) * per_block_, origins + i, wanted + i, run);
                if (ret != 0)
                    return ret;
                i += run;
                continue;
            }
        }
        const int ret = dft_dir_powers(powers + static_cast<size_t>(i) * per_block_, pdata_, origins[i], *waves_,
                                       *grids_);
        if (ret != 0)
            return ret;
        ++i;
    }
    for (int i = count - 2; i >= 0; --i)
        if (needed[i] && !wanted[i])
            std::copy_n(powers + static_cast<size_t>(i + 1) * per_block_, per_block_,
                        powers + static_cast<size_t>(i) * per_block_);
    return 0;
}

} // namespace ridge
