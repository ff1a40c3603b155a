// Building and comparing minutia neighbourhoods.
#include "matcher/neighbourhoods.h"

#include "matcher/int32_arith.h"
#include "matcher/neighbour_direction.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ridge {

namespace {

// 1.69 as the single-precision constant (1.3 squared), widened to double.
constexpr double kDistanceScaleSquared = static_cast<double>(1.69f);
// Positions 0..7 of the selection: the minutia itself and its seven nearest.
constexpr int kSelected = kNeighbourCount + 1;

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

// The eighth-smallest of the values (counted with repetition), n >= 8: the
// eight smallest so far kept sorted, a value that beats the largest of
// them inserted in place (few do once the first eight are in).
int32_t eighth_smallest(const int32_t *values, int n)
{
    int32_t v[kSelected];
    std::copy(values, values + kSelected, v);
    std::sort(v, v + kSelected);
    for (int j = kSelected; j < n; ++j) {
        const int32_t x = values[j];
        if (x >= v[kSelected - 1])
            continue;
        int at = kSelected - 1;
        while (at > 0 && v[at - 1] > x) {
            v[at] = v[at - 1];
            --at;
        }
        v[at] = x;
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

// The coordinates of a template as 16-bit pairs (x low, y high), four to a
// 128-bit vector, with room for a last partial vector. Only templates whose
// coordinates lie within 0..16383 are packed: their differences fit 16 bits
// and their squared distances 31 bits, so the sums of products of pairs
// equal squared_distance.
struct PackedPoints {
    alignas(16) uint32_t xy[kTableCapacity + 3];
};

bool pack_points(const RawMinutia *minutiae, int count, PackedPoints *points)
{
#if !defined(__SSE2__)
    // Without 128-bit vectors the distances are computed one by one anyway.
    return false;
#endif
    for (int j = 0; j < count; ++j) {
        const RawMinutia &m = minutiae[j];
        if (m.x < 0 || m.x > 16383 || m.y < 0 || m.y > 16383)
            return false;
        points->xy[j] = static_cast<uint32_t>(m.x) | static_cast<uint32_t>(m.y) << 16;
    }
    for (int j = count; j < count + 3; ++j)
        points->xy[j] = 0;
    return true;
}

// d2[j] for every j, and in near[] (returning their number) the positions
// with d2 at or below the guess, in order.
int squared_distances(const RawMinutia *minutiae, int count, int i, int32_t guess, int32_t *d2, int16_t *near)
{
    int n = 0;
    for (int j = 0; j < count; ++j) {
        d2[j] = squared_distance(minutiae[i], minutiae[j]);
        near[n] = static_cast<int16_t>(j);
        n += d2[j] <= guess ? 1 : 0;
    }
    return n;
}

#if defined(__SSE2__)
int squared_distances(const PackedPoints &points, int count, int i, int32_t guess, int32_t *d2, int16_t *near)
{
    const __m128i self = _mm_set1_epi32(static_cast<int32_t>(points.xy[i]));
    const __m128i bound = _mm_set1_epi32(guess);
    int n = 0;
    for (int j = 0; j < count; j += 4) {
        __m128i v;
        std::memcpy(&v, &points.xy[j], sizeof v);
        const __m128i d = _mm_sub_epi16(v, self);
        const __m128i squares = _mm_madd_epi16(d, d);
        std::memcpy(&d2[j], &squares, sizeof squares);
        unsigned above = static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(squares, bound))));
        unsigned within = ~above & 0xFu;
        if (count - j < 4)
            within &= (1u << (count - j)) - 1;
        for (; within != 0; within &= within - 1)
            near[n++] = static_cast<int16_t>(j + __builtin_ctz(within));
    }
    return n;
}
#endif

// Leaves in list[0..7] exactly what eight exchange passes over the whole
// template would leave there (the smallest squared distances, ties in the
// exchange order).
//
// An entry above the eighth-smallest distance T never ends in positions
// 0..7, and dropping all such entries beforehand leaves the order in which
// the passes move the others unchanged: a pass only ever swaps the entry at
// its own position for a strictly smaller one, so a large entry there is
// replaced by the first small entry after it, as if it had not been there.
// So only the entries at or below T, in template order, go through the
// passes.
//
// T is searched among the entries at or below a guess
// (the caller's estimate from the previous minutia). When eight or more
// entries lie at or below it, T is at most the guess and every entry that
// matters was collected; otherwise the guess is dropped and every entry is
// taken. The guess only changes the work, never the result. Returns T, and
// tells whether the eight nearest are distinct and below every other entry
// (then no order of the template changes them).
int32_t select_nearest(const RawMinutia *minutiae, int count, int i, int32_t guess, const PackedPoints *points,
                       DistanceEntry *list, bool *order_free)
{
    int32_t d2[kTableCapacity + 3];
    int16_t near[kTableCapacity];
#if defined(__SSE2__)
    int n = points != nullptr ? squared_distances(*points, count, i, guess, d2, near)
                              : squared_distances(minutiae, count, i, guess, d2, near);
#else
    (void)points;
    int n = squared_distances(minutiae, count, i, guess, d2, near);
#endif
    if (n < kSelected) {
        for (int j = 0; j < count; ++j)
            near[j] = static_cast<int16_t>(j);
        n = count;
    }

    // T, then the entries at or below it in template order.
    int32_t collected[kTableCapacity];
    for (int k = 0; k < n; ++k)
        collected[k] = d2[near[k]];
    const int32_t threshold = eighth_smallest(collected, n);
    uint64_t kept[kTableCapacity];
    int m = 0;
    for (int k = 0; k < n; ++k) {
        kept[m] = pack(near[k], collected[k]);
        m += collected[k] <= threshold ? 1 : 0;
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
    PackedPoints points;
    const PackedPoints *packed = pack_points(minutiae, count, &points) ? &points : nullptr;
    for (int i = 0; i < count; ++i) {
        guess = next_guess(select_nearest(minutiae, count, i, guess, packed, list, &order_free[i]));
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
    select_nearest(minutiae, count, i, INT32_MAX, nullptr, list, &order_free);
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
