// Building and comparing minutia neighbourhoods.
#include "matcher/neighbourhoods.h"

#include "matcher/int32_arith.h"

#include <cmath>

namespace ridge {

namespace {

// 1.69 as the single-precision constant (1.3 squared) and the degree factor
// as the single-precision value of 180/pi, both widened to double.
constexpr double kDistanceScaleSquared = static_cast<double>(1.69f);
constexpr double kDegreesPerRadian = 57.2957763671875;

struct DistanceEntry {
    int32_t index;
    int32_t squared_distance;
};

int32_t squared_distance(const RawMinutia &a, const RawMinutia &b)
{
    const int32_t dy = sub32(a.y, b.y);
    const int32_t dx = sub32(a.x, b.x);
    return add32(mul32(dy, dy), mul32(dx, dx));
}

NeighbourRecord describe_neighbour(const RawMinutia &self, const RawMinutia &other, int32_t index,
                                   int32_t d2)
{
    NeighbourRecord r;
    r.distance = truncate_to_int32(
        std::floor(std::sqrt(kDistanceScaleSquared * static_cast<double>(d2)) + 0.5));

    // y grows downwards, so the upward offset is self.y - other.y.
    const double phi = std::atan2(static_cast<double>(sub32(self.y, other.y)),
                                  static_cast<double>(sub32(other.x, self.x)));
    int32_t degrees = static_cast<int32_t>(static_cast<float>(phi * kDegreesPerRadian));
    if (degrees < 0)
        degrees += 360;
    degrees = sub32(degrees, self.angle);
    if (degrees < 0)
        degrees = add32(degrees, 360);
    r.direction = degrees;

    int32_t orientation = sub32(other.angle, self.angle);
    if (orientation < 0)
        orientation = add32(orientation, 360);
    r.orientation = orientation;
    r.index = index;
    return r;
}

} // namespace

void buildNeighbourhoods(const RawMinutia *minutiae, int count, NeighbourhoodTable *table)
{
    DistanceEntry list[kTableCapacity];
    for (int i = 0; i < count; ++i) {
        for (int j = 0; j < count; ++j)
            list[j] = {j, squared_distance(minutiae[i], minutiae[j])};

        // Eight exchange passes leave the eight smallest distances in
        // positions 0..7; ties end up wherever the exchanges leave them.
        for (int k = 0; k <= kNeighbourCount; ++k)
            for (int m = k + 1; m < count; ++m)
                if (list[k].squared_distance > list[m].squared_distance) {
                    const DistanceEntry t = list[k];
                    list[k] = list[m];
                    list[m] = t;
                }

        // Position 0 is the minutia itself (or its twin at the same point).
        Neighbourhood &hood = table->entries[i];
        for (int r = 0; r < kNeighbourCount; ++r) {
            const DistanceEntry &e = list[r + 1];
            hood.records[r] =
                describe_neighbour(minutiae[i], minutiae[e.index], e.index, e.squared_distance);
        }
    }
}

int matchNeighbourhoods(const Neighbourhood &base, const Neighbourhood &live, NeighbourMatch *match)
{
    for (int k = 0; k < kNeighbourCount; ++k)
        match->live_of_base[k] = -1;
    match->count = 0;

    const NeighbourRecord *b = base.records;
    const NeighbourRecord *l = live.records;
    // The two distance ranges must overlap within the tolerance.
    if (sub32(b[0].distance, l[kNeighbourCount - 1].distance) > kMaxDistanceDifference ||
        sub32(l[0].distance, b[kNeighbourCount - 1].distance) > kMaxDistanceDifference)
        return 0;

    bool used[kNeighbourCount] = {};
    int32_t last_difference = 0;
    int start = 0;
    int count = 0;
    for (int k = 0; k < kNeighbourCount; ++k) {
        int candidate = -1;
        int32_t best_cost = 10000;
        bool accepted_any = false;
        for (int m = start; m < kNeighbourCount; ++m) {
            if (used[m])
                continue;
            const int32_t diff = sub32(b[k].distance, l[m].distance);
            last_difference = diff;
            // Live records are in ascending distance: the rest lie farther out.
            if (diff < -kMaxDistanceDifference)
                break;
            const int32_t abs_diff = abs32(diff);
            if (abs_diff > kMaxDistanceDifference)
                continue;
            const int32_t direction_diff = circular_difference(b[k].direction, l[m].direction);
            if (direction_diff > kMaxDirectionDifference)
                continue;
            const int32_t orientation_diff = circular_difference(b[k].orientation, l[m].orientation);
            if (orientation_diff > kMaxOrientationDifference)
                continue;
            const int32_t cost = add32(add32(abs_diff, direction_diff), orientation_diff);
            if (cost > kMaxNeighbourCost)
                continue;
            if (cost < best_cost) {
                candidate = m;
                best_cost = cost;
            }
            // The next base record starts at the first acceptable live
            // record, not at the chosen one.
            if (!accepted_any) {
                accepted_any = true;
                start = m;
            }
        }
        // Nothing acceptable and this base record lies beyond every
        // remaining live record: no farther base record can match either.
        if (!accepted_any && last_difference > kMaxDistanceDifference)
            return count;
        if (candidate >= 0) {
            match->live_of_base[k] = candidate;
            used[candidate] = true;
            match->count = ++count;
        }
    }
    return count;
}

} // namespace ridge
