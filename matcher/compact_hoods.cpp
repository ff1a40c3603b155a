#include "matcher/compact_hoods.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ridge {

namespace {

bool fits(const Neighbourhood &hood)
{
    int32_t previous = 0;
    for (const NeighbourRecord &r : hood.records) {
        if (r.distance < previous || r.distance >= kNeverDistance || r.direction < 0 || r.direction > 359 ||
            r.orientation < 0 || r.orientation > 360 || r.index < 0 || r.index > 255)
            return false;
        previous = r.distance;
    }
    return true;
}

#if defined(__GNUC__) || defined(__clang__)
#define RIDGE_VECTOR_ROWS 1
// Eight 16-bit lanes: one row of live records.
typedef int16_t Lanes __attribute__((vector_size(16)));

Lanes load(const int16_t *p)
{
    Lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

Lanes broadcast(int16_t x) { return Lanes{x, x, x, x, x, x, x, x}; }

Lanes absolute(Lanes v) { return v < 0 ? -v : v; }
Lanes minimum(Lanes a, Lanes b) { return a < b ? a : b; }

// Lanes that are -1 (true) as bits 0..7.
unsigned lane_bits(Lanes t)
{
#if defined(__SSE2__)
    __m128i v;
    std::memcpy(&v, &t, sizeof v);
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(v, v))) & 0xFFu;
#else
    unsigned bits = 0;
    for (int m = 0; m < kCompactLanes; ++m)
        bits |= static_cast<unsigned>(t[m] & 1) << m;
    return bits;
#endif
}
#endif

// Circular difference of two angles whose plain difference lies in
// -360..360: the smaller way round.
inline int32_t circular(int32_t a, int32_t b)
{
    const int32_t d = a > b ? a - b : b - a;
    return d > 180 ? 360 - d : d;
}

} // namespace

bool compactable(const Neighbourhood &hood) { return fits(hood); }

bool compactable(const NeighbourhoodTable &table, int count)
{
    for (int i = 0; i < count; ++i)
        if (!fits(table.entries[i]))
            return false;
    return true;
}

CompactHood compactHood(const Neighbourhood &hood)
{
    CompactHood c{};
    for (int k = 0; k < kNeighbourCount; ++k) {
        const NeighbourRecord &r = hood.records[k];
        c.distance[k] = static_cast<int16_t>(r.distance);
        c.direction[k] = static_cast<int16_t>(r.direction);
        c.orientation[k] = static_cast<int16_t>(r.orientation);
        c.index[k] = static_cast<uint8_t>(r.index);
    }
    c.distance[kNeighbourCount] = kNeverDistance;
    return c;
}

void compactTable(const NeighbourhoodTable &table, int count, CompactHood *out)
{
    for (int i = 0; i < count; ++i)
        out[i] = compactHood(table.entries[i]);
}

int acceptRecords(const CompactHood &base, const CompactHood &live, RecordAcceptance *acceptance)
{
    int rows = 0;
#ifdef RIDGE_VECTOR_ROWS
    const Lanes ld = load(live.distance), ldir = load(live.direction), lori = load(live.orientation);
    const Lanes full = broadcast(360);
    for (int k = 0; k < kNeighbourCount; ++k) {
        const Lanes dd = absolute(broadcast(base.distance[k]) - ld);
        Lanes dr = absolute(broadcast(base.direction[k]) - ldir);
        dr = minimum(dr, full - dr);
        Lanes od = absolute(broadcast(base.orientation[k]) - lori);
        od = minimum(od, full - od);
        const Lanes cost = dd + dr + od;
        const Lanes ok = (dd <= kMaxDistanceDifference) & (dr <= kMaxDirectionDifference) &
                         (od <= kMaxOrientationDifference) & (cost <= kMaxNeighbourCost);
        const unsigned bits = lane_bits(ok);
        acceptance->rows[k] = static_cast<uint8_t>(bits);
        rows += bits != 0;
        std::memcpy(acceptance->cost[k], &cost, sizeof cost);
    }
#else
    for (int k = 0; k < kNeighbourCount; ++k) {
        unsigned bits = 0;
        for (int m = 0; m < kNeighbourCount; ++m) {
            const int32_t dd = base.distance[k] > live.distance[m] ? base.distance[k] - live.distance[m]
                                                                  : live.distance[m] - base.distance[k];
            const int32_t dr = circular(base.direction[k], live.direction[m]);
            const int32_t od = circular(base.orientation[k], live.orientation[m]);
            const int32_t cost = dd + dr + od;
            if (dd <= kMaxDistanceDifference && dr <= kMaxDirectionDifference &&
                od <= kMaxOrientationDifference && cost <= kMaxNeighbourCost) {
                bits |= 1u << m;
                acceptance->cost[k][m] = static_cast<int16_t>(cost);
            }
        }
        acceptance->rows[k] = static_cast<uint8_t>(bits);
        rows += bits != 0;
    }
#endif
    return rows;
}

int chooseRecords(const RecordAcceptance &acceptance, NeighbourMatch *match)
{
    unsigned unused = (1u << kNeighbourCount) - 1;
    unsigned from_start = unused; // live records at or after the scan start
    int count = 0;
    for (int k = 0; k < kNeighbourCount; ++k) {
        match->live_of_base[k] = -1;
        unsigned open = acceptance.rows[k] & unused & from_start;
        if (open == 0)
            continue;
        // The scan starts next time at the first acceptable record, used or
        // not later (a used record is skipped anyway).
        int first = 0;
        while (((open >> first) & 1u) == 0)
            ++first;
        from_start = ~((1u << first) - 1) & ((1u << kNeighbourCount) - 1);
        int best = first;
        for (int m = first + 1; m < kNeighbourCount; ++m)
            if (((open >> m) & 1u) != 0 && acceptance.cost[k][m] < acceptance.cost[k][best])
                best = m;
        match->live_of_base[k] = best;
        unused &= ~(1u << best);
        ++count;
    }
    match->count = count;
    return count;
}

int matchCompactHoods(const CompactHood &base, const CompactHood &live, NeighbourMatch *match)
{
    RecordAcceptance acceptance;
    acceptRecords(base, live, &acceptance);
    return chooseRecords(acceptance, match);
}

} // namespace ridge
