// The match driver: which template is aligned onto which, and the loop over
// candidate pairs of minutiae that proposes the alignments.
#include "matcher/compare_templates.h"

#include "matcher/candidate_evaluation.h"
#include "matcher/described_templates.h"
#include "matcher/indexed_pairing.h"
#include "matcher/int32_arith.h"
#include "matcher/neighbourhood_keys.h"
#include "matcher/neighbourhoods.h"
#include "matcher/pairing.h"
#include "matcher/random_minutiae.h"

namespace ridge {

namespace {

// Working storage of one comparison, one per thread, so that comparisons on
// different threads never share it.
struct ComparisonWorkspace {
    DescribedTemplates described;
    PairingGrid grid;
    PairingScratch scratch;
};

ComparisonWorkspace &thread_workspace()
{
    thread_local ComparisonWorkspace workspace;
    return workspace;
}

// The distance ranges of the two neighbourhoods overlap within the
// tolerance: matchNeighbourhoods's own first test.
bool distanceRangesOverlap(const Neighbourhood &base, const Neighbourhood &live)
{
    return sub32(base.records[0].distance, live.records[kNeighbourCount - 1].distance) <=
               kMaxDistanceDifference &&
           sub32(live.records[0].distance, base.records[kNeighbourCount - 1].distance) <=
               kMaxDistanceDifference;
}

// Records candidate (i, j) with the alignment its evaluation estimated.
// Kept out of line: the candidate loop stays as it is without a record.
#if defined(__GNUC__) || defined(__clang__)
__attribute__((noinline))
#endif
void noteBestCandidate(BestCandidate *record, const RawMinutia *base, const RawMinutia *live, int i, int j,
                       const Neighbourhood &base_hood, const Neighbourhood &live_hood, const NeighbourMatch &match)
{
    CorrespondenceList list;
    collectCorrespondences(base_hood, live_hood, match, i, j, &list);
    record->found = estimateAlignment(list, base, live, &record->alignment);
    record->base_index = i;
    record->live_index = j;
}

} // namespace

int32_t boundingBoxArea(const RawMinutia *minutiae, int count)
{
    int32_t min_x = minutiae[0].x, max_x = minutiae[0].x;
    int32_t min_y = minutiae[0].y, max_y = minutiae[0].y;
    for (int k = 1; k < count; ++k) {
        if (minutiae[k].x < min_x) min_x = minutiae[k].x;
        if (minutiae[k].x > max_x) max_x = minutiae[k].x;
        if (minutiae[k].y < min_y) min_y = minutiae[k].y;
        if (minutiae[k].y > max_y) max_y = minutiae[k].y;
    }
    return mul32(sub32(max_x, min_x), sub32(max_y, min_y));
}

bool secondIsBase(const RawMinutia *a, const RawMinutia *b, int count_a, int count_b)
{
    if (count_a != count_b)
        return count_a < count_b;
    return boundingBoxArea(a, count_a) < boundingBoxArea(b, count_b);
}

void sortByX(RawMinutia *minutiae, int count)
{
    for (int k = 1; k < count; ++k) {
        const RawMinutia m = minutiae[k];
        int at = k;
        while (at > 0 && minutiae[at - 1].x > m.x) {
            minutiae[at] = minutiae[at - 1];
            --at;
        }
        minutiae[at] = m;
    }
}

double similarityScore(int32_t best_pairing, int count_a, int count_b)
{
    const double c = static_cast<double>(best_pairing);
    return (c / count_b + c / count_a) * 50 / 1000;
}

int32_t compareTemplates(RawMinutia *a, RawMinutia *b, int count_a, int count_b,
                         BestCandidate *best_candidate)
{
    RawMinutia *base = a, *live = b;
    int base_count = count_a, live_count = count_b;
    const bool swapped = secondIsBase(a, b, count_a, count_b);
    if (swapped) {
        base = b;
        live = a;
        base_count = count_b;
        live_count = count_a;
    }

    MatchRandom random(1);
    base_count = topUpTemplate(base, base_count, kBaseRandomOrigin, "baseElements", &random);
    live_count = topUpTemplate(live, live_count, kLiveRandomOrigin, "liveElements", &random);
    sortByX(base, base_count);
    if (best_candidate != nullptr) {
        *best_candidate = BestCandidate{};
        best_candidate->second_is_base = swapped;
        best_candidate->base_count = base_count;
        best_candidate->live_count = live_count;
    }

    ComparisonWorkspace &w = thread_workspace();
    DescribedTemplate &base_described = w.described.describe(base, base_count);
    DescribedTemplate &live_described = w.described.describe(live, live_count);
    const NeighbourhoodTable &base_table = base_described.table;
    const NeighbourhoodTable &live_table = live_described.table;
    const BaseKeys &base_keys = base_described.baseKeys();
    const LiveKeys &live_keys = live_described.liveKeys();
    const bool keyed = base_keys.usable && live_keys.usable;
    w.grid.build(base, base_count);
    // Neighbourhoods that fit the compact form are compared a row at a time.
    const CompactHood *base_compact = base_described.compactHoods();
    const CompactHood *live_compact = live_described.compactHoods();
    const bool compact = base_compact != nullptr && live_compact != nullptr;
    bool live_angles_plain = true;
    for (int j = 0; j < live_count; ++j)
        live_angles_plain = live_angles_plain && live[j].angle >= 0 && live[j].angle <= 360;
    const Sides sides{base,     base_count, base_compact, live,   live_count, live_compact,
                      &w.grid, &w.scratch, nullptr,      live_angles_plain};

    // Only the best score counts, so candidates are free to stop early once
    // they cannot beat it; of equal scores the first found stays.
    int32_t best = 0;
    auto try_candidate = [&](int i, int j) {
        if (compact) {
            NeighbourMatch chosen;
            if (tryCompactCandidate(sides, i, j, &best, &chosen) && best_candidate != nullptr)
                noteBestCandidate(best_candidate, base, live, i, j, base_table.entries[i], live_table.entries[j],
                                  chosen);
            return;
        }
        const Neighbourhood &base_hood = base_table.entries[i];
        const Neighbourhood &live_hood = live_table.entries[j];
        NeighbourMatch match;
        if (matchNeighbourhoods(base_hood, live_hood, &match) < kMinimumCorrespondingNeighbours)
            return;
        CorrespondenceList list;
        collectCorrespondences(base_hood, live_hood, match, i, j, &list);
        const int32_t score = scoreCorrespondences(sides, list, best);
        if (score > best) {
            best = score;
            if (best_candidate != nullptr)
                noteBestCandidate(best_candidate, base, live, i, j, base_hood, live_hood, match);
        }
    };
    for (int i = 0; i < base_count; ++i) {
        if (!keyed) {
            for (int j = 0; j < live_count; ++j)
                if (withinCandidateAngle(base[i].angle, live[j].angle))
                    try_candidate(i, j);
            continue;
        }
        // The same candidates in the same order, less those the quick test
        // rules out.
        forEachMember(possiblePartners(base_keys, i, live_keys), [&](int j) {
            if (j < live_count && (compact || (withinCandidateAngle(base[i].angle, live[j].angle) &&
                                                distanceRangesOverlap(base_table.entries[i], live_table.entries[j]))))
                try_candidate(i, j);
        });
    }
    return best;
}

} // namespace ridge
