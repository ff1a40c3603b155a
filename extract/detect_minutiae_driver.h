// The detector entry of this system: maps, binarisation, detection and the
// zoned false-minutia removal.
#ifndef RIDGESDK_EXTRACT_DETECT_MINUTIAE_DRIVER_H
#define RIDGESDK_EXTRACT_DETECT_MINUTIAE_DRIVER_H

#include "extract/stage_times.h"
#include "lfs/lfs.h"
#include "lfs/lfs_params.h"

#include <vector>

namespace ridge {

struct DetectorResult {
    lfs::Minutiae minutiae;
    lfs::BlockMaps maps;
    std::vector<unsigned char> bdata; // iw x ih, 0 ridge, 255 valley
    int bw = 0, bh = 0;
};

// Returns 0, or the negative code of the stage that failed (after printing
// its diagnostic); on failure the result holds nothing.
int lfs_detect_minutiae_V2(DetectorResult &result, const unsigned char *idata, int iw, int ih,
                           const lfs::LfsParams &lfsparms, ExtractionStageTimes *times = nullptr);

// True when the image has a size the detector can address: both sides
// positive and the padded image's pixel count within int.
bool detector_accepts_size(int iw, int ih, const lfs::LfsParams &lfsparms);

} // namespace ridge

#endif
