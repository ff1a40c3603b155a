// A quick test of candidate pairs against one template that recurs (the
// probe of a search), finer than the sector keys of neighbourhood_keys.h:
// it also looks at distances.
//
// Two neighbour records can only correspond when their distances differ by
// at most 12, their directions by at most 10 degrees and their relative
// orientations by at most 20. Cutting distances in bands 13 wide (the last
// band open-ended), directions in 36 sectors and orientations in 18, such
// records lie in the same or adjacent cells on all three axes. A candidate
// needs three corresponding record pairs, with three distinct records on
// each side: so at least three records of the other template's minutia
// fall inside the cells that the recurring minutia's records reach. The
// index keeps, for each cell, the set of the recurring template's minutiae
// that reach it, and tests one minutia of the other template against all of
// them at once. It never rules out a candidate that matchNeighbourhoods
// would accept, whichever side is the base.
#ifndef RIDGESDK_MATCHER_REACH_INDEX_H
#define RIDGESDK_MATCHER_REACH_INDEX_H

#include "matcher/compact_hoods.h"
#include "matcher/neighbourhood_keys.h"

#include <cstdint>

namespace ridge {

constexpr int kBandWidth = kMaxDistanceDifference + 1;
constexpr int kDistanceBands = 16;
constexpr int kReachCells = kDistanceBands * kDirectionSectors * kOrientationSectors;

inline int reachCell(int32_t distance, int32_t direction, int32_t orientation)
{
    const int band = distance / kBandWidth < kDistanceBands ? distance / kBandWidth : kDistanceBands - 1;
    return (band * kDirectionSectors + direction / 10) * kOrientationSectors + (orientation % 360) / 20;
}

// reachCell of records 0..6 of the hood (lane 7 is left undefined), a
// whole row at a time where the machine allows.
void reachCells(const CompactHood &hood, uint16_t cells[kCompactLanes]);

class ReachIndex {
public:
    // Indexes positions 0..count-1 (count 1..128) of the compact table.
    void build(const CompactHood *hoods, int count);

    // The indexed positions that at least three records of hood fall in
    // the reach of.
    LiveSet partners(const CompactHood &hood) const;

private:
    int words_ = 0;
    // Word w of the set of cell c at cells_[w][c].
    uint64_t cells_[kLiveSetWords][kReachCells];
};

} // namespace ridge

#endif
