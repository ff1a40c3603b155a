// Two like minutiae facing each other across a short gap are the two ends
// of one ridge (or valley) broken by noise: remove both and join the gap.
#include "extract/minutiae/join_line.h"
#include "extract/minutiae/minutia_distance.h"
#include "extract/minutiae/pairwise_removal.h"
#include "extract/minutiae/removal_tests.h"
#include "lfs/contour.h"
#include "lfs/geometry.h"
#include "sdk/diagnostics.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>

namespace ridge {

namespace {

constexpr int kMaxOverlapDist = 8;
constexpr float kMaxOverlapJoinDist = 6.0f;
constexpr int kMinOpposition = 13; // direction difference must exceed it
constexpr int kMaxJoinDeviation = 8;
constexpr int kMaxTransitions = 2;
constexpr int kFullDirections = 32;

// True when the straight path crosses at most kMaxTransitions changes of
// pixel value; negative on failure.
int free_path(int x1, int y1, int x2, int y2, const unsigned char *bdata, int iw, int ih)
{
    std::vector<int> xs, ys;
    if (const int ret = lfs::line_points(xs, ys, x1, y1, x2, y2))
        return ret;
    int transitions = 0;
    int previous = binary_pixel(bdata, iw, ih, x1, y1);
    for (size_t i = 1; i < xs.size(); ++i) {
        if (xs[i] < 0 || ys[i] < 0 || xs[i] >= iw || ys[i] >= ih)
            return lfs::LFS_FALSE;
        const int value = binary_pixel(bdata, iw, ih, xs[i], ys[i]);
        if (value != previous && ++transitions > kMaxTransitions)
            return lfs::LFS_FALSE;
        previous = value;
    }
    return lfs::LFS_TRUE;
}

// 1 = flag both, 0 = keep, -1 = stop the inner loop, below -1 an error.
int test_pair(const lfs::Minutia &f, const lfs::Minutia &s, const unsigned char *bdata, int iw, int ih)
{
    if (s.y - f.y > kMaxOverlapDist)
        return -1;
    const float dist = minutia_distance(f, s);
    if (dist > static_cast<float>(kMaxOverlapDist))
        return 0;
    if (f.direction < 0 || s.direction < 0) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : remove_overlaps : INVALID direction\n");
        return -651;
    }
    if (minutia_direction_difference(f.direction, s.direction) <= kMinOpposition || f.type != s.type)
        return 0;
    const int opposite = (f.direction + kFullDirections / 2) % kFullDirections;
    const int deviation = minutia_direction_difference(lfs::line2direction(f.x, f.y, s.x, s.y, kFullDirections / 2), opposite);
    if (deviation > kMaxJoinDeviation && dist > kMaxOverlapJoinDist)
        return 0;
    const int path = free_path(f.x, f.y, s.x, s.y, bdata, iw, ih);
    if (path < 0)
        return path;
    return path == lfs::LFS_TRUE ? 1 : 0;
}

} // namespace

int remove_overlaps(lfs::Minutiae &minutiae, unsigned char *bdata, int iw, int ih, PairWalk how)
{
    std::vector<char> flags;
    if (!allocate_removal_flags(minutiae.num(), "remove_overlaps", flags))
        return -650;
    const int n = minutiae.num();
    LaterMinutiae later;
    later.choose(how, minutiae, flags, bdata, iw, ih);
    for (int fi = 0; fi < n - 1; ++fi) {
        if (flags[fi])
            continue;
        int error = 0;
        auto step = [&](int si) {
            const lfs::Minutia &f = minutiae.list[fi];
            const lfs::Minutia &s = minutiae.list[si];
            // A join drawn earlier may have covered either minutia.
            if (binary_pixel(bdata, iw, ih, f.x, f.y) != f.type)
                return false;
            if (binary_pixel(bdata, iw, ih, s.x, s.y) != s.type)
                flags[si] = 1;
            if (flags[si])
                return true;
            const int ret = test_pair(f, s, bdata, iw, ih);
            if (ret < -1)
                error = ret;
            if (ret < 0)
                return false;
            if (ret == 1) {
                flags[fi] = 1;
                flags[si] = 1;
                draw_join_line(bdata, iw, ih, s.x, s.y, f.x, f.y, static_cast<unsigned char>(f.type));
                if (later.indexed())
                    later.pixels_changed(std::min(s.x, f.x), std::min(s.y, f.y), std::max(s.x, f.x),
                                         std::max(s.y, f.y));
            }
            return true;
        };
        later.visit(fi, kMaxOverlapDist, step);
        if (error != 0)
            return error;
    }
    return remove_flagged_minutiae(flags, minutiae);
}

} // namespace ridge
