// A quick test that rules out most candidate pairs before their
// neighbourhoods are compared record by record.
//
// Two neighbour records can only correspond when their directions differ by
// at most 10 degrees and their relative orientations by at most 20. Cutting
// the direction circle into 36 sectors of 10 degrees and the orientation
// circle into 18 of 20 degrees, such records lie in the same or adjacent
// sectors on both circles. Each live neighbourhood marks the 3 x 3 cells
// around each of its records; a base record outside every marked cell has
// no partner, and a candidate with fewer than three base records inside
// cannot reach the three corresponding neighbours it needs. The test never
// rules out a candidate that matchNeighbourhoods would accept.
#ifndef RIDGESDK_MATCHER_NEIGHBOURHOOD_KEYS_H
#define RIDGESDK_MATCHER_NEIGHBOURHOOD_KEYS_H

#include "matcher/neighbourhoods.h"

#include <cstdint>

namespace ridge {

constexpr int kDirectionSectors = 36;
constexpr int kOrientationSectors = 18;
constexpr int kSectorCells = kDirectionSectors * kOrientationSectors;
constexpr int kCellWords = (kSectorCells + 63) / 64;

struct NeighbourhoodKeys {
    // False when some record lies outside 0..359 (direction) or 0..360
    // (orientation), as only odd input angles produce; the keys are then
    // not filled and every candidate goes to matchNeighbourhoods.
    bool usable;
    uint16_t cell[kTableCapacity][kNeighbourCount];    // base side
    uint64_t reach[kTableCapacity][kCellWords];        // live side
};

// Fills the base-side cells of every entry.
void keyBaseNeighbourhoods(const NeighbourhoodTable &table, int count, NeighbourhoodKeys *keys);
// Fills the live-side reach of every entry.
void keyLiveNeighbourhoods(const NeighbourhoodTable &table, int count, NeighbourhoodKeys *keys);

// False only when the candidate certainly finds fewer than three
// corresponding neighbours.
inline bool mayCorrespond(const NeighbourhoodKeys &base, int i, const NeighbourhoodKeys &live, int j)
{
    const uint64_t *reach = live.reach[j];
    int inside = 0;
    for (int k = 0; k < kNeighbourCount; ++k) {
        const unsigned c = base.cell[i][k];
        inside += static_cast<int>((reach[c >> 6] >> (c & 63)) & 1u);
    }
    return inside >= 3;
}

} // namespace ridge

#endif
