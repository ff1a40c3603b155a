// Building and comparing minutia neighbourhoods.
#include "matcher/neighbourhoods.h"

#include "matcher/int32_arith.h"
#include "matcher/neighbour_direction.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace ridge {

namespace {

// 1.69 as the single-precision constant (1.3 squared), widened to double.
constexpr double kDistanceScaleSquared = static_cast<double>(1.69f);
// Positions 0..7 of the selection: the minutia itself and its seven nearest.
constexpr int kSelected = kNeighbourCount + 1;
// Up to this many collected entries go through the exchange passes
// directly; more are first cut down to the eight nearest and their ties.
constexpr int kDirectPasses = 24;

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
    // Rounded half up: the root is never negative, so truncating the sum
    // is taking its floor (a negative d2 from wrapped squares gives NaN,
    // which truncate_to_int32 handles alike).
    r.distance = truncate_to_int32(std::sqrt(kDistanceScaleSquared * static_cast<double>(d2)) + 0.5);

    // Rows grow downwards, so the upward offset is self.y - other.y.
    int32_t direction = sub32(
        neighbourDirectionFast(sub32(self.y, other.y), sub32(other.x, self.x)), self.angle);
    if (direction < 0)
        direction = add32(direction, 360);
    r.direction = direction;

    int32_t orientation = sub32(other.angle, self.angle);
    if (orientation < 0)
        orientation = add32(orientation, 360);
    r.orientation = orientation;
    r.index = index;
    return r;
}

// The eighth-smallest of the values (counted with repetition): a sorted
// array of the eight smallest so far, each value merged in with min and max
// only, so the compiler can keep it free of branches.
int32_t eighth_smallest(const int32_t *values, int count)
{
    int32_t v[kSelected];
    for (int32_t &x : v)
        x = INT32_MAX;
    for (int j = 0; j < count; ++j) {
        const int32_t x = values[j];
        if (x >= v[kSelected - 1])
            continue; // changes nothing
        for (int k = kSelected - 1; k > 0; --k)
            v[k] = std::min(v[k], std::max(v[k - 1], x));
        v[0] = std::min(v[0], x);
    }
    return v[kSelected - 1];
}

// An entry as one 64-bit word: the squared distance, offset to unsigned,
// in the high half and the index in the low half. Comparing the high
// halves compares the distances.
uint64_t pack(int32_t index, int32_t d2)
{
    return (static_cast<uint64_t>(static_cast<uint32_t>(d2) ^ 0x80000000u) << 32) |
           static_cast<uint32_t>(index);
}
int32_t packed_index(uint64_t e) { return static_cast<int32_t>(static_cast<uint32_t>(e)); }
int32_t packed_distance(uint64_t e)
{
    return static_cast<int32_t>(static_cast<uint32_t>(e >> 32) ^ 0x80000000u);
}

// Leaves in list[0..7] exactly what eight exchange passes over the whole
// template would leave there (the smallest squared distances, ties in the
// exchange order).
//
// An entry above the eighth-smallest distance T never ends in positions
// 0..7, and dropping all such entries beforehand leaves the order in which
// the passes move the others unchanged: a pass only ever swaps the entry at
// its own position for a strictly smaller one, so a large entry there is
// replaced by the first small entry after it, as if it had not been there.
// So only entries below some bound at or above T, in template order, need
// go through the passes.
//
// The bound is a guess (the caller's estimate from the previous minutia).
// When eight or more entries lie at or below it, T is at most the guess and
// every entry that matters was collected; otherwise the guess is dropped
// and every entry is taken. A few collected entries go through the passes
// as they are; many are first cut down to those at or below T, found with
// eighth_smallest. The guess only changes the work, never the result.
// Returns T, and tells whether the eight nearest are distinct and below
// every other entry (then no order of the template changes them).
int32_t select_nearest(const RawMinutia *minutiae, int count, int i, int32_t guess,
                       DistanceEntry *list, bool *order_free)
{
    int32_t d2[kTableCapacity];
    int16_t near[kTableCapacity];
    int n = 0;
    for (int j = 0; j < count; ++j) {
        d2[j] = squared_distance(minutiae[i], minutiae[j]);
        near[n] = static_cast<int16_t>(j);
        n += d2[j] <= guess ? 1 : 0;
    }
    if (n < kSelected) {
        for (int j = 0; j < count; ++j)
            near[j] = static_cast<int16_t>(j);
        n = count;
    }

    // Few entries go through the passes as they are; many are first cut
    // down to those at or below T.
    uint64_t kept[kTableCapacity];
    int m = 0;
    if (n <= kDirectPasses) {
        for (int k = 0; k < n; ++k)
            kept[k] = pack(near[k], d2[near[k]]);
        m = n;
    } else {
        int32_t collected[kTableCapacity];
        for (int k = 0; k < n; ++k)
            collected[k] = d2[near[k]];
        const int32_t threshold = eighth_smallest(collected, n);
        for (int k = 0; k < n; ++k) {
            kept[m] = pack(near[k], collected[k]);
            m += collected[k] <= threshold ? 1 : 0;
        }
    }

    for (int k = 0; k < kSelected; ++k)
        for (int p = k + 1; p < m; ++p) {
            const uint64_t a = kept[k], b = kept[p];
            const bool exchange = (a >> 32) > (b >> 32);
            kept[k] = exchange ? b : a;
            kept[p] = exchange ? a : b;
        }
    bool distinct = true;
    for (int k = 0; k < kSelected; ++k) {
        list[k] = {packed_index(kept[k]), packed_distance(kept[k])};
        distinct = distinct && (k == 0 || list[k].squared_distance > list[k - 1].squared_distance);
    }
    // Positions 8 on hold nothing nearer than T; one at T would be a tie.
    const uint64_t threshold_key = kept[kSelected - 1] >> 32;
    for (int k = kSelected; k < m; ++k)
        distinct = distinct && (kept[k] >> 32) != threshold_key;
    *order_free = distinct;
    return list[kSelected - 1].squared_distance;
}

// The next minutia's guess: twice this one's eighth-smallest distance
// (neighbouring minutiae in template order see similar densities).
int32_t next_guess(int32_t threshold)
{
    return threshold >= 0 && threshold <= INT32_MAX / 2 ? 2 * threshold : INT32_MAX;
}

// Position 0 is the minutia itself (or its twin at the same point).
void fill_hood(const RawMinutia *minutiae, int i, const DistanceEntry *list, Neighbourhood *hood)
{
    for (int r = 0; r < kNeighbourCount; ++r) {
        const DistanceEntry &e = list[r + 1];
        hood->records[r] = describe_neighbour(minutiae[i], minutiae[e.index], e.index, e.squared_distance);
    }
}

} // namespace

void buildNeighbourhoods(const RawMinutia *minutiae, int count, NeighbourhoodTable *table, bool *order_free)
{
    DistanceEntry list[kSelected];
    int32_t guess = INT32_MAX;
    for (int i = 0; i < count; ++i) {
        guess = next_guess(select_nearest(minutiae, count, i, guess, list, &order_free[i]));
        fill_hood(minutiae, i, list, &table->entries[i]);
    }
}

void buildNeighbourhoods(const RawMinutia *minutiae, int count, NeighbourhoodTable *table)
{
    bool order_free[kTableCapacity];
    buildNeighbourhoods(minutiae, count, table, order_free);
}

void buildNeighbourhood(const RawMinutia *minutiae, int count, int i, Neighbourhood *hood)
{
    DistanceEntry list[kSelected];
    bool order_free = false;
    select_nearest(minutiae, count, i, INT32_MAX, list, &order_free);
    fill_hood(minutiae, i, list, hood);
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
