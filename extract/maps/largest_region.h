// Keeps the largest 4-connected region of candidate blocks of a block map.
#ifndef RIDGESDK_EXTRACT_LARGEST_REGION_H
#define RIDGESDK_EXTRACT_LARGEST_REGION_H

#include <cstdint>
#include <vector>

namespace ridge {

// Label map values: wide labels, so any number of regions can be told apart.
using RegionLabel = int32_t;
constexpr RegionLabel LABEL_NONE = 0;       // not a candidate
constexpr RegionLabel LABEL_UNFILLED = -1;  // candidate not yet reached by a fill

// A filled run of cells [left, right] in `row`; the row `row + dir` is
// still to be explored along those columns.
struct FillSpan {
    int left = 0;
    int right = 0;
    int row = 0;
    int dir = 0;
};

// Working state of one span fill. The pending spans are a stack whose head
// is the back of the vector; its storage is reused from fill to fill.
struct SpanFill {
    std::vector<FillSpan> pending;
    int last_row = -1;
    bool failed = false;
};

// Fills the 4-connected region of cells sharing the value of cell (x, y)
// with `label`. Returns the number of cells filled, -1 when (x, y) is
// outside the map, -2 when the fill ran out of memory part-way.
int fill_region(std::vector<RegionLabel> &labels, int mw, int mh, int x, int y, RegionLabel label,
                SpanFill &state);
int fill_region(std::vector<RegionLabel> &labels, int mw, int mh, int x, int y, RegionLabel label);

// Every cell of `map` (mw x mh) that is not 1 is a candidate. Sets to 1 all
// candidates outside the largest 4-connected region; of equal regions the
// one that starts first in raster order stays. Returns the size that the
// last fill returned (0 when nothing was filled), or -2 when the label map
// could not be had (the map is then left as it was).
int keep_largest_region(std::vector<int> &map, int mw, int mh);

} // namespace ridge

#endif
