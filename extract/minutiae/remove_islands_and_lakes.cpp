// Two like minutiae that face each other on a small closed island (ridge
// endings) or lake (bifurcations) are both false: remove them and fill the
// loop so that later tests see the cleaned image.
#include "extract/minutiae/island_loop.h"
#include "extract/minutiae/minutia_distance.h"
#include "extract/minutiae/pairwise_removal.h"
#include "extract/minutiae/removal_tests.h"
#include "extract/minutiae/zone_maps.h"
#include "lfs/contour.h"
#include "sdk/diagnostics.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>

namespace ridge {

namespace {

constexpr int kMaxHalfLoop = 30;
constexpr int kMinDirectionDifference = 11; // pairs must differ by more

// 1 when flagged; 0 to go on with the next s; -1 to stop the inner loop;
// below -1 an error code.
int test_pair(std::vector<char> &flags, lfs::Minutiae &minutiae, int fi, int si, unsigned char *bdata, int iw,
              int ih, int limit, LaterMinutiae *later)
{
    const lfs::Minutia &f = minutiae.list[fi];
    const lfs::Minutia &s = minutiae.list[si];
    if (s.y - f.y > limit)
        return -1;
    if (minutia_distance(f, s) > static_cast<float>(limit))
        return 0;
    if (f.direction < 0 || s.direction < 0) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : remove_islands_and_lakes : INVALID direction\n");
        return -611;
    }
    if (minutia_direction_difference(f.direction, s.direction) <= kMinDirectionDifference)
        return 0;
    lfs::Contour loop;
    const int ret = on_island_lake(loop, f, s, kMaxHalfLoop, bdata, iw, ih);
    if (ret < 0)
        return ret;
    if (ret == lfs::IGNORE) {
        flags[fi] = 1;
        return -1;
    }
    if (ret == lfs::LOOP_FOUND) {
        if (const int fill = lfs::fill_loop(loop, bdata, iw, ih))
            return fill;
        if (later != nullptr && loop.num() > 0) {
            const auto xs = std::minmax_element(loop.x.begin(), loop.x.end());
            const auto ys = std::minmax_element(loop.y.begin(), loop.y.end());
            later->pixels_changed(*xs.first, *ys.first, *xs.second, *ys.second);
        }
        flags[fi] = 1;
        flags[si] = 1;
    }
    return 0;
}

} // namespace

int remove_islands_and_lakes(lfs::Minutiae &minutiae, unsigned char *bdata, int iw, int ih,
                             const std::vector<int> &zone_map, int mw, int mh, int bifurcation_limit,
                             int ending_limit, PairWalk how)
{
    std::vector<char> flags;
    if (!allocate_removal_flags(minutiae.num(), "remove_islands_and_lakes", flags))
        return -610;
    const int n = minutiae.num();
    LaterMinutiae later;
    later.choose(how, minutiae, flags, bdata, iw, ih);
    for (int fi = 0; fi < n - 1; ++fi) {
        if (flags[fi] || !in_zone(zone_map, mw, mh, minutiae.list[fi]))
            continue;
        const int ftype = minutiae.list[fi].type;
        const int limit = ftype == lfs::BIFURCATION ? bifurcation_limit : ending_limit;
        int error = 0;
        auto step = [&](int si) {
            const lfs::Minutia &f = minutiae.list[fi];
            const lfs::Minutia &s = minutiae.list[si];
            if (s.type != ftype)
                return true;
            // An earlier fill may have swallowed either minutia.
            if (binary_pixel(bdata, iw, ih, f.x, f.y) != f.type)
                return false;
            if (binary_pixel(bdata, iw, ih, s.x, s.y) != s.type)
                flags[si] = 1;
            if (flags[si])
                return true;
            const int ret =
                test_pair(flags, minutiae, fi, si, bdata, iw, ih, limit, later.indexed() ? &later : nullptr);
            if (ret < -1)
                error = ret;
            return ret >= 0;
        };
        later.visit(fi, limit, step);
        if (error != 0)
            return error;
    }
    return remove_flagged_minutiae(flags, minutiae);
}

} // namespace ridge
