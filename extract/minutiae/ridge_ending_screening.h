// Screening of doubtful ridge endings after the reliabilities are set:
// endings in or just in front of a void, and endings that stand open.
#ifndef RIDGESDK_EXTRACT_RIDGE_ENDING_SCREENING_H
#define RIDGESDK_EXTRACT_RIDGE_ENDING_SCREENING_H

#include "lfs/lfs.h"

#include <vector>

namespace ridge {

// Removes every ridge ending whose position, or one of the 13 points behind
// it at one-pixel spacing, lies inside the image in a block of quality 0.
void remove_endings_near_void(lfs::Minutiae &minutiae, const std::vector<int> &quality_map, int mw,
                              int blocksize, int iw, int ih);

// Removes ridge endings that neither side rays nor back rays cross enough
// ridges on. bdata: 0 ridge, 255 valley.
void remove_open_side_endings(lfs::Minutiae &minutiae, const unsigned char *bdata, int iw, int ih);

// Ridge/valley changes along the digital line from (x0, y0) to (x1, y1),
// ignoring changes within 3 pixels of the start; 0, 1 or 2.
int count_line_transitions(const unsigned char *bdata, int x0, int y0, int x1, int y1, int iw, int ih);

} // namespace ridge

#endif
