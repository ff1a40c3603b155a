// The greedy pairing of scorePairing, found through an index of the aligned
// live minutiae by column instead of a test against every live minutia.
//
// A pair needs |dx| of 8 or less (dx^2 above 70 otherwise), so a base
// minutia only looks at the live minutiae in the columns 8 pixels either
// side of it. The result equals scorePairing's as long as no coordinate
// difference can make the 32-bit squares wrap, which holds when every
// coordinate lies within +-kIndexedCoordinateLimit; callers check that and
// fall back to scorePairing otherwise.
#ifndef RIDGESDK_MATCHER_INDEXED_PAIRING_H
#define RIDGESDK_MATCHER_INDEXED_PAIRING_H

#include "ridgesdk.h"

#include <cstdint>

namespace ridge {

constexpr int32_t kIndexedCoordinateLimit = 16383;

bool withinIndexedLimit(const RawMinutia *minutiae, int count);

class IndexedPairing {
public:
    // Takes the base template (sorted by x) once per comparison.
    void setBase(const RawMinutia *base, int count);
    bool baseIndexable() const { return base_indexable_; }

    // Pairing score of the base against the aligned live copy; when the
    // score cannot exceed must_exceed, some value not above must_exceed is
    // returned as soon as that is certain. Requires baseIndexable() and
    // withinIndexedLimit(aligned, live_count).
    int32_t score(const RawMinutia *aligned, int live_count, int32_t must_exceed);

private:
    static constexpr int kColumnShift = 3; // columns 8 pixels wide
    static constexpr int kMaxColumns = (2 * kIndexedCoordinateLimit >> kColumnShift) + 2;

    const RawMinutia *base_ = nullptr;
    int base_count_ = 0;
    bool base_indexable_ = false;
    // Most points the base minutiae from position i onwards can still add.
    int32_t remaining_points_[FPT_MAX_MINUTIAE + 1] = {};

    // Live positions fit in the low bits of a pairing key.
    static constexpr int kLiveBits = 8;
    static_assert(FPT_MAX_MINUTIAE < (1 << kLiveBits), "live positions must fit the key");

    // The aligned live minutiae grouped by column (ascending live position
    // within each column), field by field.
    int16_t column_start_[kMaxColumns + 1] = {};
    int32_t column_x_[FPT_MAX_MINUTIAE] = {};
    int32_t column_y_[FPT_MAX_MINUTIAE] = {};
    int32_t column_angle_[FPT_MAX_MINUTIAE] = {};
    int32_t column_live_[FPT_MAX_MINUTIAE] = {};
    unsigned char column_used_[FPT_MAX_MINUTIAE] = {};
    int16_t column_of_live_[FPT_MAX_MINUTIAE] = {};
};

} // namespace ridge

#endif
