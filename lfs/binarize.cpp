// Directional binarisation: each pixel is compared with the rows of a 7 x 9
// grid turned to its block's ridge direction.
#include "lfs/binarize.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <new>

namespace lfs {

namespace {

constexpr unsigned char BLACK_PIXEL = 0;
constexpr unsigned char WHITE_PIXEL = 255;

// True when every grid offset stays within pad pixels of the grid centre
// both ways, so that the grid never leaves the padded image.
bool grids_fit_padding(const RotGrids &grids, int pw)
{
    const size_t grid_size = static_cast<size_t>(grids.grid_w) * static_cast<size_t>(grids.grid_h);
    if (grids.ngrids <= 0 || grids.grids.size() != static_cast<size_t>(grids.ngrids))
        return false;
    for (const auto &grid : grids.grids) {
        if (grid.size() != grid_size)
            return false;
        for (int off : grid) {
            const long dy = std::lround(static_cast<double>(off) / pw);
            const long dx = off - dy * pw;
            if (std::labs(dx) > grids.pad || std::labs(dy) > grids.pad)
                return false;
        }
    }
    return true;
}

// A pixel is a ridge when its grid's centre row is darker than the grid's
// mean row: 9 x centre-row sum below the sum of all rows.
unsigned char dirbinarize(const unsigned char *pptr, const int *grid, int grid_w, int grid_h, int cy)
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
    return csum * grid_h < gsum ? BLACK_PIXEL : WHITE_PIXEL;
}

} // namespace

int binarize_image_V2(std::vector<unsigned char> &bdata, int &bw, int &bh, const unsigned char *pdata,
                      int pw, int ph, const std::vector<int> &direction_map, int mw, int mh, int blocksize,
                      const RotGrids &dirbingrids)
{
    const int w = pw - 2 * dirbingrids.pad;
    const int h = ph - 2 * dirbingrids.pad;
    if (pdata == nullptr || dirbingrids.pad < 0 || w <= 0 || h <= 0 || blocksize <= 0 || mw <= 0 || mh <= 0 ||
        static_cast<long long>(pw) * ph > std::numeric_limits<int>::max()) {
        std::fprintf(stderr, "ERROR : binarize_image_V2 : bad image dimensions : %d, %d\n", pw, ph);
        return -601;
    }
    if ((w + blocksize - 1) / blocksize > mw || (h + blocksize - 1) / blocksize > mh ||
        direction_map.size() < static_cast<size_t>(mw) * static_cast<size_t>(mh)) {
        std::fprintf(stderr, "ERROR : binarize_image_V2 : direction map does not cover the image\n");
        return -602;
    }
    if (!grids_fit_padding(dirbingrids, pw)) {
        std::fprintf(stderr, "ERROR : binarize_image_V2 : rotated grids reach beyond the padding\n");
        return -603;
    }
    try {
        bdata.assign(static_cast<size_t>(w) * static_cast<size_t>(h), WHITE_PIXEL);
    } catch (const std::bad_alloc &) {
        std::fprintf(stderr, "ERROR : binarize_image_V2 : malloc : bdata\n");
        return -600;
    }

    const int cy = round_trunc((static_cast<float>(dirbingrids.grid_h) - 1.0f) / 2.0f);
    const int ngrids = dirbingrids.ngrids;
    unsigned char *bptr = bdata.data();
    const unsigned char *row = pdata + static_cast<size_t>(dirbingrids.pad) * static_cast<size_t>(pw) +
                               static_cast<size_t>(dirbingrids.pad);
    for (int iy = 0; iy < h; iy++, row += pw) {
        const int *dirs = &direction_map[static_cast<size_t>(iy / blocksize) * static_cast<size_t>(mw)];
        for (int ix = 0; ix < w; ix++, bptr++) {
            const int dir = dirs[ix / blocksize];
            // Blocks without a valid direction stay white.
            if (dir < 0 || dir >= ngrids)
                continue;
            *bptr = dirbinarize(row + ix, dirbingrids.grids[static_cast<size_t>(dir)].data(), dirbingrids.grid_w,
                                dirbingrids.grid_h, cy);
        }
    }
    bw = w;
    bh = h;
    return 0;
}

int binarize_V2(std::vector<unsigned char> &bdata, int &bw, int &bh, const unsigned char *pdata, int pw,
                int ph, const std::vector<int> &direction_map, int mw, int mh, const RotGrids &dirbingrids,
                const LfsParams &lfsparms)
{
    const int ret = binarize_image_V2(bdata, bw, bh, pdata, pw, ph, direction_map, mw, mh, lfsparms.blocksize,
                                      dirbingrids);
    if (ret != 0)
        return ret;
    for (int i = 0; i < lfsparms.num_fill_holes; i++)
        fill_holes(bdata.data(), bw, bh);
    return 0;
}

} // namespace lfs
