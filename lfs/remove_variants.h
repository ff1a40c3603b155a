// The removal routines with their arithmetic switchable back to the
// original library's, so that tests can tell this system's deliberate
// changes apart from faults when comparing with captured results.
#ifndef RIDGESDK_LFS_REMOVE_VARIANTS_H
#define RIDGESDK_LFS_REMOVE_VARIANTS_H

#include "lfs/lfs.h"
#include "lfs/lfs_params.h"

#include <vector>

namespace lfs {

struct RemovalArithmetic {
    // Side-minutia rotation with sin/cos computed in double precision
    // instead of the 32-entry single-precision table.
    bool computed_trig = false;
    // Pore ratio test applied to ridge endings as well as bifurcations.
    bool pore_ratio_all_types = false;
    // Reliability with the real standard deviation instead of the integer
    // square root of the rounded variance.
    bool real_stdev = false;
};

int remove_or_adjust_side_minutiae_with(Minutiae &minutiae, unsigned char *bdata, int iw, int ih,
                                        const std::vector<int> &direction_map, int mw, int mh,
                                        const LfsParams &lfsparms, const RemovalArithmetic &arith);
int remove_pores_with(Minutiae &minutiae, unsigned char *bdata, int iw, int ih,
                      const std::vector<int> &direction_map, const std::vector<int> &low_flow_map,
                      const std::vector<int> &high_curve_map, int mw, int mh, const LfsParams &lfsparms,
                      const RemovalArithmetic &arith);
int combined_miutia_quality_with(Minutiae &minutiae, const std::vector<int> &quality_map, int mw, int mh,
                                 int blocksize, const unsigned char *idata, int iw, int ih, float ppmm,
                                 const RemovalArithmetic &arith);

} // namespace lfs

#endif
