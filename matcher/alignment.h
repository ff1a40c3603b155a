// Alignment of the live template onto the base template for one candidate
// pair: the point correspondences, their least-squares similarity transform
// in fixed point of scale 256, and the mapping of the live minutiae.
#ifndef RIDGESDK_MATCHER_ALIGNMENT_H
#define RIDGESDK_MATCHER_ALIGNMENT_H

#include "matcher/neighbourhoods.h"

#include <cstdint>

namespace ridge {

struct Correspondence {
    int base; // position in the base template
    int live; // position in the live template
};

struct CorrespondenceList {
    int count;
    Correspondence pairs[kTableCapacity];
};

// Maps a live point (x, y) to ((c*x - s*y + tx256) >> 8, (s*x + c*y + ty256) >> 8).
struct Alignment {
    int32_t c;        // 256 x scale x cos(rotation), truncated
    int32_t s;        // 256 x scale x sin(rotation), truncated
    int32_t rotation; // whole degrees, -179..179
    int32_t tx256;    // whole-pixel x translation x 256
    int32_t ty256;    // whole-pixel y translation x 256
};

// Rotations beyond this many degrees either way are not the same finger.
constexpr int32_t kMaxRotation = 90;
inline bool rotationWithinGate(int32_t rotation)
{
    return rotation >= -kMaxRotation && rotation <= kMaxRotation;
}

// Adds pair to list->pairs[0..n-1], which stay in ascending base position
// (the base positions are distinct).
inline void insertByBase(CorrespondenceList *list, int n, const Correspondence &pair)
{
    int at = n;
    while (at > 0 && list->pairs[at - 1].base > pair.base) {
        list->pairs[at] = list->pairs[at - 1];
        --at;
    }
    list->pairs[at] = pair;
}

// The matched neighbour pairs in ascending base position, then (i, j).
void collectCorrespondences(const Neighbourhood &base, const Neighbourhood &live,
                            const NeighbourMatch &match, int i, int j, CorrespondenceList *list);

// Least-squares estimate from live points to base points. False when the
// estimate is undefined (zero denominator, or a translation quotient that
// does not fit in 32 bits); such a candidate is skipped.
bool estimateAlignment(const CorrespondenceList &list, const RawMinutia *base,
                       const RawMinutia *live, Alignment *alignment);

// Writes every live minutia mapped through the alignment into aligned.
void applyAlignment(const RawMinutia *live, int count, const Alignment &alignment,
                    RawMinutia *aligned);

// applyAlignment for live angles within 0..360 and a rotation within the
// gate, two minutiae at a time on processors with 256-bit integer vectors.
// Returns whether every mapped coordinate lies within
// +-kAlignedCoordinateLimit.
constexpr int32_t kAlignedCoordinateLimit = 16383;
bool applyAlignmentWithinLimit(const RawMinutia *live, int count, const Alignment &alignment,
                               RawMinutia *aligned);

// The same one minutia at a time (kept callable for the tests).
bool applyAlignmentWithinLimitByMinutia(const RawMinutia *live, int count, const Alignment &alignment,
                                        RawMinutia *aligned);

} // namespace ridge

#endif
