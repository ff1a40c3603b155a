// Rotated sampling grids: for each of ndirs directions over a half turn, the
// pixel offsets of a grid_w x grid_h grid turned to that direction.
#include "lfs/maps.h"
#include "sdk/diagnostics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

namespace lfs {

int init_rotgrids(RotGrids &grids, int iw, int ih, int ipad, float start_dir_angle, int ndirs, int grid_w,
                  int grid_h, int relative2)
{
    if (iw <= 0 || ih <= 0 || ndirs <= 0 || grid_w <= 0 || grid_h <= 0) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : init_rotgrids : bad dimensions\n");
        return -34;
    }

    // Smallest pad that keeps the rotated grid inside the padded image.
    const float gw = static_cast<float>(grid_w);
    const float gh = static_cast<float>(grid_h);
    const float diag = std::sqrt(gw * gw + gh * gh);
    int grid_pad = 0;
    switch (relative2) {
    case RELATIVE2CENTER:
        grid_pad = round_trunc((diag - 1.0f) / 2.0f);
        break;
    case RELATIVE2ORIGIN:
        grid_pad = round_trunc((diag - std::min(gw, gh)) / 2.0f);
        break;
    default:
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : init_rotgrids : Illegal relative flag : %d\n", relative2);
        return -30;
    }

    int pad = grid_pad;
    if (ipad >= 0) {
        if (ipad < grid_pad) {
            ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : init_rotgrids : Pad passed is too small\n");
            return -31;
        }
        pad = ipad;
    }
    const long long pw_wide = static_cast<long long>(iw) + 2LL * pad;
    if (pw_wide > 0x7fffffffLL / (grid_w + grid_h + 2)) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : init_rotgrids : image too wide\n");
        return -35;
    }
    const int pw = static_cast<int>(pw_wide);

    try {
        grids.grids.assign(static_cast<size_t>(ndirs), std::vector<int>(static_cast<size_t>(grid_w * grid_h)));
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : init_rotgrids : malloc : rotgrids->grids\n");
        grids.grids.clear();
        return -32;
    }
    grids.pad = pad;
    grids.relative2 = relative2;
    grids.start_angle = start_dir_angle;
    grids.ngrids = ndirs;
    grids.grid_w = grid_w;
    grids.grid_h = grid_h;

    // Grid point (ix, iy) is rotated about the grid centre (cx, cy); with
    // RELATIVE2ORIGIN the result is shifted back so the unrotated grid's
    // top-left is the origin, with RELATIVE2CENTER the centre is.
    const float cx = (gw - 1.0f) / 2.0f;
    const float cy = (gh - 1.0f) / 2.0f;
    const float pi_incr = PI_F / static_cast<float>(ndirs);
    float theta = start_dir_angle;
    for (int dir = 0; dir < ndirs; dir++, theta += pi_incr) {
        const float cs = std::cos(theta);
        const float sn = std::sin(theta);
        int *grid = grids.grids[static_cast<size_t>(dir)].data();
        for (int iy = 0; iy < grid_h; iy++) {
            const float ry = static_cast<float>(iy) - cy;
            float fxm = -1.0f * (ry * sn);
            float fym = ry * cs;
            if (relative2 == RELATIVE2ORIGIN) {
                fxm += cx;
                fym += cy;
            }
            for (int ix = 0; ix < grid_w; ix++) {
                const float rx = static_cast<float>(ix) - cx;
                const float fx = fxm + rx * cs;
                const float fy = fym + rx * sn;
                *grid++ = round_trunc(fx) + round_trunc(fy) * pw;
            }
        }
    }
    return 0;
}

} // namespace lfs
