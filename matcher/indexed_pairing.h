// The greedy pairing of scorePairing, found through a grid of the base
// minutiae instead of a test of every base minutia against every live
// minutia.
//
// The base template is the same for every candidate of a comparison, so it
// is put in a grid once: each base minutia is listed in every cell that its
// reach (8 pixels either way on both axes: a pair needs |dx| and |dy| of 8
// or less) touches, and each aligned live minutia looks only at the base
// minutiae listed in its own cell. The acceptable (base, live) pairs found
// so are then taken in base order exactly as the plain scan takes them:
// each base minutia the nearest acceptable live minutia still unused, ties
// to the lower live position. The result equals scorePairing's as long as
// no coordinate difference can make the 32-bit squares wrap, which holds
// when every coordinate lies within +-kIndexedCoordinateLimit; callers
// check that and fall back to scorePairing otherwise.
#ifndef RIDGESDK_MATCHER_INDEXED_PAIRING_H
#define RIDGESDK_MATCHER_INDEXED_PAIRING_H

#include "ridgesdk.h"

#include <cstdint>

namespace ridge {

constexpr int32_t kIndexedCoordinateLimit = 16383;

bool withinIndexedLimit(const RawMinutia *minutiae, int count);

// The grid of one base template (at most 255 minutiae), which must stay in
// place while the grid is used.
class PairingGrid {
public:
    void build(const RawMinutia *base, int count);
    bool indexable() const { return indexable_; }

private:
    friend class IndexedPairing;
    friend int32_t scoreOnGrid(const PairingGrid &grid, const RawMinutia *aligned, int live_count,
                               int32_t must_exceed, struct PairingScratch *scratch);

    // Cells are 2^cell_shift_ pixels square, at least 16 so that a reach of
    // 17 pixels touches two cells at most on each axis; more cells than
    // this and the cells grow.
    static constexpr int kMinCellShift = 4;
    static constexpr int kMaxCells = 4096;
    static constexpr int kMaxListed = 4 * 255;

    const RawMinutia *base_ = nullptr;
    int base_count_ = 0;
    bool indexable_ = false;
    int32_t grid_x_ = 0, grid_y_ = 0; // the grid's top left corner
    int cell_shift_ = kMinCellShift;
    int grid_width_ = 0, grid_height_ = 0;
    // The base minutiae listed in each cell, as linked lists: the first
    // listing of cell c is head_[c] - 1 (0: none), the one after listing r
    // is next_[r] - 1; listing r names base position position_[r].
    uint16_t head_[kMaxCells] = {};
    uint16_t next_[kMaxListed] = {};
    uint8_t position_[kMaxListed] = {};
};

// Room for every acceptable pair of one scoring, so that a comparison
// allocates nothing: each pair's base position, and its choice key (the
// squared distance, then the live position); the keys again grouped by
// base position.
struct PairingScratch {
    static constexpr int kMaxPairs = 255 * FPT_MAX_MINUTIAE;
    uint8_t base[kMaxPairs];
    uint16_t key[kMaxPairs];
    uint16_t grouped[kMaxPairs];
    uint16_t start[256 + 1];
};

// Pairing score of the grid's base against the aligned live copy; when the
// score cannot exceed must_exceed, some value not above must_exceed is
// returned as soon as that is certain. Requires grid.indexable() and
// withinIndexedLimit(aligned, live_count).
int32_t scoreOnGrid(const PairingGrid &grid, const RawMinutia *aligned, int live_count, int32_t must_exceed,
                    PairingScratch *scratch);

// A grid and its scratch, for one base at a time.
class IndexedPairing {
public:
    // Takes the base template once per comparison.
    void setBase(const RawMinutia *base, int count) { grid_.build(base, count); }
    bool baseIndexable() const { return grid_.indexable(); }
    int32_t score(const RawMinutia *aligned, int live_count, int32_t must_exceed)
    {
        return scoreOnGrid(grid_, aligned, live_count, must_exceed, &scratch_);
    }

private:
    PairingGrid grid_;
    PairingScratch scratch_;
};

} // namespace ridge

#endif
