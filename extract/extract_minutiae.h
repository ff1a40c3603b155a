// The extraction pipeline: an 8-bit grey image to at most 128 minutiae with
// reliabilities and refined angles, ordered by y then x.
#ifndef RIDGESDK_EXTRACT_EXTRACT_MINUTIAE_H
#define RIDGESDK_EXTRACT_EXTRACT_MINUTIAE_H

#include "extract/stage_times.h"
#include "lfs/lfs.h"

#include <vector>

namespace ridge {

// Scan resolution the reliability neighbourhood is sized for (500 ppi).
constexpr float kPixelsPerMillimetre = 19.68504f;

// What the pipeline worked on, kept for a caller who wants to see it. The
// minutiae snapshots are taken after the reliabilities are set: before the
// screening of ridge endings, after its first step and after its second;
// each is in detector order, with the detector direction and no angle.
struct ExtractionProducts {
    lfs::BlockMaps maps;
    std::vector<int> quality_map;       // mw x mh, levels 0..4
    std::vector<unsigned char> binary;  // iw x ih, 0 ridge, 255 valley and background
    lfs::Minutiae before_screening;
    lfs::Minutiae after_void_screening;
    lfs::Minutiae after_side_screening;
};

// Returns 0 and the minutiae, or the negative code of the failing stage with
// an empty list. `times`, when given, receives the time spent per stage;
// `products`, when given, what the stages produced (emptied on failure).
// Neither changes the minutiae.
int extract_minutiae(lfs::Minutiae &minutiae, const unsigned char *idata, int iw, int ih,
                     ExtractionStageTimes *times = nullptr, ExtractionProducts *products = nullptr);

} // namespace ridge

#endif
