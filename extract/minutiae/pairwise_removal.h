// Pieces shared by the pairwise removal tests (islands and lakes, hooks,
// overlaps). Each test marks minutiae while it scans the list in order and
// removes them all at the end, so that a removal never shifts the positions
// the scan is still walking.
#ifndef RIDGESDK_EXTRACT_PAIRWISE_REMOVAL_H
#define RIDGESDK_EXTRACT_PAIRWISE_REMOVAL_H

#include "lfs/lfs.h"

#include <cstddef>
#include <vector>

namespace ridge {

// One cleared mark per minutia. Without memory, prints
// "ERROR : <routine> : calloc : to_remove" and returns false.
bool allocate_removal_flags(int count, const char *routine, std::vector<char> &flags);

// Removes the marked minutiae, last first; 0 or remove_minutia's code.
int remove_flagged_minutiae(const std::vector<char> &flags, lfs::Minutiae &minutiae);

// A pixel of the binary image, -1 off the image, so that a minutia there
// never matches its type. The tests that fill loops or draw joins use it
// to see whether an earlier change swallowed a minutia.
inline int binary_pixel(const unsigned char *bdata, int iw, int ih, int x, int y)
{
    if (x < 0 || y < 0 || x >= iw || y >= ih)
        return -1;
    return bdata[static_cast<std::size_t>(y) * static_cast<std::size_t>(iw) + static_cast<std::size_t>(x)];
}

} // namespace ridge

#endif
