// Neighbour direction averaging in 16.16 fixed point, and the two map
// passes built on it: removal of inconsistent directions and smoothing.
#ifndef RIDGESDK_EXTRACT_NEIGHBOUR_DIRECTION_H
#define RIDGESDK_EXTRACT_NEIGHBOUR_DIRECTION_H

#include "lfs/lfs.h"
#include "lfs/lfs_params.h"

#include <vector>

namespace ridge {

// Minimum strength of an average direction, in units of 1/65536 (0.2).
constexpr int DIR_STRENGTH_MIN = 13107;

struct NeighbourAverage {
    int direction = -1;    // 0..ndirs-1, or -1 when too weak or no neighbours
    float strength = 0.0f; // in units of 1/65536
    int valid = 0;         // neighbours with a valid direction
};

// Average of the valid directions among the eight neighbours of (mx, my).
NeighbourAverage average_neighbour_direction(const int *direction_map, int mx, int my, int mw, int mh,
                                             const lfs::Dir2Rad &dir2rad);

// Sets to -1 every block whose direction disagrees with its neighbours,
// pass after pass, each pass judging all blocks against the map as the pass
// found it, until a pass removes nothing.
void remove_inconsistent_directions(std::vector<int> &direction_map, int mw, int mh,
                                    const lfs::Dir2Rad &dir2rad, const lfs::LfsParams &lfsparms);

// One raster pass that replaces the direction of every block not flagged in
// low_contrast_map by its neighbours' average where that is strong enough.
void smooth_direction_map(std::vector<int> &direction_map, const std::vector<int> &low_contrast_map, int mw,
                          int mh, const lfs::Dir2Rad &dir2rad, const lfs::LfsParams &lfsparms);

} // namespace ridge

#endif
