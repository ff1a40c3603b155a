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
    for (int j = 0; j < live_count; ++j)
        by_column_[fill[(aligned[j].x - min_x) >> kColumnShift]++] = static_cast<int16_t>(j);

    bool used[FPT_MAX_MINUTIAE] = {};
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
        // live minutiae in the window rarely pass, and in no foreseeable way.
        // The squared distance is taken in 64 bits; it only counts when
        // |dy| <= 8, and then it equals the 32-bit value.
        int32_t best_distance = 1000000;
        int partner = -1;
        for (int p = column_start_[first_column]; p < column_start_[last_column + 1]; ++p) {
            const int j = by_column_[p];
            const RawMinutia &l = aligned[j];
            const int32_t dy = b.y - l.y;
            const int64_t dx = b.x - l.x;
            const int64_t d = dx * dx + static_cast<int64_t>(dy) * dy;
            const bool acceptable = !used[j] &
                                    (circular_difference(b.angle, l.angle) <= kMaxPairAngleDifference) &
                                    (dy >= -kMaxPairRowDifference) & (dy <= kMaxPairRowDifference) &
                                    (d <= kMaxPairSquaredDistance);
            // Columns are visited out of live order: equal distances go to
            // the lower position, as in the plain scan.
            const bool better = acceptable & ((d < best_distance) | ((d == best_distance) & (j < partner)));
            best_distance = better ? static_cast<int32_t>(d) : best_distance;
            partner = better ? j : partner;
        }
        if (partner >= 0) {
            total += pair_points(b.type, aligned[partner].type);
            used[partner] = true;
            --unused;
        }
    }
    return total;
}

} // namespace ridge
