// This system's zoned removal tests. Each works in place on the minutiae
// list (and some on the binary image, 1 = ridge, 0 = valley) and returns 0
// or a negative code after printing its diagnostic.
#ifndef RIDGESDK_EXTRACT_REMOVAL_TESTS_H
#define RIDGESDK_EXTRACT_REMOVAL_TESTS_H

#include "extract/minutiae/pairwise_removal.h"
#include "lfs/lfs.h"

#include <vector>

namespace ridge {

// Pairs of like minutiae on a small closed island or lake: both removed
// and the loop filled. Only pairs whose first minutia is in the zone.
int remove_islands_and_lakes(lfs::Minutiae &minutiae, unsigned char *bdata, int iw, int ih,
                             const std::vector<int> &zone_map, int mw, int mh, int bifurcation_limit,
                             int ending_limit, PairWalk how = PairWalk::Automatic);

// Bifurcations in the zone whose contour closes within loop_len steps.
int remove_hole_minutiae(lfs::Minutiae &minutiae, const unsigned char *bdata, int iw, int ih,
                         const std::vector<int> &zone_map, int mw, int mh, int loop_len);

// Pairs joined by a short contour (a hook).
int remove_hooks(lfs::Minutiae &minutiae, const unsigned char *bdata, int iw, int ih,
                 const std::vector<int> &zone_map, int mw, int mh, int min_direction_difference, bool exclusive,
                 PairWalk how = PairWalk::Automatic);

// Pairs of like minutiae facing each other across a short gap: both
// removed and the gap joined.
int remove_overlaps(lfs::Minutiae &minutiae, unsigned char *bdata, int iw, int ih,
                    PairWalk how = PairWalk::Automatic);

} // namespace ridge

#endif
