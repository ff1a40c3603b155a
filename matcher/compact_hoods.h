// Neighbourhoods in a compact form, and their comparison done a whole row
// of live records at a time.
//
// A compact neighbourhood keeps the seven records of a Neighbourhood field
// by field in 16-bit lanes, with an eighth lane that never corresponds to
// anything. It holds every table whose fields fit (distances 0..32767 in
// ascending order, directions 0..359, orientations 0..360, indices
// 0..255), which is every table of a template whose coordinates lie within
// 0..16383.
//
// matchNeighbourhoods scans the live records record by record, with an
// early end of each scan and an early return. Both only skip records that
// cannot be accepted (the live distances ascend, and so do the base ones),
// so its outcome is a function of which (base, live) record pairs are
// acceptable and at what cost: for each base record in turn, the cheapest
// acceptable live record not yet used and not before the scan start (the
// lowest of equal costs), the scan start moving to the first acceptable
// one. The comparison here computes that acceptance matrix first, all live
// records at once, then makes the same choices from it.
#ifndef RIDGESDK_MATCHER_COMPACT_HOODS_H
#define RIDGESDK_MATCHER_COMPACT_HOODS_H

#include "matcher/neighbourhoods.h"

#include <cstdint>

namespace ridge {

constexpr int kCompactLanes = 8;

struct CompactHood {
    int16_t distance[kCompactLanes];    // lane 7: kNeverDistance
    int16_t direction[kCompactLanes];   // lane 7: 0
    int16_t orientation[kCompactLanes]; // lane 7: 0
    uint8_t index[kCompactLanes];       // lane 7: 0
};

// Far beyond any real distance (at most 30120 for coordinates within
// 0..16383), so the spare lane never passes the distance test.
constexpr int16_t kNeverDistance = INT16_MAX;

// True when every record of entries 0..count-1 fits the compact form.
bool compactable(const NeighbourhoodTable &table, int count);
bool compactable(const Neighbourhood &hood);

// The compact form of entries 0..count-1 (requires compactable).
void compactTable(const NeighbourhoodTable &table, int count, CompactHood *out);
CompactHood compactHood(const Neighbourhood &hood);

// Acceptable (base, live) record pairs: bit m of rows[k] set when live
// record m may correspond with base record k, cost[k][m] its cost.
// (Row 7 is room for the spare lane of the base and means nothing.)
struct RecordAcceptance {
    uint8_t rows[kCompactLanes];
    int16_t cost[kCompactLanes][kCompactLanes];
};

// Fills the acceptance matrix; returns how many base records have at least
// one acceptable live record (an upper bound of the match count). Two rows
// at a time on processors with 256-bit integer vectors, else one.
int acceptRecords(const CompactHood &base, const CompactHood &live, RecordAcceptance *acceptance);

// The one-row-at-a-time form, which acceptRecords uses where the wider
// one is unavailable, and the record-by-record form, which the row form
// uses where 128-bit vectors are unavailable (both kept callable for the
// tests).
int acceptRecordsByRow(const CompactHood &base, const CompactHood &live, RecordAcceptance *acceptance);
int acceptRecordsByRecord(const CompactHood &base, const CompactHood &live, RecordAcceptance *acceptance);

// The choices of matchNeighbourhoods from the acceptance matrix: its count
// and live_of_base.
int chooseRecords(const RecordAcceptance &acceptance, NeighbourMatch *match);

// matchNeighbourhoods on compact neighbourhoods: the same count and result.
int matchCompactHoods(const CompactHood &base, const CompactHood &live, NeighbourMatch *match);

} // namespace ridge

#endif
