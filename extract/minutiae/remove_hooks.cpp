// A ridge ending and a bifurcation joined by a short contour form a hook
// (a spur off a ridge): both are false when close enough or not facing
// each other.
#include "extract/minutiae/minutia_distance.h"
#include "extract/minutiae/pairwise_removal.h"
#include "extract/minutiae/removal_tests.h"
#include "extract/minutiae/zone_maps.h"
#include "lfs/contour.h"
#include "lfs/minutia_grid.h"
#include "sdk/diagnostics.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace ridge {

namespace {

constexpr int kMaxHookLen = 16;
constexpr float kMaxHookDistance = 20.0f;
constexpr int kMaxHookSpan = 20;
constexpr float kCloseHookDistance = 10.0f;

// lfs::FOUND when a contour of at most 16 steps leads from f to s in
// either scan, lfs::NOT_FOUND when not, lfs::IGNORE when it cannot start.
int is_hook(const lfs::Minutia &f, const lfs::Minutia &s, const unsigned char *bdata, int iw, int ih)
{
    // Unlike types lie on opposite pixel values: start from f's edge pixel
    // so the trace follows s's side of the boundary.
    int x = f.x, y = f.y, ex = f.ex, ey = f.ey;
    if (f.type != s.type) {
        x = f.ex;
        y = f.ey;
        ex = f.x;
        ey = f.y;
    }
    const int ret = lfs::search_contour(s.x, s.y, kMaxHookLen, x, y, ex, ey, lfs::SCAN_CLOCKWISE, bdata, iw, ih);
    if (ret != lfs::NOT_FOUND)
        return ret;
    return lfs::search_contour(s.x, s.y, kMaxHookLen, x, y, ex, ey, lfs::SCAN_COUNTER_CLOCKWISE, bdata, iw, ih);
}

} // namespace

int remove_hooks(lfs::Minutiae &minutiae, const unsigned char *bdata, int iw, int ih,
                 const std::vector<int> &zone_map, int mw, int mh, int min_direction_difference, bool exclusive,
                 PairWalk how)
{
    std::vector<char> flags;
    if (!allocate_removal_flags(minutiae.num(), "remove_hooks", flags))
        return -640;
    const int n = minutiae.num();
    // A pair lies within kMaxHookSpan on both axes, and the test does
    // nothing with any other minutia: with the grid each minutia meets only
    // the later ones around it, in list order. (The list is not in y order
    // here: the side test has moved minutiae.)
    const bool indexed = indexed_pair_walk(how, n);
    lfs::MinutiaGrid grid;
    std::vector<int> near;
    if (indexed) {
        try {
            lfs::file_minutiae(grid, minutiae, iw, ih);
        } catch (const std::bad_alloc &) {
            ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : remove_hooks : malloc : grid\n");
            return -642;
        }
    }
    for (int fi = 0; fi < n - 1; ++fi) {
        const lfs::Minutia &f = minutiae.list[fi];
        if (!in_zone(zone_map, mw, mh, f) || (exclusive && flags[fi]))
            continue;
        int error = 0;
        // False to stop the walk.
        auto step = [&](int si) {
            const lfs::Minutia &s = minutiae.list[si];
            if (exclusive && (flags[si] || s.type == f.type))
                return true;
            // Either offset alone at the limit already rules the pair out;
            // testing it first spares most distance computations.
            if (std::abs(s.x - f.x) >= kMaxHookSpan || std::abs(s.y - f.y) >= kMaxHookSpan)
                return true;
            const float dist = minutia_distance(f, s);
            if (dist >= kMaxHookDistance)
                return true;
            const int ret = is_hook(f, s, bdata, iw, ih);
            if (ret < 0) {
                error = ret;
                return false;
            }
            if (ret == lfs::IGNORE) {
                flags[fi] = 1;
                return false;
            }
            if (ret != lfs::FOUND)
                return true;
            if (f.direction < 0 || s.direction < 0) {
                ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : remove_hooks : INVALID direction\n");
                error = -641;
                return false;
            }
            if (dist < kCloseHookDistance ||
                minutia_direction_difference(f.direction, s.direction) < min_direction_difference) {
                flags[fi] = 1;
                flags[si] = 1;
            }
            return true;
        };
        if (indexed) {
            grid.near(minutiae.list, f.x, f.y, kMaxHookSpan, near);
            for (auto it = std::upper_bound(near.begin(), near.end(), fi); it != near.end(); ++it)
                if (!step(*it))
                    break;
        } else {
            for (int si = fi + 1; si < n; ++si)
                if (!step(si))
                    break;
        }
        if (error != 0)
            return error;
    }
    return remove_flagged_minutiae(flags, minutiae);
}

} // namespace ridge
