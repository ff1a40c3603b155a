// A bifurcation whose contour closes within a few steps sits on a small
// hole in a ridge, not on a real fork.
#include "extract/minutiae/removal_tests.h"
#include "extract/minutiae/zone_maps.h"
#include "lfs/contour.h"

namespace ridge {

int remove_hole_minutiae(lfs::Minutiae &minutiae, const unsigned char *bdata, int iw, int ih,
                         const std::vector<int> &zone_map, int mw, int mh, int loop_len)
{
    return lfs::drop_minutiae_if(minutiae, [&](const lfs::Minutia &m) {
        if (m.type != lfs::BIFURCATION || !in_zone(zone_map, mw, mh, m))
            return 0;
        const int ret =
            lfs::search_contour(m.x, m.y, loop_len, m.x, m.y, m.ex, m.ey, lfs::SCAN_CLOCKWISE, bdata, iw, ih);
        if (ret == lfs::FOUND || ret == lfs::IGNORE)
            return 1;
        if (ret == lfs::NOT_FOUND)
            return 0;
        return ret < 0 ? ret : -615;
    });
}

} // namespace ridge
