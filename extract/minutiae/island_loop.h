// Whether two minutiae lie on one small closed contour (an island or a
// lake), and that contour when they do.
#ifndef RIDGESDK_EXTRACT_ISLAND_LOOP_H
#define RIDGESDK_EXTRACT_ISLAND_LOOP_H

#include "lfs/lfs.h"

namespace ridge {

// lfs::LOOP_FOUND with the closed contour (m1, the trace to m2, m2, the
// trace back) when each minutia reaches the other within max_half_loop
// steps; lfs::LFS_FALSE when not; lfs::IGNORE when a trace cannot start.
int on_island_lake(lfs::Contour &loop, const lfs::Minutia &m1, const lfs::Minutia &m2, int max_half_loop,
                   const unsigned char *bdata, int iw, int ih);

} // namespace ridge

#endif
