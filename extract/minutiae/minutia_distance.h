// Pair measures shared by the zoned removal tests.
#ifndef RIDGESDK_EXTRACT_MINUTIA_DISTANCE_H
#define RIDGESDK_EXTRACT_MINUTIA_DISTANCE_H

#include "lfs/lfs.h"

namespace ridge {

// Integer-friendly distance: r = floor(sqrt(dx^2 + dy^2)); exactly r when
// the squared distance is a perfect square, r + 0.5 otherwise.
float minutia_distance(const lfs::Minutia &a, const lfs::Minutia &b);
float minutia_distance(int dx, int dy);

// Difference of two 32-step directions folded onto 0..16.
int minutia_direction_difference(int dir1, int dir2);

} // namespace ridge

#endif
