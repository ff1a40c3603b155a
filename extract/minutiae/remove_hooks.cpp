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
                 const std::vector<int> &zone_map, int mw, int mh, int min_direction_difference, bool exclusive)
{
    std::vector<char> flags;
    if (!allocate_removal_flags(minutiae.num(), "remove_hooks", flags))
        return -640;
    // A pair lies within kMaxHookSpan on both axes: each minutia meets the
    // later ones of its neighbourhood, in list order, instead of the whole
    // rest of the list. The list is no longer in y order here (the side
    // test has moved minutiae), so the neighbourhood comes from a grid.
    lfs::MinutiaGrid grid;
    std::vector<int> near;
    try {
        lfs::file_minutiae(grid, minutiae, iw, ih);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : remove_hooks : malloc : grid\n");
        return -642;
    }
    const int n = minutiae.num();
    for (int fi = 0; fi < n - 1; ++fi) {
        const lfs::Minutia &f = minutiae.list[fi];
        if (!in_zone(zone_map, mw, mh, f) || (exclusive && flags[fi]))
            continue;
        grid.near(minutiae.list, f.x, f.y, kMaxHookSpan, near);
        for (const int si : near) {
            if (si <= fi)
                continue;
            const lfs::Minutia &s = minutiae.list[si];
            if (exclusive && (flags[si] || s.type == f.type))
                continue;
            const float dist = minutia_distance(f, s);
            if (dist >= kMaxHookDistance)
                continue;
            const int ret = is_hook(f, s, bdata, iw, ih);
            if (ret < 0)
                return ret;
            if (ret == lfs::IGNORE) {
                flags[fi] = 1;
                break;
            }
            if (ret != lfs::FOUND)
                continue;
            if (f.direction < 0 || s.direction < 0) {
                ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : remove_hooks : INVALID direction\n");
                return -641;
            }
            if (dist < kCloseHookDistance ||
                minutia_direction_difference(f.direction, s.direction) < min_direction_difference) {
                flags[fi] = 1;
                flags[si] = 1;
            }
        }
    }
    return remove_flagged_minutiae(flags, minutiae);
}

} // namespace ridge
