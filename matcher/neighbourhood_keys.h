// A quick test that rules out most candidate pairs before their
// neighbourhoods are compared record by record.
//
// Two neighbour records can only correspond when their directions differ by
// at most 10 degrees and their relative orientations by at most 20. Cutting
// the direction circle into 36 sectors of 10 degrees and the orientation
// circle into 18 of 20 degrees, such records lie in the same or adjacent
// sectors on both circles. Each live neighbourhood reaches the 3 x 3 cells
// around each of its records; a base record outside every cell a live
// neighbourhood reaches has no partner in it, and a candidate with fewer
// than three base records inside cannot reach the three corresponding
// neighbours it needs. The test never rules out a candidate that
// matchNeighbourhoods would accept.
//
// The live side is kept per cell, as the set of live minutiae reaching it
// (a 128-bit set), so that one base minutia is tested against every live
// minutia at once.
#ifndef RIDGESDK_MATCHER_NEIGHBOURHOOD_KEYS_H
#define RIDGESDK_MATCHER_NEIGHBOURHOOD_KEYS_H

#include "matcher/bit_scan.h"
#include "matcher/neighbourhoods.h"

#include <cstdint>

namespace ridge {

constexpr int kDirectionSectors = 36;
constexpr int kOrientationSectors = 18;
constexpr int kSectorCells = kDirectionSectors * kOrientationSectors;
constexpr int kLiveSetWords = (FPT_MAX_MINUTIAE + 63) / 64;

// A set of live positions 0..127.
struct LiveSet {
    uint64_t words[kLiveSetWords];
};

// Calls visit(position) for each member of the set, in ascending order.
template <class Visit> inline void forEachMember(const LiveSet &set, Visit visit)
{
    for (int word = 0; word < kLiveSetWords; ++word)
        for (uint64_t bits = set.words[word]; bits != 0; bits &= bits - 1)
            visit(word * 64 + lowest_set_bit(bits));
}

// How many of the sets added hold each position of a word, saturating at
// three, one bit plane per count: thrice holds the positions of three or
// more.
struct CountToThree {
    uint64_t once = 0, twice = 0, thrice = 0;
    void add(uint64_t set)
    {
        thrice |= twice & set;
        twice |= once & set;
        once |= set;
    }
};

// Keys of a template's table. usable is false when some record lies
// outside 0..359 (direction) or 0..360 (orientation), as only odd input
// angles produce; the keys are then not filled and every candidate goes to
// matchNeighbourhoods.
struct BaseKeys {
    bool usable;
    uint16_t cell[kTableCapacity][kNeighbourCount];
};
struct LiveKeys {
    bool usable;
    LiveSet reaching[kSectorCells]; // live positions whose reach holds the cell
};

void keyBaseNeighbourhoods(const NeighbourhoodTable &table, int count, BaseKeys *keys);
void keyLiveNeighbourhoods(const NeighbourhoodTable &table, int count, LiveKeys *keys);

// The live positions that base entry i may correspond with: those that at
// least three of its records fall inside.
LiveSet possiblePartners(const BaseKeys &base, int i, const LiveKeys &live);

} // namespace ridge

#endif
