// The contrast test of every block's analysis window.
#ifndef RIDGESDK_EXTRACT_CONTRAST_PASS_H
#define RIDGESDK_EXTRACT_CONTRAST_PASS_H

#include "lfs/lfs_params.h"

#include <vector>

namespace ridge {

// Sets low_contrast_map[b] to 1 for every block b whose window (origin
// window_origins[b] in the padded 6-bit image, windowsize pixels square)
// fails low_contrast_block's test; other cells are left as they are.
// Windows on the 8-pixel lattice of the unpadded image get their histogram
// from the histograms of the 8 x 8 cells they cover; the others are tested
// by low_contrast_block itself. Returns 0 or the test's negative code.
int low_contrast_pass(std::vector<int> &low_contrast_map, const std::vector<int> &window_origins,
                      const unsigned char *pdata, int pw, int ph, int pad, const lfs::LfsParams &lfsparms);

// The same, every window tested by low_contrast_block. Reference for the
// cell-histogram path.
int low_contrast_pass_plain(std::vector<int> &low_contrast_map, const std::vector<int> &window_origins,
                            const unsigned char *pdata, int pw, int ph, const lfs::LfsParams &lfsparms);

} // namespace ridge

#endif
