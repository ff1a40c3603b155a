#include "matcher/compact_hoods.h"

#include "matcher/bit_scan.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(_WIN32)
#define RIDGE_AVX2_ROWS 1
#include <immintrin.h>
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

// The row form needs 128-bit vectors in hardware; elsewhere (such as the
// 32-bit Windows build) the records are compared one by one.
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__SSE2__) || defined(__ARM_NEON))
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

int acceptRecordsByRecord(const CompactHood &base, const CompactHood &live, RecordAcceptance *acceptance)
{
    int rows = 0;
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
    return rows;
}

int acceptRecordsByRow(const CompactHood &base, const CompactHood &live, RecordAcceptance *acceptance)
{
#ifdef RIDGE_VECTOR_ROWS
    int rows = 0;
    const Lanes ld = load(live.distance), ldir = load(live.direction), lori = load(live.orientation);
    const Lanes full = broadcast(360);
    for (int k = 0; k < kNeighbourCount; ++k) {
        const Lanes dd = absolute(broadcast(base.distance[k]) - ld);
        Lanes dr = absolute(broadcast(base.direction[k]) - ldir);
        dr = minimum(dr, full - dr);
        Lanes od = absolute(broadcast(base.orientation[k]) - lori);
        od = minimum(od, full - od);
        // A distance difference above the limit fails whatever the cost;
        // capped, it keeps the sum within 16 bits.
        const Lanes cost = minimum(dd, broadcast(kMaxDistanceDifference + 1)) + dr + od;
        const Lanes ok = (dd <= kMaxDistanceDifference) & (dr <= kMaxDirectionDifference) &
                         (od <= kMaxOrientationDifference) & (cost <= kMaxNeighbourCost);
        const unsigned bits = lane_bits(ok);
        acceptance->rows[k] = static_cast<uint8_t>(bits);
        rows += bits != 0;
        std::memcpy(acceptance->cost[k], &cost, sizeof cost);
    }
    return rows;
#else
    return acceptRecordsByRecord(base, live, acceptance);
#endif
}

#ifdef RIDGE_AVX2_ROWS
namespace {

// Two rows per step: the low half of each vector is base record k against
// the live records, the high half base record k + 1.
__attribute__((target("avx2"))) int accept_records_avx2(const CompactHood &base, const CompactHood &live,
                                                        RecordAcceptance *acceptance)
{
    __m128i ld, ldir, lori;
    std::memcpy(&ld, live.distance, sizeof ld);
    std::memcpy(&ldir, live.direction, sizeof ldir);
    std::memcpy(&lori, live.orientation, sizeof lori);
    const __m256i live_distance = _mm256_broadcastsi128_si256(ld);
    const __m256i live_direction = _mm256_broadcastsi128_si256(ldir);
    const __m256i live_orientation = _mm256_broadcastsi128_si256(lori);
    const __m256i full = _mm256_set1_epi16(360);
    const __m256i distance_limit = _mm256_set1_epi16(kMaxDistanceDifference + 1);
    const __m256i direction_limit = _mm256_set1_epi16(kMaxDirectionDifference + 1);
    const __m256i orientation_limit = _mm256_set1_epi16(kMaxOrientationDifference + 1);
    const __m256i cost_limit = _mm256_set1_epi16(kMaxNeighbourCost + 1);
    int rows = 0;
    for (int k = 0; k < kCompactLanes; k += 2) {
        const __m256i bd = _mm256_set_m128i(_mm_set1_epi16(base.distance[k + 1]), _mm_set1_epi16(base.distance[k]));
        const __m256i bdir =
            _mm256_set_m128i(_mm_set1_epi16(base.direction[k + 1]), _mm_set1_epi16(base.direction[k]));
        const __m256i bori =
            _mm256_set_m128i(_mm_set1_epi16(base.orientation[k + 1]), _mm_set1_epi16(base.orientation[k]));
        const __m256i dd = _mm256_abs_epi16(_mm256_sub_epi16(bd, live_distance));
        __m256i dr = _mm256_abs_epi16(_mm256_sub_epi16(bdir, live_direction));
        dr = _mm256_min_epi16(dr, _mm256_sub_epi16(full, dr));
        __m256i od = _mm256_abs_epi16(_mm256_sub_epi16(bori, live_orientation));
        od = _mm256_min_epi16(od, _mm256_sub_epi16(full, od));
        const __m256i cost = _mm256_add_epi16(_mm256_add_epi16(dd, dr), od);
        const __m256i ok = _mm256_and_si256(
            _mm256_and_si256(_mm256_cmpgt_epi16(distance_limit, dd), _mm256_cmpgt_epi16(direction_limit, dr)),
            _mm256_and_si256(_mm256_cmpgt_epi16(orientation_limit, od), _mm256_cmpgt_epi16(cost_limit, cost)));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(acceptance->cost[k]), cost);
        // Packing works within each half: bits 0..7 are row k, 16..23 row k + 1.
        const unsigned bits = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_packs_epi16(ok, ok)));
        acceptance->rows[k] = static_cast<uint8_t>(bits);
        acceptance->rows[k + 1] = static_cast<uint8_t>(bits >> 16);
        rows += (bits & 0xFFu) != 0;
        rows += k + 1 < kNeighbourCount && ((bits >> 16) & 0xFFu) != 0;
    }
    return rows;
}

using AcceptFunction = int (*)(const CompactHood &, const CompactHood &, RecordAcceptance *);

AcceptFunction choose_accept()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? accept_records_avx2 : acceptRecordsByRow;
}

} // namespace

int acceptRecords(const CompactHood &base, const CompactHood &live, RecordAcceptance *acceptance)
{
    static const AcceptFunction accept = choose_accept();
    return accept(base, live, acceptance);
}
#else
int acceptRecords(const CompactHood &base, const CompactHood &live, RecordAcceptance *acceptance)
{
    return acceptRecordsByRow(base, live, acceptance);
}
#endif

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
        const int first = lowest_set_bit(open);
        from_start = ~((1u << first) - 1) & ((1u << kNeighbourCount) - 1);
        int best = first;
        for (unsigned rest = open & (open - 1); rest != 0; rest &= rest - 1) {
            const int m = lowest_set_bit(rest);
            if (acceptance.cost[k][m] < acceptance.cost[k][best])
                best = m;
        }
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
