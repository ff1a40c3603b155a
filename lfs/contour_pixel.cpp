// One step of contour tracing: the neighbour scan around a feature pixel.
#include "lfs/contour.h"

#include <cstddef>

namespace lfs {

//   7 0 1
//   6 C 2
//   5 4 3
const int nbr8_dx[8] = {0, 1, 1, 1, 0, -1, -1, -1};
const int nbr8_dy[8] = {-1, -1, 0, 1, 1, 1, 0, -1};

int start_scan_nbr(int x_prev, int y_prev, int x_next, int y_next)
{
    if (x_prev == x_next && y_next > y_prev)
        return SOUTH;
    if (x_prev == x_next && y_next < y_prev)
        return NORTH;
    if (x_next > x_prev && y_prev == y_next)
        return EAST;
    if (x_next < x_prev && y_prev == y_next)
        return WEST;
    return INVALID_DIR;
}

int next_scan_nbr(int nbr_i, int scan_clock)
{
    // Adding 7 steps back by one with wrap-around from 0 to 7.
    return scan_clock == SCAN_CLOCKWISE ? (nbr_i + 1) % 8 : (nbr_i + 7) % 8;
}

namespace {

bool inside(int x, int y, int iw, int ih)
{
    return x >= 0 && x < iw && y >= 0 && y < ih;
}

} // namespace

int next_contour_pixel_plain(int *next_x_loc, int *next_y_loc, int *next_x_edge, int *next_y_edge, int cur_x_loc,
                             int cur_y_loc, int cur_x_edge, int cur_y_edge, int scan_clock,
                             const unsigned char *bdata, int iw, int ih)
{
    if (!inside(cur_x_loc, cur_y_loc, iw, ih) || !inside(cur_x_edge, cur_y_edge, iw, ih))
        return LFS_FALSE;
    const int feature_pix = bdata[cur_y_loc * iw + cur_x_loc];

    // An edge pixel that is not a 4-neighbour gives INVALID_DIR (-1); the
    // scan then starts at north (clockwise) or west (counter-clockwise), as
    // stepping on from index -1 does.
    int nbr_i = start_scan_nbr(cur_x_loc, cur_y_loc, cur_x_edge, cur_y_edge);
    if (nbr_i < 0)
        nbr_i = NORTH_WEST;
    int cur_nbr_x = cur_x_edge;
    int cur_nbr_y = cur_y_edge;

    for (int i = 0; i < 8; i++) {
        const int prev_nbr_x = cur_nbr_x;
        const int prev_nbr_y = cur_nbr_y;
        nbr_i = next_scan_nbr(nbr_i, scan_clock);
        cur_nbr_x = cur_x_loc + nbr8_dx[nbr_i];
        cur_nbr_y = cur_y_loc + nbr8_dy[nbr_i];
        // The contour cannot be followed beyond the image.
        if (!inside(cur_nbr_x, cur_nbr_y, iw, ih))
            return LFS_FALSE;
        if (bdata[cur_nbr_y * iw + cur_nbr_x] != feature_pix)
            continue;

        // A diagonal neighbour joins the contour only when the 4-neighbour
        // after it holds the feature value too: a contour does not cross a
        // pinch where two regions touch at a corner only.
        if ((nbr_i % 2) == 1) {
            const int ni = next_scan_nbr(nbr_i, scan_clock);
            const int nx = cur_x_loc + nbr8_dx[ni];
            const int ny = cur_y_loc + nbr8_dy[ni];
            if (!inside(nx, ny, iw, ih))
                return LFS_FALSE;
            if (bdata[ny * iw + nx] != feature_pix)
                continue;
        }
        // The neighbour scanned just before is of the other value and is a
        // 4-neighbour of the new contour pixel, so it becomes its edge.
        *next_x_loc = cur_nbr_x;
        *next_y_loc = cur_nbr_y;
        *next_x_edge = prev_nbr_x;
        *next_y_edge = prev_nbr_y;
        return LFS_TRUE;
    }
    return LFS_FALSE;
}

int next_contour_pixel(int *next_x_loc, int *next_y_loc, int *next_x_edge, int *next_y_edge, int cur_x_loc,
                       int cur_y_loc, int cur_x_edge, int cur_y_edge, int scan_clock,
                       const unsigned char *bdata, int iw, int ih)
{
    // Away from the image border every neighbour is inside, so the scan
    // reads them by offset without checking; at the border the plain scan
    // runs.
    if (cur_x_loc < 1 || cur_x_loc > iw - 2 || cur_y_loc < 1 || cur_y_loc > ih - 2 ||
        !inside(cur_x_edge, cur_y_edge, iw, ih))
        return next_contour_pixel_plain(next_x_loc, next_y_loc, next_x_edge, next_y_edge, cur_x_loc, cur_y_loc,
                                        cur_x_edge, cur_y_edge, scan_clock, bdata, iw, ih);
    const unsigned char *cur = bdata + static_cast<ptrdiff_t>(cur_y_loc) * iw + cur_x_loc;
    const unsigned char feature_pix = *cur;
    const ptrdiff_t w = iw;
    const ptrdiff_t offset[8] = {-w, -w + 1, 1, w + 1, w, w - 1, -1, -w - 1};
    const int step = scan_clock == SCAN_CLOCKWISE ? 1 : 7;

    int nbr_i = start_scan_nbr(cur_x_loc, cur_y_loc, cur_x_edge, cur_y_edge);
    if (nbr_i < 0)
        nbr_i = NORTH_WEST;
    int prev_i = -1; // the edge pixel itself before the first step
    for (int i = 0; i < 8; i++) {
        const int this_i = (nbr_i + step) & 7;
        const int before = prev_i;
        prev_i = nbr_i = this_i;
        if (cur[offset[this_i]] != feature_pix)
            continue;
        if ((this_i & 1) != 0 && cur[offset[(this_i + step) & 7]] != feature_pix)
            continue;
        *next_x_loc = cur_x_loc + nbr8_dx[this_i];
        *next_y_loc = cur_y_loc + nbr8_dy[this_i];
        *next_x_edge = before < 0 ? cur_x_edge : cur_x_loc + nbr8_dx[before];
        *next_y_edge = before < 0 ? cur_y_edge : cur_y_loc + nbr8_dy[before];
        return LFS_TRUE;
    }
    return LFS_FALSE;
}

} // namespace lfs
