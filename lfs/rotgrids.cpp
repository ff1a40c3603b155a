// Rotated sampling grids: for each of ndirs directions over a half turn, the
// pixel offsets of a grid_w x grid_h grid turned to that direction.
//
// The grid points (dx, dy) depend on the grid's parameters only, never on
// the image; they are computed once per process for each set of parameters
// met (the detector uses two) and then only read, by any thread. Each call
// turns them into offsets for its own image width.
#include "lfs/maps.h"
#include "sdk/diagnostics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

namespace lfs {

namespace {

// Parameter sets kept; others (never the detector's) are computed per call.
constexpr size_t kKeptPointSets = 8;

bool same_parameters(const RotGridPoints &p, float start_dir_angle, int ndirs, int grid_w, int grid_h,
                     int relative2)
{
    return std::memcmp(&p.start_angle, &start_dir_angle, sizeof start_dir_angle) == 0 && p.ndirs == ndirs &&
           p.grid_w == grid_w && p.grid_h == grid_h && p.relative2 == relative2;
}

} // namespace

void compute_rotgrid_points(RotGridPoints &points, float start_dir_angle, int ndirs, int grid_w, int grid_h,
                            int relative2)
{
    points.start_angle = start_dir_angle;
    points.ndirs = ndirs;
    points.grid_w = grid_w;
    points.grid_h = grid_h;
    points.relative2 = relative2;
    const size_t n = static_cast<size_t>(ndirs) * static_cast<size_t>(grid_w) * static_cast<size_t>(grid_h);
    points.dx.resize(n);
    points.dy.resize(n);

    // Grid point (ix, iy) is rotated about the grid centre (cx, cy); with
    // RELATIVE2ORIGIN the result is shifted back so the unrotated grid's
    // top-left is the origin, with RELATIVE2CENTER the centre is.
    const float gw = static_cast<float>(grid_w);
    const float gh = static_cast<float>(grid_h);
    const float cx = (gw - 1.0f) / 2.0f;
    const float cy = (gh - 1.0f) / 2.0f;
    const float pi_incr = PI_F / static_cast<float>(ndirs);
    float theta = start_dir_angle;
    size_t k = 0;
    for (int dir = 0; dir < ndirs; dir++, theta += pi_incr) {
        const float cs = std::cos(theta);
        const float sn = std::sin(theta);
        for (int iy = 0; iy < grid_h; iy++) {
            const float ry = static_cast<float>(iy) - cy;
            float fxm = -1.0f * (ry * sn);
            float fym = ry * cs;
            if (relative2 == RELATIVE2ORIGIN) {
                fxm += cx;
                fym += cy;
            }
            for (int ix = 0; ix < grid_w; ix++, k++) {
                const float rx = static_cast<float>(ix) - cx;
                const float fx = fxm + rx * cs;
                const float fy = fym + rx * sn;
                points.dx[k] = round_trunc(fx);
                points.dy[k] = round_trunc(fy);
            }
        }
    }
}

std::shared_ptr<const RotGridPoints> rotgrid_points(float start_dir_angle, int ndirs, int grid_w, int grid_h,
                                                    int relative2)
{
    static std::mutex lock;
    static std::vector<std::shared_ptr<const RotGridPoints>> kept;
    {
        const std::lock_guard<std::mutex> guard(lock);
        for (const auto &p : kept)
            if (same_parameters(*p, start_dir_angle, ndirs, grid_w, grid_h, relative2))
                return p;
    }
    auto made = std::make_shared<RotGridPoints>();
    compute_rotgrid_points(*made, start_dir_angle, ndirs, grid_w, grid_h, relative2);
    const std::lock_guard<std::mutex> guard(lock);
    for (const auto &p : kept)
        if (same_parameters(*p, start_dir_angle, ndirs, grid_w, grid_h, relative2))
            return p; // another thread was first
    if (kept.size() < kKeptPointSets)
        kept.push_back(made);
    return made;
}

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

    std::shared_ptr<const RotGridPoints> points;
    try {
        points = rotgrid_points(start_dir_angle, ndirs, grid_w, grid_h, relative2);
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
    size_t k = 0;
    for (std::vector<int> &grid : grids.grids)
        for (int &offset : grid) {
            offset = points->dx[k] + points->dy[k] * pw;
            k++;
        }
    return 0;
}

} // namespace lfs
