// Greedy pairing and candidate evaluation.
#include "matcher/pairing.h"

#include "matcher/int32_arith.h"

namespace ridge {

namespace {

// One greedy pass; partners, when kNamePartners, receives each base
// minutia's partner.
template <bool kNamePartners>
int32_t greedy_pairing(const RawMinutia *base, int base_count, const RawMinutia *aligned, int live_count,
                       int *partners)
{
    bool used[FPT_MAX_MINUTIAE + 2] = {};
    int32_t score = 0;
    for (int i = 0; i < base_count; ++i) {
        int32_t best_distance = 1000000;
        int partner = -1;
        for (int j = 0; j < live_count; ++j) {
            if (used[j])
                continue;
            if (circular_difference(base[i].angle, aligned[j].angle) > kMaxPairAngleDifference)
                continue;
            const int32_t dy = sub32(base[i].y, aligned[j].y);
            if (abs32(dy) > kMaxPairRowDifference)
                continue;
            const int32_t dx = sub32(base[i].x, aligned[j].x);
            const int32_t d = add32(mul32(dx, dx), mul32(dy, dy));
            if (d > kMaxPairSquaredDistance)
                continue;
            if (d < best_distance) {
                best_distance = d;
                partner = j;
            }
        }
        if constexpr (kNamePartners)
            partners[i] = partner;
        if (partner >= 0) {
            score += pair_points(base[i].type, aligned[partner].type);
            used[partner] = true;
        }
    }
    return score;
}

} // namespace

int32_t scorePairing(const RawMinutia *base, int base_count, const RawMinutia *aligned,
                     int live_count)
{
    return greedy_pairing<false>(base, base_count, aligned, live_count, nullptr);
}

int32_t pairPartners(const RawMinutia *base, int base_count, const RawMinutia *aligned,
                     int live_count, int *partners)
{
    return greedy_pairing<true>(base, base_count, aligned, live_count, partners);
}

int32_t evaluateCandidate(const RawMinutia *base, int base_count, const RawMinutia *live,
                          int live_count, int i, int j, const Neighbourhood &base_hood,
                          const Neighbourhood &live_hood, const NeighbourMatch &match)
{
    CorrespondenceList list;
    collectCorrespondences(base_hood, live_hood, match, i, j, &list);
    Alignment alignment;
    if (!estimateAlignment(list, base, live, &alignment))
        return kCandidateRejected;
    if (!rotationWithinGate(alignment.rotation))
        return kCandidateRejected;
    RawMinutia aligned[FPT_MAX_MINUTIAE];
    applyAlignment(live, live_count, alignment, aligned);
    return scorePairing(base, base_count, aligned, live_count);
}

} // namespace ridge
