// High-curvature map: valid blocks with a neighbour whose direction differs
// sharply (curvature), and invalid blocks around which the neighbours'
// directions turn like a core or delta (vorticity).
#include "lfs/maps.h"
#include "sdk/diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace lfs {

namespace {

// The eight neighbours in clockwise order from north-west; INVALID_DIR
// beyond the map border.
void neighbours_clockwise(int nbr[8], const std::vector<int> &map, int mx, int my, int mw, int mh)
{
    static const int kSteps[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}};
    for (int k = 0; k < 8; k++) {
        const int x = mx + kSteps[k][0], y = my + kSteps[k][1];
        nbr[k] = (x >= 0 && x < mw && y >= 0 && y < mh)
                     ? map[static_cast<size_t>(y) * static_cast<size_t>(mw) + static_cast<size_t>(x)]
                     : INVALID_DIR;
    }
}

} // namespace

int num_valid_8nbrs(const std::vector<int> &map, int mx, int my, int mw, int mh)
{
    int nbr[8];
    neighbours_clockwise(nbr, map, mx, my, mw, mh);
    int nvalid = 0;
    for (int d : nbr)
        if (d != INVALID_DIR)
            nvalid++;
    return nvalid;
}

void accum_nbr_vorticity(int &vmeasure, int dir1, int dir2, int ndirs)
{
    if (dir1 == INVALID_DIR || dir2 == INVALID_DIR || dir1 == dir2)
        return;
    int dist = dir2 - dir1;
    if (dist < 0)
        dist += ndirs;
    // A turn of more than half the directions counts as a turn backwards.
    if (dist > (ndirs >> 1))
        vmeasure--;
    else
        vmeasure++;
}

int vorticity(const std::vector<int> &map, int mx, int my, int mw, int mh, int ndirs)
{
    int nbr[8];
    neighbours_clockwise(nbr, map, mx, my, mw, mh);
    int vmeasure = 0;
    for (int k = 0; k < 8; k++)
        accum_nbr_vorticity(vmeasure, nbr[k], nbr[(k + 1) % 8], ndirs);
    return vmeasure;
}

int closest_dir_dist(int dir1, int dir2, int ndirs)
{
    if (dir1 < 0 || dir2 < 0)
        return INVALID_DIR;
    const int d1 = std::abs(dir2 - dir1);
    return std::min(d1, ndirs - d1);
}

int curvature(const std::vector<int> &map, int mx, int my, int mw, int mh, int ndirs)
{
    // The largest turn between the block's direction and a valid neighbour's.
    const int own = map[static_cast<size_t>(my) * static_cast<size_t>(mw) + static_cast<size_t>(mx)];
    int nbr[8];
    neighbours_clockwise(nbr, map, mx, my, mw, mh);
    int cmeasure = 0;
    for (int d : nbr)
        if (d != INVALID_DIR)
            cmeasure = std::max(cmeasure, closest_dir_dist(own, d, ndirs));
    return cmeasure;
}

int gen_high_curve_map(std::vector<int> &high_curve_map, const std::vector<int> &direction_map, int mw,
                       int mh, const LfsParams &lfsparms)
{
    const size_t n = static_cast<size_t>(mw < 0 ? 0 : mw) * static_cast<size_t>(mh < 0 ? 0 : mh);
    if (mw < 0 || mh < 0 || direction_map.size() < n) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : gen_high_curve_map : map size mismatch\n");
        return -531;
    }
    try {
        high_curve_map.assign(n, LFS_FALSE);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : gen_high_curve_map : malloc : high_curve_map\n");
        return -530;
    }
    const int ndirs = lfsparms.num_directions;
    for (int by = 0; by < mh; by++) {
        for (int bx = 0; bx < mw; bx++) {
            const size_t i = static_cast<size_t>(by) * static_cast<size_t>(mw) + static_cast<size_t>(bx);
            const int nvalid = num_valid_8nbrs(direction_map, bx, by, mw, mh);
            if (nvalid == 0)
                continue;
            if (direction_map[i] == INVALID_DIR) {
                if (nvalid >= lfsparms.vort_valid_nbr_min &&
                    vorticity(direction_map, bx, by, mw, mh, ndirs) >= lfsparms.highcurv_vorticity_min)
                    high_curve_map[i] = LFS_TRUE;
            } else if (curvature(direction_map, bx, by, mw, mh, ndirs) >= lfsparms.highcurv_curvature_min) {
                high_curve_map[i] = LFS_TRUE;
            }
        }
    }
    return 0;
}

} // namespace lfs
