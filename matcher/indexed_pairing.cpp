// Greedy pairing through a column index of the base minutiae.
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

// Live positions fit in the low bits of a choice key.
constexpr int kLiveBits = 8;
static_assert(FPT_MAX_MINUTIAE < (1 << kLiveBits), "live positions must fit the key");

int32_t most_points(int32_t base_type)
{
    return base_type == FPT_MINUTIA_BIFURCATION    ? kPairPoints + kBifurcationBonus
           : base_type == FPT_MINUTIA_RIDGE_ENDING ? kPairPoints + kRidgeEndingBonus
                                                   : kPairPoints;
}

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

void PairingGrid::build(const RawMinutia *base, int count)
{
    base_ = base;
    base_count_ = count;
    indexable_ = count > 0 && count <= 255 && withinIndexedLimit(base, count);
    if (!indexable_)
        return;
    const int32_t reach = kMaxPairColumnDifference;
    int32_t min_x = base[0].x, max_x = base[0].x, min_y = base[0].y, max_y = base[0].y;
    for (int k = 1; k < count; ++k) {
        min_x = std::min(min_x, base[k].x);
        max_x = std::max(max_x, base[k].x);
        min_y = std::min(min_y, base[k].y);
        max_y = std::max(max_y, base[k].y);
    }
    grid_x_ = min_x - reach;
    grid_y_ = min_y - reach;
    cell_shift_ = kMinCellShift;
    for (;;) {
        grid_width_ = ((max_x + reach - grid_x_) >> cell_shift_) + 1;
        grid_height_ = ((max_y + reach - grid_y_) >> cell_shift_) + 1;
        if (grid_width_ * grid_height_ <= kMaxCells)
            break;
        ++cell_shift_;
    }
    std::fill(head_, head_ + grid_width_ * grid_height_, uint16_t{0});
    int listed = 0;
    for (int k = 0; k < count; ++k) {
        const int x0 = (base[k].x - reach - grid_x_) >> cell_shift_, x1 = (base[k].x + reach - grid_x_) >> cell_shift_;
        const int y0 = (base[k].y - reach - grid_y_) >> cell_shift_, y1 = (base[k].y + reach - grid_y_) >> cell_shift_;
        // The reach spans one or two cells on each axis.
        auto list_in = [&](int cell) {
            position_[listed] = static_cast<uint8_t>(k);
            next_[listed] = head_[cell];
            head_[cell] = static_cast<uint16_t>(++listed);
        };
        list_in(y0 * grid_width_ + x0);
        if (x1 != x0)
            list_in(y0 * grid_width_ + x1);
        if (y1 != y0) {
            list_in(y1 * grid_width_ + x0);
            if (x1 != x0)
                list_in(y1 * grid_width_ + x1);
        }
    }
}

int32_t scoreOnGrid(const PairingGrid &grid, const RawMinutia *aligned, int live_count, int32_t must_exceed,
                    PairingScratch *scratch)
{
    const RawMinutia *base = grid.base_;
    // Every acceptable pair, by the tests of scorePairing (no wrapping
    // within the limits).
    int n = 0;
    for (int j = 0; j < live_count; ++j) {
        const RawMinutia &l = aligned[j];
        const int32_t gx = l.x - grid.grid_x_, gy = l.y - grid.grid_y_;
        if (gx < 0 || gy < 0)
            continue;
        const int cx = gx >> grid.cell_shift_, cy = gy >> grid.cell_shift_;
        if (cx >= grid.grid_width_ || cy >= grid.grid_height_)
            continue;
        for (int r = grid.head_[cy * grid.grid_width_ + cx]; r != 0; r = grid.next_[r - 1]) {
            const int i = grid.position_[r - 1];
            const RawMinutia &b = base[i];
            const int32_t dy = b.y - l.y;
            if (dy > kMaxPairRowDifference || dy < -kMaxPairRowDifference)
                continue;
            const int32_t dx = b.x - l.x;
            const int32_t d = dx * dx + dy * dy;
            if (d > kMaxPairSquaredDistance || circular_difference(b.angle, l.angle) > kMaxPairAngleDifference)
                continue;
            scratch->base[n] = static_cast<uint8_t>(i);
            scratch->key[n] = static_cast<uint16_t>(d << kLiveBits | j);
            ++n;
        }
    }
    if (n == 0)
        return 0;

    // The keys grouped by base position (counting sort), and the most the
    // pairing can reach: every base minutia with a candidate paired.
    const int base_count = grid.base_count_;
    uint16_t *start = scratch->start;
    std::fill(start, start + base_count + 1, uint16_t{0});
    for (int k = 0; k < n; ++k)
        ++start[scratch->base[k] + 1];
    int32_t bound = 0;
    for (int i = 0; i < base_count; ++i) {
        if (start[i + 1] != 0)
            bound += most_points(base[i].type);
        start[i + 1] = static_cast<uint16_t>(start[i + 1] + start[i]);
    }
    if (bound <= must_exceed)
        return bound;
    uint16_t fill[256];
    std::copy(start, start + base_count, fill);
    for (int k = 0; k < n; ++k)
        scratch->grouped[fill[scratch->base[k]]++] = scratch->key[k];

    // In base order, the nearest candidate still unused, ties to the lower
    // live position: the smallest key.
    bool used[FPT_MAX_MINUTIAE] = {};
    int32_t total = 0;
    for (int i = 0; i < base_count; ++i) {
        int best = 0xFFFF + 1;
        for (int k = start[i]; k < start[i + 1]; ++k) {
            const int key = scratch->grouped[k];
            if (key < best && !used[key & ((1 << kLiveBits) - 1)])
                best = key;
        }
        if (best <= 0xFFFF) {
            const int partner = best & ((1 << kLiveBits) - 1);
            total += pair_points(base[i].type, aligned[partner].type);
            used[partner] = true;
        }
    }
    return total;
}

} // namespace ridge
