// Integer DFT wave tables and the directional powers of a block window.
#ifndef RIDGESDK_EXTRACT_DFT_WAVES_H
#define RIDGESDK_EXTRACT_DFT_WAVES_H

#include "lfs/lfs.h"

namespace ridge {

// Scale of the integer wave coefficients.
constexpr int DFT_COEF_SCALE = 1024;

// Builds nwaves waves of wavelen samples (frequency factors 1..nwaves); each
// keeps the first quarter of its cosine and sine, scaled by 1024. Returns 0
// or -20/-22/-23/-24 when storage cannot be had.
int init_dftwaves(lfs::DftWaves &dftwaves, int nwaves, int wavelen);

// Powers of every wave along every direction of the rotated grids for the
// window whose origin is pdata + blkoffset: powers[wave * ngrids + dir].
// Directions ngrids/2.. are taken from the reversed column sums of the
// grids of the first half. Returns 0, -90 for non-square grids, -91 when
// the waves do not match the grid size.
int dft_dir_powers(float *powers, const unsigned char *pdata, int blkoffset, const lfs::DftWaves &dftwaves,
                   const lfs::RotGrids &dftgrids);

// The same powers evaluated plainly: unfolded sums over coefficients taken
// straight from cos/sin. Kept as the reference the folded path is tested
// against.
int dft_dir_powers_plain(float *powers, const unsigned char *pdata, int blkoffset,
                         const lfs::DftWaves &dftwaves, const lfs::RotGrids &dftgrids);

} // namespace ridge

#endif
