// Contrast pass. Neighbouring windows overlap by two thirds, so instead of
// building each window's 576-pixel histogram afresh, the histograms of the
// 8 x 8 cells of the image are built once and each window adds up its nine.
#include "extract/maps/contrast_pass.h"

#include "lfs/lfs.h"
#include "lfs/maps.h"

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ridge {

namespace {

constexpr int CELL = 8;
constexpr int LEVELS = 64;          // 6-bit grey levels
constexpr int PERCENTILE_COUNT = 57; // pixels below (above) the low (high) level, 24 x 24 window

// Per-cell histograms of the full 8 x 8 cells of the unpadded image.
struct CellHistograms {
    int ncx = 0, ncy = 0;
    std::vector<uint8_t> counts; // (cy * ncx + cx) * LEVELS + level
};

// False when a pixel lies outside the 6-bit range the bins cover.
bool build_cells(CellHistograms &cells, const unsigned char *pdata, int pw, int pad, int iw, int ih)
{
    cells.ncx = iw / CELL;
    cells.ncy = ih / CELL;
    cells.counts.assign(static_cast<size_t>(cells.ncx) * static_cast<size_t>(cells.ncy) * LEVELS, 0);
    const int width = cells.ncx * CELL;
    unsigned char seen = 0;
    for (int y = 0; y < cells.ncy * CELL; ++y) {
        const unsigned char *row = pdata + static_cast<ptrdiff_t>(y + pad) * pw + pad;
        for (int x = 0; x < width; ++x)
            seen |= row[x];
    }
    if (seen >= LEVELS)
        return false;
    for (int y = 0; y < cells.ncy * CELL; ++y) {
        const unsigned char *row = pdata + static_cast<ptrdiff_t>(y + pad) * pw + pad;
        uint8_t *cell = cells.counts.data() + static_cast<size_t>(y / CELL) * static_cast<size_t>(cells.ncx) * LEVELS;
        for (int cx = 0; cx < cells.ncx; ++cx, row += CELL, cell += LEVELS)
            for (int x = 0; x < CELL; ++x)
                cell[row[x]]++;
    }
    return true;
}

#if !defined(__SSE2__)
// The decision of low_contrast_block on a finished histogram.
int contrast_of(const uint16_t *hist, const lfs::LfsParams &lfsparms)
{
    int low = 0;
    for (int v = 0, sum = 0; v < LEVELS; ++v) {
        sum += hist[v];
        if (sum > PERCENTILE_COUNT) {
            low = v;
            break;
        }
    }
    int high = LEVELS - 1;
    for (int v = LEVELS - 1, sum = 0; v >= 0; --v) {
        sum += hist[v];
        if (sum > PERCENTILE_COUNT) {
            high = v;
            break;
        }
    }
    return high - low < lfsparms.min_contrast_delta ? lfs::LFS_TRUE : lfs::LFS_FALSE;
}
#endif

// The same decision for a full 24 x 24 window (576 pixels). The low level is
// the number of levels whose running count stays at or below 57, the high
// level the number whose running count stays below 576 - 57 (the count from
// the top first exceeds 57 just above them).
int contrast_of_window(const uint16_t *hist, const lfs::LfsParams &lfsparms)
{
#if defined(__SSE2__)
    constexpr int WINDOW_PIXELS = 24 * 24;
    const __m128i low_limit = _mm_set1_epi16(PERCENTILE_COUNT + 1);
    const __m128i high_limit = _mm_set1_epi16(WINDOW_PIXELS - PERCENTILE_COUNT);
    __m128i carry = _mm_setzero_si128(), nlow = _mm_setzero_si128(), nhigh = _mm_setzero_si128();
    for (int v = 0; v < LEVELS; v += 8) {
        __m128i c = _mm_load_si128(reinterpret_cast<const __m128i *>(hist + v));
        c = _mm_add_epi16(c, _mm_slli_si128(c, 2));
        c = _mm_add_epi16(c, _mm_slli_si128(c, 4));
        c = _mm_add_epi16(c, _mm_slli_si128(c, 8));
        c = _mm_add_epi16(c, carry);
        nlow = _mm_sub_epi16(nlow, _mm_cmplt_epi16(c, low_limit));
        nhigh = _mm_sub_epi16(nhigh, _mm_cmplt_epi16(c, high_limit));
        const __m128i last = _mm_shufflehi_epi16(c, 0xFF);
        carry = _mm_unpackhi_epi64(last, last);
    }
    // Both counts in one vector of 32-bit lanes, then added across.
    __m128i both = _mm_madd_epi16(_mm_packs_epi32(_mm_madd_epi16(nlow, _mm_set1_epi16(1)),
                                                  _mm_madd_epi16(nhigh, _mm_set1_epi16(1))),
                                  _mm_set1_epi16(1));
    both = _mm_add_epi32(both, _mm_shuffle_epi32(both, 0xB1));
    const int low = _mm_cvtsi128_si32(both);
    const int high = _mm_cvtsi128_si32(_mm_shuffle_epi32(both, 0x0A));
    return high - low < lfsparms.min_contrast_delta ? lfs::LFS_TRUE : lfs::LFS_FALSE;
#else
    return contrast_of(hist, lfsparms);
#endif
}

} // namespace

int low_contrast_pass_plain(std::vector<int> &low_contrast_map, const std::vector<int> &window_origins,
                            const unsigned char *pdata, int pw, int ph, const lfs::LfsParams &lfsparms)
{
    for (size_t b = 0; b < window_origins.size(); ++b) {
        const int ret = lfs::low_contrast_block(window_origins[b], lfsparms.windowsize, pdata, pw, ph, lfsparms);
        if (ret < 0)
            return ret;
        if (ret == lfs::LFS_TRUE)
            low_contrast_map[b] = 1;
    }
    return 0;
}

int low_contrast_pass(std::vector<int> &low_contrast_map, const std::vector<int> &window_origins,
                      const unsigned char *pdata, int pw, int ph, int pad, const lfs::LfsParams &lfsparms)
{
    const int iw = pw - 2 * pad;
    const int ih = ph - 2 * pad;
    const int span = lfsparms.windowsize / CELL; // cells per window side
    CellHistograms cells;
    if (lfsparms.windowsize != 3 * CELL || iw < lfsparms.windowsize || ih < lfsparms.windowsize ||
        !build_cells(cells, pdata, pw, pad, iw, ih))
        return low_contrast_pass_plain(low_contrast_map, window_origins, pdata, pw, ph, lfsparms);

    // Sums of three vertically neighbouring cells (at most 192 per level),
    // so that a window adds up three of them.
    const size_t cell_row = static_cast<size_t>(cells.ncx) * LEVELS;
    std::vector<uint8_t> triples(static_cast<size_t>(cells.ncy - span + 1) * cell_row);
    for (int cy = 0; cy + span <= cells.ncy; ++cy) {
        const uint8_t *c0 = cells.counts.data() + static_cast<size_t>(cy) * cell_row;
        uint8_t *t = triples.data() + static_cast<size_t>(cy) * cell_row;
        for (size_t i = 0; i < cell_row; ++i)
            t[i] = static_cast<uint8_t>(c0[i] + c0[i + cell_row] + c0[i + 2 * cell_row]);
    }

    alignas(16) uint16_t hist[LEVELS];
    int previous = lfs::LFS_FALSE;
    for (size_t b = 0; b < window_origins.size(); ++b) {
        const int x = window_origins[b] % pw - pad;
        const int y = window_origins[b] / pw - pad;
        int ret;
        if (x % CELL == 0 && y % CELL == 0 && x >= 0 && y >= 0 && x / CELL + span <= cells.ncx &&
            y / CELL + span <= cells.ncy) {
            const uint8_t *t = triples.data() + static_cast<size_t>(y / CELL) * cell_row +
                               static_cast<size_t>(x / CELL) * LEVELS;
            for (int v = 0; v < LEVELS; ++v)
                hist[v] = static_cast<uint16_t>(t[v] + t[v + LEVELS] + t[v + 2 * LEVELS]);
            ret = contrast_of_window(hist, lfsparms);
        } else if (b > 0 && window_origins[b] == window_origins[b - 1]) {
            // Windows clamped at the image edge: the same window as the block
            // before, the same verdict.
            ret = previous;
        } else {
            ret = lfs::low_contrast_block(window_origins[b], lfsparms.windowsize, pdata, pw, ph, lfsparms);
            if (ret < 0)
                return ret;
        }
        previous = ret;
        if (ret == lfs::LFS_TRUE)
            low_contrast_map[b] = 1;
    }
    return 0;
}

} // namespace ridge
