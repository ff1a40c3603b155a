// Contrast pass. Neighbouring windows overlap by two thirds, so instead of
// building each window's 576-pixel histogram afresh, the histograms of the
// 8 x 8 cells of the image are built once and each window adds up its nine.
#include "extract/maps/contrast_pass.h"

#include "lfs/lfs.h"
#include "lfs/maps.h"

#include <cstddef>
#include <cstdint>

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
    unsigned char seen = 0;
    for (int y = 0; y < cells.ncy * CELL; ++y) {
        const unsigned char *row = pdata + static_cast<ptrdiff_t>(y + pad) * pw + pad;
        uint8_t *cell_row = cells.counts.data() + static_cast<size_t>(y / CELL) * static_cast<size_t>(cells.ncx) * LEVELS;
        for (int x = 0; x < cells.ncx * CELL; ++x) {
            const unsigned char v = row[x];
            seen |= v;
            cell_row[static_cast<size_t>(x / CELL) * LEVELS + (v & (LEVELS - 1))]++;
        }
    }
    return seen < LEVELS;
}

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

    uint16_t hist[LEVELS];
    for (size_t b = 0; b < window_origins.size(); ++b) {
        const int x = window_origins[b] % pw - pad;
        const int y = window_origins[b] / pw - pad;
        int ret;
        if (x % CELL == 0 && y % CELL == 0 && x >= 0 && y >= 0 && x / CELL + span <= cells.ncx &&
            y / CELL + span <= cells.ncy) {
            for (int v = 0; v < LEVELS; ++v)
                hist[v] = 0;
            for (int cy = y / CELL; cy < y / CELL + span; ++cy)
                for (int cx = x / CELL; cx < x / CELL + span; ++cx) {
                    const uint8_t *c = cells.counts.data() + (static_cast<size_t>(cy) * static_cast<size_t>(cells.ncx) + static_cast<size_t>(cx)) * LEVELS;
                    for (int v = 0; v < LEVELS; ++v)
                        hist[v] = static_cast<uint16_t>(hist[v] + c[v]);
                }
            ret = contrast_of(hist, lfsparms);
        } else {
            ret = lfs::low_contrast_block(window_origins[b], lfsparms.windowsize, pdata, pw, ph, lfsparms);
            if (ret < 0)
                return ret;
        }
        if (ret == lfs::LFS_TRUE)
            low_contrast_map[b] = 1;
    }
    return 0;
}

} // namespace ridge
