// Greedy pairing through a column index of the aligned live minutiae.
#include "matcher/indexed_pairing.h"

#include "matcher/int32_arith.h"
#include "matcher/pairing.h"

#include <algorithm>

namespace ridge {

namespace {

// A pair needs dx^2 + dy^2 <= 70, so |dx| <= 8.
constexpr int32_t kMaxPairColumnDifference = 8;
static_assert(kMaxPairColumnDifference * kMaxPairColumnDifference <= kMaxPairSquaredDistance &&
                  (kMaxPairColumnDifference + 1) * (kMaxPairColumnDifference + 1) > kMaxPairSquaredDistance,
              "the column window must hold every acceptable partner");

} // namespace

bool withinIndexedLimit(const RawMinutia *minutiae, int count)
{
    for (int k = 0; k < count; ++k) {
        const RawMinutia &m = minutiae[k];
        if (m.x < -kIndexedCoordinateLimit || m.x > kIndexedCoordinateLimit ||
            m.y < -kIndexedCoordinateLimit || m.y > kIndexedCoordinateLimit)
            return false;
    }
    return true;
}

void IndexedPairing::setBase(const RawMinutia *base, int count)
{
    base_ = base;
    base_count_ = count;
    base_indexable_ = withinIndexedLimit(base, count);
    remaining_points_[count] = 0;
    for (int i = count - 1; i >= 0; --i) {
        const int32_t most = base[i].type == FPT_MINUTIA_BIFURCATION
                                 ? kPairPoints + kBifurcationBonus
                                 : base[i].type == FPT_MINUTIA_RIDGE_ENDING ? kPairPoints + kRidgeEndingBonus
                                                                            : kPairPoints;
        remaining_points_[i] = remaining_points_[i + 1] + most;
    }
}

int32_t IndexedPairing::score(const RawMinutia *aligned, int live_count, int32_t must_exceed)
{
    int32_t min_x = aligned[0].x, max_x = aligned[0].x;
    for (int j = 1; j < live_count; ++j) {
        min_x = std::min(min_x, aligned[j].x);
        max_x = std::max(max_x, aligned[j].x);
    }
    const int columns = ((max_x - min_x) >> kColumnShift) + 1;

    // Counting sort of the live positions by column, stable in j.
    std::fill(column_start_, column_start_ + columns + 1, int16_t{0});
    for (int j = 0; j < live_count; ++j)
        ++column_start_[((aligned[j].x - min_x) >> kColumnShift) + 1];
    for (int c = 0; c < columns; ++c)
        column_start_[c + 1] = static_cast<int16_t>(column_start_[c + 1] + column_start_[c]);
    int16_t fill[kMaxColumns];
    std::copy(column_start_, column_start_ + columns, fill);
    for (int j = 0; j < live_count; ++j) {
        const int p = fill[(aligned[j].x - min_x) >> kColumnShift]++;
        column_x_[p] = aligned[j].x;
        column_y_[p] = aligned[j].y;
        column_angle_[p] = aligned[j].angle;
        column_live_[p] = j;
        column_of_live_[j] = static_cast<int16_t>(p);
        column_used_[p] = 0;
    }

    int unused = live_count;
    int32_t total = 0;
    for (int i = 0; i < base_count_; ++i) {
        // Give up as soon as even pairing everything left cannot win.
        const int32_t most = std::min(remaining_points_[i],
                                      static_cast<int32_t>(unused) * (kPairPoints + kBifurcationBonus));
        if (total + most <= must_exceed)
            return total;

        const RawMinutia &b = base_[i];
        const int32_t left = b.x - kMaxPairColumnDifference - min_x;
        const int32_t right = b.x + kMaxPairColumnDifference - min_x;
        if (right < 0)
            continue;
        const int first_column = left < 0 ? 0 : left >> kColumnShift;
        const int last_column = std::min(columns - 1, right >> kColumnShift);
        if (first_column > last_column)
            continue;

        // The tests of scorePairing, evaluated without branches: the few
        // live minutiae in the window rarely pass, and in no foreseeable
        // way. Both offsets are clamped to 9, which keeps every failing
        // distance above 70 and every passing one exact, and the squared
        // distance and the live position share one key, so that the
        // smallest key is the nearest partner with ties to the lower
        // position, as in the plain scan.
        int32_t best_key = INT32_MAX;
        for (int p = column_start_[first_column]; p < column_start_[last_column + 1]; ++p) {
            const int32_t dx = std::min(abs32(b.x - column_x_[p]), kMaxPairRowDifference + 1);
            const int32_t dy = std::min(abs32(b.y - column_y_[p]), kMaxPairRowDifference + 1);
            const int32_t d = dx * dx + dy * dy;
            const bool acceptable = (column_used_[p] == 0) &
                                    (circular_difference(b.angle, column_angle_[p]) <= kMaxPairAngleDifference) &
                                    (dy <= kMaxPairRowDifference) & (d <= kMaxPairSquaredDistance);
            const int32_t key = acceptable ? (d << kLiveBits) | column_live_[p] : INT32_MAX;
            best_key = std::min(best_key, key);
        }
        if (best_key != INT32_MAX) {
            const int partner = best_key & ((1 << kLiveBits) - 1);
            total += pair_points(b.type, aligned[partner].type);
            column_used_[column_of_live_[partner]] = 1;
            --unused;
        }
    }
    return total;
}

} // namespace ridge
