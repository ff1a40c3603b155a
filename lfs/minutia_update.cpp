// Adding a detected minutia to the list unless the list already holds it.
#include "lfs/detect.h"

#include "lfs/contour.h"
#include "sdk/diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace lfs {

namespace {

// Same type, within max_minutia_delta on both axes, and directions no more
// than 45 degrees apart.
bool alike(const Minutia &listed, const Minutia &minutia, int dx, int dy, const LfsParams &lfsparms)
{
    if (dx >= lfsparms.max_minutia_delta || dy >= lfsparms.max_minutia_delta)
        return false;
    if (listed.type != minutia.type)
        return false;
    const int full_ndirs = lfsparms.num_directions << 1;
    const int qtr_ndirs = lfsparms.num_directions >> 2;
    int delta_dir = std::abs(listed.direction - minutia.direction);
    delta_dir = std::min(delta_dir, full_ndirs - delta_dir);
    return delta_dir <= qtr_ndirs;
}

// Whether the new minutia lies on the listed one's contour within
// max_minutia_delta steps either way. A trace that cannot start counts as
// a match too, as any non-zero search result does.
bool on_same_contour(const Minutia &listed, const Minutia &minutia, const unsigned char *bdata, int iw, int ih,
                     const LfsParams &lfsparms)
{
    return search_contour(minutia.x, minutia.y, lfsparms.max_minutia_delta, listed.x, listed.y, listed.ex,
                          listed.ey, SCAN_CLOCKWISE, bdata, iw, ih) != 0 ||
           search_contour(minutia.x, minutia.y, lfsparms.max_minutia_delta, listed.x, listed.y, listed.ex,
                          listed.ey, SCAN_COUNTER_CLOCKWISE, bdata, iw, ih) != 0;
}

int append(Minutiae &minutiae, const Minutia &minutia)
{
    if (minutiae.num() >= minutiae.alloc) {
        const int ret = realloc_minutiae(minutiae, MAX_MINUTIAE);
        if (ret != 0)
            return ret;
    }
    try {
        minutiae.list.push_back(minutia);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : update_minutiae : realloc : minutiae->list\n");
        return -432;
    }
    return 0;
}

} // namespace

int choose_scan_direction(int imapval, int ndirs)
{
    const int qtr_ndirs = ndirs >> 2;
    // Near-vertical flow is crossed best by a row scan.
    if (imapval <= qtr_ndirs || imapval > qtr_ndirs * 3)
        return SCAN_HORIZONTAL;
    return SCAN_VERTICAL;
}

int update_minutiae(Minutiae &minutiae, const Minutia &minutia, const unsigned char *bdata, int iw, int ih,
                    const LfsParams &lfsparms)
{
    for (const Minutia &listed : minutiae.list) {
        const int dx = std::abs(listed.x - minutia.x);
        const int dy = std::abs(listed.y - minutia.y);
        if (!alike(listed, minutia, dx, dy, lfsparms))
            continue;
        if (dx == 0 && dy == 0)
            return IGNORE;
        if (on_same_contour(listed, minutia, bdata, iw, ih, lfsparms))
            return IGNORE;
    }
    return append(minutiae, minutia);
}

int update_minutiae_V2(Minutiae &minutiae, const Minutia &minutia, int scan_dir, int dmapval,
                       const unsigned char *bdata, int iw, int ih, const LfsParams &lfsparms)
{
    // From the newest listed minutia back, so that a removal does not
    // disturb the entries still to be visited.
    for (int i = minutiae.num() - 1; i >= 0; i--) {
        const Minutia &listed = minutiae.list[static_cast<size_t>(i)];
        const int dx = std::abs(listed.x - minutia.x);
        const int dy = std::abs(listed.y - minutia.y);
        if (!alike(listed, minutia, dx, dy, lfsparms))
            continue;
        if (dx == 0 && dy == 0)
            return IGNORE;
        if (!on_same_contour(listed, minutia, bdata, iw, ih, lfsparms))
            continue;
        // The same feature found twice: keep the one found by the scan that
        // suits the block's flow.
        if (dmapval >= 0 && choose_scan_direction(dmapval, lfsparms.num_directions) == scan_dir) {
            const int ret = remove_minutia(i, minutiae);
            if (ret != 0)
                return ret;
        } else {
            return IGNORE;
        }
    }
    return append(minutiae, minutia);
}

} // namespace lfs
