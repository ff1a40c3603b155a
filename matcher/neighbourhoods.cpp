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

// v, plus 360 when negative, without a branch on the sign.
int32_t wrap_negative(int32_t v) { return add32(v, static_cast<int32_t>(-(v < 0 ? 1 : 0) & 360)); }

NeighbourRecord describe_neighbour(const DirectionLookup &directions, const RawMinutia &self,
                                   const RawMinutia &other, int32_t index, int32_t d2)
{
    NeighbourRecord r;
    // Rounded half up: the root is never negative, so truncating the sum
    // is taking its floor (a negative d2 from wrapped squares gives NaN,
    // which truncate_to_int32 handles alike).
    r.distance = truncate_to_int32(std::sqrt(kDistanceScaleSquared * static_cast<double>(d2)) + 0.5);

    // Rows grow downwards, so the upward offset is self.y - other.y.
    const int32_t up = sub32(self.y, other.y), right = sub32(other.x, self.x);
    const int32_t seen = DirectionLookup::inReach(up, right) ? directions.at(up, right) : neighbourDirection(up, right);
    r.direction = wrap_negative(sub32(seen, self.angle));
    r.orientation = wrap_negative(sub32(other.angle, self.angle));
    r.index = index;
    return r;
}

// The eighth-smallest of values[0..n-1] (n >= 8, counted with repetition):
// the eight smallest so far kept sorted, each value merged in with min and
// max alone, so that nothing depends on how the values happen to fall.
int32_t eighth_smallest(const int32_t *values, int n)
{
    int32_t v[kSelected];
    for (int32_t &x : v)
        x = INT32_MAX;
    for (int j = 0; j < n; ++j) {
        const int32_t x = values[j];
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
    (void)minutiae;
    (void)count;
    (void)points;
    return false;
#else
    for (int j = 0; j < count; ++j) {
        const RawMinutia &m = minutiae[j];
        if (m.x < 0 || m.x > 16383 || m.y < 0 || m.y > 16383)
            return false;
        points->xy[j] = static_cast<uint32_t>(m.x) | static_cast<uint32_t>(m.y) << 16;
    }
    for (int j = count; j < count + 3; ++j)
        points->xy[j] = 0;
    return true;
#endif
}

// Room for the positions of one minutia's candidates, and for the four
// that the vector form writes at once past the last one.
constexpr int kNearRoom = kTableCapacity + 4;

// d2[j] for every j; every position is a candidate.
int squared_distances(const RawMinutia *minutiae, int count, int i, int32_t *d2, int16_t *near)
{
    for (int j = 0; j < count; ++j) {
        d2[j] = squared_distance(minutiae[i], minutiae[j]);
        near[j] = static_cast<int16_t>(j);
    }
    return count;
}

#if defined(__SSE2__)
// For each 4-bit mask, the positions of its set bits in 16-bit lanes (low
// lanes first) and their number.
struct MaskPositions {
    uint64_t lanes[16];
    int count[16];
    constexpr MaskPositions() : lanes(), count()
    {
        for (int mask = 0; mask < 16; ++mask) {
            int n = 0;
            for (int bit = 0; bit < 4; ++bit)
                if ((mask >> bit) & 1) {
                    lanes[mask] |= static_cast<uint64_t>(bit) << (16 * n);
                    ++n;
                }
            count[mask] = n;
        }
    }
};
constexpr MaskPositions kMaskPositions;

// Squared distances in classes of half an octave: the single-precision
// value's exponent and first mantissa bit, which never decrease as the
// distance grows. 0 is class 0, 1 class 1, and the largest packed distance
// (below 2^29) lies in class 59 at most; class 63 holds the lanes past the
// last minutia.
constexpr int kClasses = 64;
constexpr int kPastClass = kClasses - 1;

__m128i distance_classes(__m128i squares)
{
    const __m128i bits = _mm_srli_epi32(_mm_castps_si128(_mm_cvtepi32_ps(squares)), 22);
    // 1.0f gives 254: classes from 1 on, and 0 (for 0) by saturation.
    return _mm_subs_epu16(bits, _mm_set1_epi32(253));
}

// d2[j] for every j, and in near[] (returning their number) the positions
// whose class is at most that of the eighth-smallest squared distance: the
// eight nearest and a few more, in template order. Nothing here branches on
// the distances.
int squared_distances(const PackedPoints &points, int count, int i, int32_t *d2, int16_t *near)
{
    const __m128i self = _mm_set1_epi32(static_cast<int32_t>(points.xy[i]));
    alignas(16) uint32_t classes[kTableCapacity + 3];
    // One count per class for each lane, so that no count waits for the
    // one before.
    alignas(16) uint8_t counted[4][kClasses] = {};
    for (int j = 0; j < count; j += 4) {
        __m128i v;
        std::memcpy(&v, &points.xy[j], sizeof v);
        const __m128i d = _mm_sub_epi16(v, self);
        const __m128i squares = _mm_madd_epi16(d, d);
        std::memcpy(&d2[j], &squares, sizeof squares);
        const __m128i c = distance_classes(squares);
        std::memcpy(&classes[j], &c, sizeof c);
    }
    for (int j = count; j < count + 3; ++j)
        classes[j] = kPastClass;
    for (int j = 0; j < count; j += 4)
        for (int lane = 0; lane < 4; ++lane)
            ++counted[lane][classes[j + lane]];

    // The smallest class whose running total reaches eight: the counts
    // summed over the lanes, their running totals sixteen classes at a
    // time (a class holds at most 130), the classes reaching eight as bits.
    uint64_t reached = 0;
    __m128i carried = _mm_setzero_si128();
    for (int c = 0; c < kClasses; c += 16) {
        __m128i total = _mm_setzero_si128();
        for (int lane = 0; lane < 4; ++lane) {
            __m128i v;
            std::memcpy(&v, &counted[lane][c], sizeof v);
            total = _mm_add_epi8(total, v);
        }
        total = _mm_add_epi8(total, _mm_slli_si128(total, 1));
        total = _mm_add_epi8(total, _mm_slli_si128(total, 2));
        total = _mm_add_epi8(total, _mm_slli_si128(total, 4));
        total = _mm_add_epi8(total, _mm_slli_si128(total, 8));
        total = _mm_adds_epu8(total, carried);
        const __m128i at_least_eight = _mm_cmpeq_epi8(_mm_max_epu8(total, _mm_set1_epi8(8)), total);
        reached |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(at_least_eight))) << c;
        // The last total, in every byte.
        const __m128i last = _mm_srli_si128(total, 15);
        carried = _mm_shufflelo_epi16(_mm_unpacklo_epi8(last, last), 0);
        carried = _mm_unpacklo_epi64(carried, carried);
    }
    // count >= 8, so some class below kPastClass reaches eight.
    const __m128i bound = _mm_set1_epi32(__builtin_ctzll(reached));

    int n = 0;
    for (int j = 0; j < count; j += 4) {
        __m128i c;
        std::memcpy(&c, &classes[j], sizeof c);
        const unsigned within =
            ~static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(c, bound)))) & 0xFu;
        // The positions of the four lanes written at once, the next write
        // starting after those within.
        const uint64_t positions = kMaskPositions.lanes[within] + static_cast<uint64_t>(j) * 0x0001000100010001ull;
        std::memcpy(&near[n], &positions, sizeof positions);
        n += kMaskPositions.count[within];
    }
    return n;
}
#endif

