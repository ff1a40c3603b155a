// The straightforward matcher, kept as the reference for the fast one.
#include "support/plain_matcher.h"

#include "matcher/compare_templates.h"
#include "matcher/int32_arith.h"
#include "matcher/pairing.h"
#include "matcher/random_minutiae.h"

#include <cmath>
#include <memory>

namespace ridge_test {

using namespace ridge;

void plain_build_neighbourhoods(const RawMinutia *minutiae, int count, NeighbourhoodTable *table)
{
    struct Entry { int32_t index, d2; };
    Entry list[kTableCapacity];
    for (int i = 0; i < count; ++i) {
        const RawMinutia &self = minutiae[i];
        for (int j = 0; j < count; ++j) {
            const int32_t dy = sub32(self.y, minutiae[j].y), dx = sub32(self.x, minutiae[j].x);
            list[j] = {j, add32(mul32(dy, dy), mul32(dx, dx))};
        }
        for (int k = 0; k <= 7; ++k)
            for (int m = k + 1; m < count; ++m)
                if (list[k].d2 > list[m].d2) {
                    const Entry t = list[k];
                    list[k] = list[m];
                    list[m] = t;
                }
        for (int r = 0; r < 7; ++r) {
            const Entry &e = list[r + 1];
            const RawMinutia &other = minutiae[e.index];
            NeighbourRecord &rec = table->entries[i].records[r];
            rec.distance = truncate_to_int32(
                std::floor(std::sqrt(static_cast<double>(1.69f) * static_cast<double>(e.d2)) + 0.5));
            const double phi = std::atan2(static_cast<double>(sub32(self.y, other.y)),
                                          static_cast<double>(sub32(other.x, self.x)));
            int32_t degrees = static_cast<int32_t>(static_cast<float>(phi * 57.2957763671875));
            if (degrees < 0)
                degrees += 360;
            degrees = sub32(degrees, self.angle);
            if (degrees < 0)
                degrees = add32(degrees, 360);
            rec.direction = degrees;
            int32_t orientation = sub32(other.angle, self.angle);
            if (orientation < 0)
                orientation = add32(orientation, 360);
            rec.orientation = orientation;
            rec.index = e.index;
        }
    }
}

int32_t plain_compare_templates(RawMinutia *a, RawMinutia *b, int count_a, int count_b)
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

    auto base_table = std::make_unique<NeighbourhoodTable>();
    auto live_table = std::make_unique<NeighbourhoodTable>();
    plain_build_neighbourhoods(base, base_count, base_table.get());
    plain_build_neighbourhoods(live, live_count, live_table.get());

    int32_t best = 0;
    for (int i = 0; i < base_count; ++i)
        for (int j = 0; j < live_count; ++j) {
            if (circular_difference(base[i].angle, live[j].angle) > 90)
                continue;
            NeighbourMatch match;
            if (matchNeighbourhoods(base_table->entries[i], live_table->entries[j], &match) < 3)
                continue;
            CorrespondenceList list;
            collectCorrespondences(base_table->entries[i], live_table->entries[j], match, i, j, &list);
            Alignment alignment;
            if (!estimateAlignment(list, base, live, &alignment) ||
                !rotationWithinGate(alignment.rotation))
                continue;
            RawMinutia aligned[FPT_MAX_MINUTIAE];
            applyAlignment(live, live_count, alignment, aligned);
            const int32_t score = scorePairing(base, base_count, aligned, live_count);
            if (score > best)
                best = score;
        }
    return best;
}

double plain_match_score(const std::vector<RawMinutia> &first, const std::vector<RawMinutia> &second)
{
    if (first.empty() || second.empty())
        return 0.0;
    RawMinutia a[FPT_MAX_MINUTIAE], b[FPT_MAX_MINUTIAE];
    std::copy(first.begin(), first.end(), a);
    std::copy(second.begin(), second.end(), b);
    const int na = static_cast<int>(first.size()), nb = static_cast<int>(second.size());
    return similarityScore(plain_compare_templates(a, b, na, nb), na, nb);
}

} // namespace ridge_test
