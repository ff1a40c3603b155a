// One candidate pair of the candidate loop over compact neighbourhoods:
// the neighbourhood comparison and, when at least three neighbours
// correspond, evaluateCandidate with the pairing through a grid.
#ifndef RIDGESDK_MATCHER_CANDIDATE_EVALUATION_H
#define RIDGESDK_MATCHER_CANDIDATE_EVALUATION_H

#include "matcher/alignment.h"
#include "matcher/compact_hoods.h"
#include "matcher/compare_templates.h"
#include "matcher/indexed_pairing.h"
#include "matcher/pairing.h"

namespace ridge {

constexpr int kMinimumCorrespondingNeighbours = 3;

// The candidate loop's state for one comparison: base and live sides.
struct Sides {
    const RawMinutia *base;
    int base_count;
    const CompactHood *base_hoods;
    const RawMinutia *live;
    int live_count;
    const CompactHood *live_hoods;
    const PairingGrid *grid; // of the base
    PairingScratch *scratch;
    // When not null, the base records name other positions, renamed to
    // base positions through this table.
    const uint8_t *base_rank;
    // Every live angle lies within 0..360.
    bool live_angles_plain;
};

static_assert(kAlignedCoordinateLimit == kIndexedCoordinateLimit, "one limit for the aligned coordinates");

// The rest of evaluateCandidate once the correspondences are listed: the
// alignment they give and its pairing score; a value not above must_exceed
// when it cannot beat it. (The sides' neighbourhoods are not read.)
inline int32_t scoreCorrespondences(const Sides &s, const CorrespondenceList &list, int32_t must_exceed)
{
    Alignment alignment;
    if (!estimateAlignment(list, s.base, s.live, &alignment) || !rotationWithinGate(alignment.rotation))
        return kCandidateRejected;
    RawMinutia aligned[FPT_MAX_MINUTIAE];
    bool within;
    if (s.live_angles_plain) {
        within = applyAlignmentWithinLimit(s.live, s.live_count, alignment, aligned);
    } else {
        applyAlignment(s.live, s.live_count, alignment, aligned);
        within = withinIndexedLimit(aligned, s.live_count);
    }
    if (s.grid->indexable() && within)
        return scoreOnGrid(*s.grid, aligned, s.live_count, must_exceed, s.scratch);
    return scorePairing(s.base, s.base_count, aligned, s.live_count);
}

// evaluateCandidate for (i, j) with the chosen records; a value not above
// must_exceed when it cannot beat it.
inline int32_t evaluateCompactCandidate(const Sides &s, int i, int j, const NeighbourMatch &match, int32_t must_exceed)
{
    CorrespondenceList list;
    int n = 0;
    const CompactHood &bh = s.base_hoods[i], &lh = s.live_hoods[j];
    for (int k = 0; k < kNeighbourCount; ++k) {
        const int m = match.live_of_base[k];
        if (m < 0)
            continue;
        insertByBase(&list, n, {s.base_rank != nullptr ? s.base_rank[bh.index[k]] : bh.index[k], lh.index[m]});
        ++n;
    }
    list.pairs[n++] = Correspondence{i, j};
    list.count = n;
    return scoreCorrespondences(s, list, must_exceed);
}

// Tries candidate (i, j) and keeps its score when it beats best; then
// returns true, with the corresponding records in *chosen when given.
inline bool tryCompactCandidate(const Sides &s, int i, int j, int32_t *best, NeighbourMatch *chosen = nullptr)
{
    if (!withinCandidateAngle(s.base[i].angle, s.live[j].angle))
        return false;
    RecordAcceptance acceptance;
    if (acceptRecords(s.base_hoods[i], s.live_hoods[j], &acceptance) < kMinimumCorrespondingNeighbours)
        return false;
    NeighbourMatch match;
    if (chooseRecords(acceptance, &match) < kMinimumCorrespondingNeighbours)
        return false;
    const int32_t score = evaluateCompactCandidate(s, i, j, match, *best);
    if (score <= *best)
        return false;
    *best = score;
    if (chosen != nullptr)
        *chosen = match;
    return true;
}

} // namespace ridge

#endif
