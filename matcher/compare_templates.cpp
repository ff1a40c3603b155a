// The match driver: which template is aligned onto which, and the loop over
// candidate pairs of minutiae that proposes the alignments.
#include "matcher/compare_templates.h"

#include "matcher/int32_arith.h"
#include "matcher/neighbourhoods.h"
#include "matcher/pairing.h"
#include "matcher/random_minutiae.h"

namespace ridge {

namespace {

// Widest angle between a base and a live minutia that may be one point.
constexpr int32_t kMaxCandidateAngle = 90;
constexpr int kMinimumCorrespondingNeighbours = 3;

// Per-thread tables, so that comparisons on different threads never share
// working storage.
struct ComparisonTables {
    NeighbourhoodTable base;
    NeighbourhoodTable live;
};

ComparisonTables &thread_tables()
{
    thread_local ComparisonTables tables;
    return tables;
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

int32_t compareTemplates(RawMinutia *a, RawMinutia *b, int count_a, int count_b)
{
    RawMinutia *base = a, *live = b;
    int base_count = count_a, live_count = count_b;
    if (secondIsBase(a, b, count_a, count_b)) {
        base = b;
        live = a;
        base_count = count_b;
        live_count = count_a;
    }

    MatchRandom random(1);
    base_count = topUpTemplate(base, base_count, kBaseRandomOrigin, "baseElements", &random);
    live_count = topUpTemplate(live, live_count, kLiveRandomOrigin, "liveElements", &random);
    sortByX(base, base_count);

    ComparisonTables &tables = thread_tables();
    buildNeighbourhoods(base, base_count, &tables.base);
    buildNeighbourhoods(live, live_count, &tables.live);

    int32_t best = 0;
    NeighbourMatch match;
    for (int i = 0; i < base_count; ++i) {
        const Neighbourhood &base_hood = tables.base.entries[i];
        for (int j = 0; j < live_count; ++j) {
            if (circular_difference(base[i].angle, live[j].angle) > kMaxCandidateAngle)
                continue;
            const Neighbourhood &live_hood = tables.live.entries[j];
            if (matchNeighbourhoods(base_hood, live_hood, &match) < kMinimumCorrespondingNeighbours)
                continue;
            const int32_t score = evaluateCandidate(base, base_count, live, live_count, i, j,
                                                    base_hood, live_hood, match);
            if (score > best)
                best = score;
        }
    }
    return best;
}

} // namespace ridge
