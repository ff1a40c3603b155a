// Minutia detection on the binary image (1 = ridge, 0 = valley).
#ifndef RIDGESDK_LFS_DETECT_H
#define RIDGESDK_LFS_DETECT_H

#include "lfs/lfs.h"
#include "lfs/lfs_params.h"

#include <vector>

namespace lfs {

// Scans horizontally then vertically adjacent pixel pairs against the
// feature patterns and appends the minutiae found. May fill loops in bdata.
int detect_minutiae_V2(Minutiae &minutiae, unsigned char *bdata, int iw, int ih,
                       const std::vector<int> &direction_map, const std::vector<int> &low_flow_map,
                       const std::vector<int> &high_curve_map, int mw, int mh, const LfsParams &lfsparms);

} // namespace lfs

#endif
