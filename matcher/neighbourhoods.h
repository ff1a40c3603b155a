// Minutia neighbourhoods: the seven nearest minutiae of each minutia, seen
// from the minutia itself, and the comparison of two such neighbourhoods.
#ifndef RIDGESDK_MATCHER_NEIGHBOURHOODS_H
#define RIDGESDK_MATCHER_NEIGHBOURHOODS_H

#include "ridgesdk.h"

#include <cstdint>

namespace ridge {

constexpr int kNeighbourCount = 7;
// A raw template holds at most 128 minutiae; the tables keep two spare rows.
constexpr int kTableCapacity = 130;

struct NeighbourRecord {
    int32_t distance;    // 1.3 x Euclidean distance, rounded
    int32_t direction;   // degrees from the minutia's own angle, 0..359
    int32_t orientation; // neighbour's angle minus the minutia's, 0..359(360)
    int32_t index;       // neighbour's position in its template
};

struct Neighbourhood {
    NeighbourRecord records[kNeighbourCount]; // ascending distance
};

struct NeighbourhoodTable {
    Neighbourhood entries[kTableCapacity];
};

// Outcome of comparing a base neighbourhood with a live one: for each base
// record the live record matched to it, or -1.
struct NeighbourMatch {
    int count;
    int live_of_base[kNeighbourCount];
};

// Greatest distance difference, direction difference, orientation
// difference and summed cost of two corresponding neighbour records.
constexpr int32_t kMaxDistanceDifference = 12;
constexpr int32_t kMaxDirectionDifference = 10;
constexpr int32_t kMaxOrientationDifference = 20;
constexpr int32_t kMaxNeighbourCost = 30;

// Fills table entries 0..count-1 from the first count minutiae (8..128).
void buildNeighbourhoods(const RawMinutia *minutiae, int count, NeighbourhoodTable *table);

// The same, and order_free[i] true when entry i would be the same (its
// records naming the same minutiae) in any order of the template: its
// eight smallest squared distances, itself included, are distinct and
// below every other.
void buildNeighbourhoods(const RawMinutia *minutiae, int count, NeighbourhoodTable *table, bool *order_free);

// Entry i alone, as buildNeighbourhoods fills it.
void buildNeighbourhood(const RawMinutia *minutiae, int count, int i, Neighbourhood *hood);

// Number of corresponding neighbours (0..7); fills match->live_of_base.
int matchNeighbourhoods(const Neighbourhood &base, const Neighbourhood &live, NeighbourMatch *match);

} // namespace ridge

#endif
