// NBIS removal tests and the minutia reliability.
#ifndef RIDGESDK_LFS_REMOVE_H
#define RIDGESDK_LFS_REMOVE_H

#include "lfs/lfs.h"
#include "lfs/lfs_params.h"

#include <vector>

namespace lfs {

int remove_near_invblock_V2(Minutiae &minutiae, const std::vector<int> &direction_map, int mw, int mh,
                            const LfsParams &lfsparms);
int remove_or_adjust_side_minutiae_V2(Minutiae &minutiae, unsigned char *bdata, int iw, int ih,
                                      const std::vector<int> &direction_map, int mw, int mh,
                                      const LfsParams &lfsparms);
int remove_pores_V2(Minutiae &minutiae, unsigned char *bdata, int iw, int ih,
                    const std::vector<int> &direction_map, const std::vector<int> &low_flow_map,
                    const std::vector<int> &high_curve_map, int mw, int mh, const LfsParams &lfsparms);
// Sets every minutia's reliability from the quality map and the grey-level
// statistics around it (8-bit image).
int combined_miutia_quality(Minutiae &minutiae, const std::vector<int> &quality_map, int mw, int mh,
                            int blocksize, const unsigned char *idata, int iw, int ih, float ppmm);

} // namespace lfs

#endif
