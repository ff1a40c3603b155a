// Positions of a minutiae list filed by image cell, so that the entries near
// a point are found without a scan of the whole list. Shared by the
// detection's candidate updates and by the pairwise removal tests, which on
// noise or a very large image see hundreds of thousands of minutiae.
#ifndef RIDGESDK_LFS_MINUTIA_GRID_H
#define RIDGESDK_LFS_MINUTIA_GRID_H

#include "lfs/lfs.h"

#include <vector>

namespace lfs {

class MinutiaGrid {
public:
    // An empty grid over an iw x ih image; a minutia off the image is filed
    // on its border. Throws std::bad_alloc.
    void reset(int iw, int ih);
    // Files the entry at `position` of the list, lying at (x, y). Throws
    // std::bad_alloc and then leaves the grid as it was.
    void insert(int position, int x, int y);
    // Takes out an entry filed at (x, y).
    void erase(int position, int x, int y);
    // The filed positions whose minutia in `list` lies less than reach
    // pixels from (x, y) on both axes, ascending, into out.
    void near(const std::vector<Minutia> &list, int x, int y, int reach, std::vector<int> &out) const;
    // Releases the storage.
    void release() noexcept;

private:
    int column(long long x) const;
    int row(long long y) const;
    std::vector<int> &cell(int x, int y);

    int iw_ = 1, ih_ = 1, columns_ = 0, rows_ = 0;
    std::vector<std::vector<int>> cells_; // positions per cell, any order
};

// Files every entry of the list.
void file_minutiae(MinutiaGrid &grid, const Minutiae &minutiae, int iw, int ih);

} // namespace lfs

#endif
