#include "extract/minutiae/island_loop.h"

#include "lfs/contour.h"

#include <cstddef>

namespace ridge {

namespace {

void append(lfs::Contour &to, int x, int y, int ex, int ey)
{
    to.x.push_back(x);
    to.y.push_back(y);
    to.ex.push_back(ex);
    to.ey.push_back(ey);
}

} // namespace

int on_island_lake(lfs::Contour &loop, const lfs::Minutia &m1, const lfs::Minutia &m2, int max_half_loop,
                   const unsigned char *bdata, int iw, int ih)
{
    // Each trace ends as a loop when its next step would land on the
    // other minutia.
    lfs::Contour there, back;
    int ret = lfs::trace_contour(there, max_half_loop, m2.x, m2.y, m1.x, m1.y, m1.ex, m1.ey, lfs::SCAN_CLOCKWISE,
                                 bdata, iw, ih);
    if (ret < 0 || ret == lfs::IGNORE)
        return ret;
    if (ret != lfs::LOOP_FOUND)
        return lfs::LFS_FALSE;
    ret = lfs::trace_contour(back, max_half_loop, m1.x, m1.y, m2.x, m2.y, m2.ex, m2.ey, lfs::SCAN_CLOCKWISE, bdata,
                             iw, ih);
    if (ret < 0 || ret == lfs::IGNORE)
        return ret;
    if (ret != lfs::LOOP_FOUND)
        return lfs::LFS_FALSE;

    loop = lfs::Contour{};
    append(loop, m1.x, m1.y, m1.ex, m1.ey);
    for (int i = 0; i < there.num(); ++i)
        append(loop, there.x[i], there.y[i], there.ex[i], there.ey[i]);
    append(loop, m2.x, m2.y, m2.ex, m2.ey);
    for (int i = 0; i < back.num(); ++i)
        append(loop, back.x[i], back.y[i], back.ex[i], back.ey[i]);
    return lfs::LOOP_FOUND;
}

} // namespace ridge
