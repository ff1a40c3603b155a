// Removes minutiae that lie close to a block without a valid direction, or
// close to the edge of the map.
#include "lfs/remove.h"
#include "sdk/diagnostics.h"

#include <cstddef>
#include <cstdio>

namespace lfs {

namespace {

// Neighbours 0..7 clockwise from north; entry 8 repeats north so that a
// range of neighbours never wraps.
const int kNbrDx[9] = {0, 1, 1, 1, 0, -1, -1, -1, 0};
const int kNbrDy[9] = {-1, -1, 0, 1, 1, 1, 0, -1, -1};

// Neighbour ranges by margin cell (iy * 3 + ix; 0 = low margin, 1 = middle,
// 2 = high margin): the blocks the pixel's margins face.
const int kStartNbr[9] = {6, 0, 0, 6, -1, 2, 4, 4, 2};
const int kEndNbr[9] = {8, 0, 2, 6, -1, 2, 6, 4, 4};

int num_valid_8nbrs(const std::vector<int> &map, int mx, int my, int mw, int mh)
{
    int nvalid = 0;
    for (int ni = 0; ni < 8; ++ni) {
        const int nx = mx + kNbrDx[ni], ny = my + kNbrDy[ni];
        if (nx >= 0 && nx < mw && ny >= 0 && ny < mh && map[static_cast<size_t>(ny) * mw + nx] >= 0)
            ++nvalid;
    }
    return nvalid;
}

int margin_cell(int p, int lo_margin, int hi_margin)
{
    if (p < lo_margin)
        return 0;
    if (p > hi_margin)
        return 2;
    return 1;
}

} // namespace

int remove_near_invblock_V2(Minutiae &minutiae, const std::vector<int> &direction_map, int mw, int mh,
                            const LfsParams &lfsparms)
{
    if (lfsparms.inv_block_margin > (lfsparms.blocksize >> 1)) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : remove_near_invblock_V2 : margin too large for blocksize\n");
        return -620;
    }
    // With the standard block of 8 and margin of 4 every pixel lies in a
    // margin (hi_margin is 3), so every minutia is examined.
    const int lo_margin = lfsparms.inv_block_margin;
    const int hi_margin = lfsparms.blocksize - lfsparms.inv_block_margin - 1;

    return drop_minutiae_if(minutiae, [&](const Minutia &m) {
        const int bx = m.x / lfsparms.blocksize, by = m.y / lfsparms.blocksize;
        const int ix = margin_cell(m.x % lfsparms.blocksize, lo_margin, hi_margin);
        const int iy = margin_cell(m.y % lfsparms.blocksize, lo_margin, hi_margin);
        if (ix == 1 && iy == 1)
            return 0;
        const int cell = iy * 3 + ix;
        for (int ni = kStartNbr[cell]; ni <= kEndNbr[cell]; ++ni) {
            const int nx = bx + kNbrDx[ni], ny = by + kNbrDy[ni];
            if (nx < 0 || nx >= mw || ny < 0 || ny >= mh)
                return 1;
            if (direction_map[static_cast<size_t>(ny) * mw + nx] == INVALID_DIR &&
                num_valid_8nbrs(direction_map, nx, ny, mw, mh) < lfsparms.rm_valid_nbr_min)
                return 1;
        }
        return 0;
    });
}

} // namespace lfs