// Candidates ranked against each other at most this many at a time; more
// are first narrowed down to the eight nearest and their ties.
constexpr int kRankLimit = 32;

// below[k] = how many of values[0..n-1] are smaller than values[k], for
// k < n (n <= kRankLimit).
void count_smaller(const int32_t *values, int n, int32_t *below)
{
    for (int k = 0; k < n; ++k) {
        int32_t s = 0;
        for (int l = 0; l < n; ++l)
            s += values[l] < values[k] ? 1 : 0;
        below[k] = s;
    }
}

#if defined(__SSE2__)
// The same, four values at a time; values and below have room to n
// rounded up to a multiple of four, and values' padding is set.
void count_smaller_by_four(const int32_t *values, int n, int32_t *below)
{
    __m128i spread[kRankLimit];
    for (int l = 0; l < n; ++l)
        spread[l] = _mm_set1_epi32(values[l]);
    for (int k = 0; k < n; k += 4) {
        __m128i mine;
        std::memcpy(&mine, &values[k], sizeof mine);
        __m128i smaller = _mm_setzero_si128();
        // Each comparison is -1 where the other value is smaller.
        for (int l = 0; l < n; ++l)
            smaller = _mm_sub_epi32(smaller, _mm_cmpgt_epi32(mine, spread[l]));
        std::memcpy(&below[k], &smaller, sizeof smaller);
    }
}
#endif

