// This system's zoned false-minutia removal.
#ifndef RIDGESDK_EXTRACT_FALSE_MINUTIAE_H
#define RIDGESDK_EXTRACT_FALSE_MINUTIAE_H

#include "lfs/lfs.h"

#include <vector>

namespace ridge {

// bdata: 1 = ridge, 0 = valley; edited in place by some tests.
int remove_false_minutiae(lfs::Minutiae &minutiae, unsigned char *bdata, int iw, int ih,
                          const std::vector<int> &direction_map, const std::vector<int> &low_flow_map,
                          const std::vector<int> &high_curve_map, int mw, int mh);

} // namespace ridge

#endif
