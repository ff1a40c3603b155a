// A bifurcation whose contour closes within a few steps sits on a small
// hole in a ridge, not on a real fork.
#include "extract/minutiae/removal_tests.h"
#include "extract/minutiae/zone_maps.h"
#include "lfs/contour.h"

namespace ridge {

int remove_hole_minutiae(lfs::Minutiae &minutiae, const unsigned char *bdata, int iw, int ih,
                         const std::vector<int> &zone_map, int mw, int mh, int loop_len)
{
    int i = 0;
    while (i < minutiae.num()) {
        const lfs::Minutia &m = minutiae.list[i];
        if (m.type != lfs::BIFURCATION || !in_zone(zone_map, mw, mh, m)) {
            ++i;
            continue;
        }
        const int ret =
            lfs::search_contour(m.x, m.y, loop_len, m.x, m.y, m.ex, m.ey, lfs::SCAN_CLOCKWISE, bdata, iw, ih);
        if (ret == lfs::FOUND || ret == lfs::IGNORE) {
            if (const int rm = lfs::remove_minutia(i, minutiae))
                return rm;
        } else if (ret == lfs::NOT_FOUND) {
            ++i;
        } else {
            return ret < 0 ? ret : -615;
        }
    }
    return 0;
}

} // namespace ridge