// The eight nearest when their squared distances are distinct and below
// every other entry: then the exchange passes sort them, and the place of
// each is the number of entries nearer than it. near[0..n-1] are the
// candidates in template order (every entry at or below the eighth-smallest
// distance among them), values[k] = d2[near[k]] with its padding set.
// False, with list untouched, when ties make the places collide. The
// counting goes four at a time when by_four is set (on packed templates).
bool select_by_rank(const int32_t *d2, const int16_t *near, const int32_t *values, int n, bool by_four,
                    DistanceEntry *list)
{
    int32_t below[kRankLimit + 3];
#if defined(__SSE2__)
    if (by_four)
        count_smaller_by_four(values, n, below);
    else
        count_smaller(values, n, below);
#else
    (void)by_four;
    count_smaller(values, n, below);
#endif
    // Entries placed beyond the eighth go to a spare slot.
    int32_t placed[kSelected + 1];
    for (int32_t &p : placed)
        p = -1;
    int within = 0;
    for (int k = 0; k < n; ++k) {
        const int32_t place = below[k] < kSelected ? below[k] : kSelected;
        placed[place] = near[k];
        within += below[k] < kSelected ? 1 : 0;
    }
    // Exactly eight at or below the eighth-smallest, each in its own place:
    // all distinct (equal distances share a place and leave one empty) and
    // none tied with the eighth.
    bool all_placed = within == kSelected;
    for (int k = 0; k < kSelected; ++k)
        all_placed &= placed[k] >= 0;
    if (!all_placed)
        return false;
    for (int k = 0; k < kSelected; ++k)
        list[k] = {placed[k], d2[placed[k]]};
    return true;
}

// The exchange passes themselves, over the candidates in template order.
void select_by_exchange(const int16_t *near, const int32_t *values, int n, DistanceEntry *list)
{
    uint64_t kept[kTableCapacity];
    for (int k = 0; k < n; ++k)
        kept[k] = pack(near[k], values[k]);
    for (int k = 0; k < kSelected; ++k)
        for (int p = k + 1; p < n; ++p) {
            const uint64_t a = kept[k], b = kept[p];
            const bool exchange = (a >> 32) > (b >> 32);
            kept[k] = exchange ? b : a;
            kept[p] = exchange ? a : b;
        }
    for (int k = 0; k < kSelected; ++k)
        list[k] = {packed_index(kept[k]), packed_distance(kept[k])};
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
// So any candidates that include those at or below T, in template order,
// may stand for the whole template: on packed templates those up to the
// distance class of T, elsewhere all. Many candidates are first narrowed
// down to those at or below T. Without ties among the eight nearest (the
// usual case) their places follow from counting alone, with no branch on
// the distances; with ties the passes run.
//
// Tells whether the eight nearest are distinct and below every other
// entry (then no order of the template changes them).
void select_nearest(const RawMinutia *minutiae, int count, int i, const PackedPoints *points, DistanceEntry *list,
                    bool *order_free)
{
    int32_t d2[kTableCapacity + 3];
    int16_t near[kNearRoom];
#if defined(__SSE2__)
    int n = points != nullptr ? squared_distances(*points, count, i, d2, near)
                              : squared_distances(minutiae, count, i, d2, near);
#else
    (void)points;
    int n = squared_distances(minutiae, count, i, d2, near);
#endif

    int32_t values[kTableCapacity + 3];
    for (int k = 0; k < n; ++k)
        values[k] = d2[near[k]];
    if (n > kRankLimit) {
        // Narrowed to those at or below T, still in template order.
        const int32_t threshold = eighth_smallest(values, n);
        int m = 0;
        for (int k = 0; k < n; ++k) {
            near[m] = near[k];
            values[m] = values[k];
            m += values[k] <= threshold ? 1 : 0;
        }
        n = m;
    }
    for (int k = n; k < n + 3; ++k)
        values[k] = 0;

    *order_free = n <= kRankLimit && select_by_rank(d2, near, values, n, points != nullptr, list);
    if (!*order_free)
        select_by_exchange(near, values, n, list);
}

// Position 0 is the minutia itself (or its twin at the same point).
void fill_hood(const DirectionLookup &directions, const RawMinutia *minutiae, int i, const DistanceEntry *list,
               Neighbourhood *hood)
{
    for (int r = 0; r < kNeighbourCount; ++r) {
        const DistanceEntry &e = list[r + 1];
        hood->records[r] =
            describe_neighbour(directions, minutiae[i], minutiae[e.index], e.index, e.squared_distance);
    }
}

} // namespace

void buildNeighbourhoods(const RawMinutia *minutiae, int count, NeighbourhoodTable *table, bool *order_free)
{
    DistanceEntry list[kSelected];
    PackedPoints points;
    const PackedPoints *packed = pack_points(minutiae, count, &points) ? &points : nullptr;
    const DirectionLookup directions;
    for (int i = 0; i < count; ++i) {
        select_nearest(minutiae, count, i, packed, list, &order_free[i]);
        fill_hood(directions, minutiae, i, list, &table->entries[i]);
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
    select_nearest(minutiae, count, i, nullptr, list, &order_free);
    fill_hood(DirectionLookup(), minutiae, i, list, hood);
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
