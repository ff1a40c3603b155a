// First block maps of the detector: contrast, direction and low flow.
#ifndef RIDGESDK_EXTRACT_INITIAL_MAPS_H
#define RIDGESDK_EXTRACT_INITIAL_MAPS_H

#include "lfs/lfs.h"
#include "lfs/lfs_params.h"

#include <vector>

namespace ridge {

// Origin (offset in the padded image) of the analysis window of the block
// whose origin is at blkoffset: windowoffset up and left of it, clamped so
// the unrotated window lies inside the unpadded image.
int window_origin(int blkoffset, int pw, int ph, int pad, const lfs::LfsParams &lfsparms);

// Runs the contrast test on every block, keeps the largest contrasted
// region, opens the low-contrast set, then finds a direction for every
// block left with contrast (low_flow_map flags those that get none).
// Returns 0, or a negative code after releasing what it made.
int gen_initial_maps(std::vector<int> &direction_map, std::vector<int> &low_contrast_map,
                     std::vector<int> &low_flow_map, const std::vector<int> &blkoffs, int mw, int mh,
                     const unsigned char *pdata, int pw, int ph, const lfs::DftWaves &dftwaves,
                     const lfs::RotGrids &dftgrids, const lfs::LfsParams &lfsparms);

} // namespace ridge

#endif
