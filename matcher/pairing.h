// Greedy one-to-one pairing of the base minutiae with the aligned live
// minutiae, and the evaluation of one candidate pair built on it.
#ifndef RIDGESDK_MATCHER_PAIRING_H
#define RIDGESDK_MATCHER_PAIRING_H

#include "matcher/alignment.h"

#include <cstdint>

namespace ridge {

// Points of a pair: 1000, plus 65 for two ridge endings or 300 for two
// bifurcations.
constexpr int32_t kPairPoints = 1000;
constexpr int32_t kRidgeEndingBonus = 65;
constexpr int32_t kBifurcationBonus = 300;
// Acceptance limits of a pair after alignment.
constexpr int32_t kMaxPairAngleDifference = 25;
constexpr int32_t kMaxPairRowDifference = 8; // |dy| of 9 or more fails
constexpr int32_t kMaxPairSquaredDistance = 70;

// Pairing score of the base template against the aligned live copy.
int32_t scorePairing(const RawMinutia *base, int base_count, const RawMinutia *aligned,
                     int live_count);

// The same pairing, also naming each base minutia's partner: partners[i] is
// the position of the live minutia paired with base minutia i, or -1
// (base_count entries).
int32_t pairPartners(const RawMinutia *base, int base_count, const RawMinutia *aligned,
                     int live_count, int *partners);

// Points that one pair of minutiae of these types adds.
inline int32_t pair_points(int32_t base_type, int32_t live_type)
{
    if (base_type == FPT_MINUTIA_RIDGE_ENDING && live_type == FPT_MINUTIA_RIDGE_ENDING)
        return kPairPoints + kRidgeEndingBonus;
    if (base_type == FPT_MINUTIA_BIFURCATION && live_type == FPT_MINUTIA_BIFURCATION)
        return kPairPoints + kBifurcationBonus;
    return kPairPoints;
}

constexpr int32_t kCandidateRejected = -1;

// Pairing score of candidate (i, j), or kCandidateRejected when its
// alignment is undefined or turns by more than 90 degrees.
int32_t evaluateCandidate(const RawMinutia *base, int base_count, const RawMinutia *live,
                          int live_count, int i, int j, const Neighbourhood &base_hood,
                          const Neighbourhood &live_hood, const NeighbourMatch &match);

} // namespace ridge

#endif
