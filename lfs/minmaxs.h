// Relative minima and maxima of a sequence of integers.
#ifndef RIDGESDK_LFS_MINMAXS_H
#define RIDGESDK_LFS_MINMAXS_H

#include <vector>

namespace lfs {

struct MinMaxs {
    std::vector<int> val;   // value at the extremum
    std::vector<int> type;  // -1 minimum, 1 maximum
    std::vector<int> index; // position in the sequence (middle of a plateau)
    int num() const { return static_cast<int>(val.size()); }
};

// Fewer than three items give no extremum. Returns 0.
int minmaxs(MinMaxs &out, const std::vector<int> &items);

} // namespace lfs

#endif
