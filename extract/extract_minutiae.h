// The extraction pipeline: an 8-bit grey image to at most 128 minutiae with
// reliabilities and refined angles, ordered by y then x.
#ifndef RIDGESDK_EXTRACT_EXTRACT_MINUTIAE_H
#define RIDGESDK_EXTRACT_EXTRACT_MINUTIAE_H

#include "extract/stage_times.h"
#include "lfs/lfs.h"

namespace ridge {

// Scan resolution the reliability neighbourhood is sized for (500 ppi).
constexpr float kPixelsPerMillimetre = 19.68504f;

// Returns 0 and the minutiae, or the negative code of the failing stage with
// an empty list. `times`, when given, receives the time spent per stage.
int extract_minutiae(lfs::Minutiae &minutiae, const unsigned char *idata, int iw, int ih,
                     ExtractionStageTimes *times = nullptr);

} // namespace ridge

#endif
