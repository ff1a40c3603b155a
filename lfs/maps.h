// NBIS map-stage routines used as they are (single precision for reals).
#ifndef RIDGESDK_LFS_MAPS_H
#define RIDGESDK_LFS_MAPS_H

#include "lfs/lfs.h"
#include "lfs/lfs_params.h"

#include <memory>
#include <vector>

namespace lfs {

// Padding that the map windows and the binarisation grids need.
int get_max_padding_V2(int map_windowsize, int map_windowoffset, int dirbin_grid_w, int dirbin_grid_h);

// Copies the image into the centre of a (iw+2pad) x (ih+2pad) image filled
// with pad_value (pad 0 gives a plain copy). Fails for empty images and for
// padded sizes beyond 32 bits.
int pad_uchar_image(std::vector<unsigned char> &out, int &ow, int &oh, const unsigned char *in, int iw,
                    int ih, int pad, int pad_value);

// Rotated sampling grids for ndirs directions over a half turn, starting at
// start_dir_angle, in steps of single-precision pi / ndirs. Offsets are
// dx + dy * (iw + 2 * pad), relative to the unrotated grid's top-left
// (RELATIVE2ORIGIN) or its centre pixel (RELATIVE2CENTER). A negative ipad
// lets the grid choose the smallest pad it needs; a smaller ipad fails.
int init_rotgrids(RotGrids &grids, int iw, int ih, int ipad, float start_dir_angle, int ndirs, int grid_w,
                  int grid_h, int relative2);

// The points of such grids, independent of any image: per direction, row by
// row, the rounded dx and dy of each grid point.
struct RotGridPoints {
    float start_angle = 0.0f;
    int ndirs = 0, grid_w = 0, grid_h = 0, relative2 = RELATIVE2ORIGIN;
    std::vector<int> dx, dy;
};
// Computes them afresh.
void compute_rotgrid_points(RotGridPoints &points, float start_dir_angle, int ndirs, int grid_w, int grid_h,
                            int relative2);
// The same points, computed once per process for each parameter set and
// shared read-only from then on (the first few sets met are kept; others
// are computed per call). May throw std::bad_alloc.
std::shared_ptr<const RotGridPoints> rotgrid_points(float start_dir_angle, int ndirs, int grid_w, int grid_h,
                                                    int relative2);

// Pixel offset of each block's origin in the padded image; gives mw, mh
// (size / blocksize rounded up). The last block of a row or column is
// anchored at the image's far edge, so an image smaller than one block
// fails.
int block_offsets(std::vector<int> &offsets, int &mw, int &mh, int iw, int ih, int pad, int blocksize);

// LFS_TRUE when the blocksize x blocksize window at blkoffset (the 24 x 24
// analysis window) has too little contrast, LFS_FALSE otherwise, negative on
// failure or when the window leaves the pw x ph image. The percentile levels
// are the first grey levels from either end at which the running count
// exceeds 57.
int low_contrast_block(int blkoffset, int blocksize, const unsigned char *pdata, int pw, int ph,
                       const LfsParams &lfsparms);

// Directional power table, powers[wave * ndirs + dir].
int alloc_dir_powers(std::vector<float> &powers, int nwaves, int ndirs);

struct PowerStats {
    std::vector<int> wis;          // wave indices, ranked
    std::vector<float> powmaxs;    // maximal power per wave
    std::vector<int> powmax_dirs;  // its direction
    std::vector<float> pownorms;   // normalised power
};
int alloc_power_stats(PowerStats &stats, int nstats);
// Ranks the waves by decreasing powmax * pownorm: only wis is reordered (ties
// keep their order); the statistic at position i ranks the entry wis[i] held
// on entry, so wis normally starts as 0..nstats-1 and the statistics are then
// read as powmaxs[wis[k]].
int sort_dft_waves(PowerStats &stats, int nstats);

// Closing of a TRUE/FALSE map: two 4-neighbour dilations, two erosions.
int morph_TF_map(std::vector<int> &tfmap, int mw, int mh);
// Invalid, not low-contrast blocks take the distance-weighted mean of the
// nearest valid blocks north, east, south and west (at least
// min_interpolate_nbrs of them); every block reads the map as it was.
int interpolate_direction_map(std::vector<int> &direction_map, const std::vector<int> &low_contrast_map,
                              int mw, int mh, const LfsParams &lfsparms);
// Neighbourhood measures of the high-curvature map. Neighbours outside the
// map count as invalid.
int num_valid_8nbrs(const std::vector<int> &map, int mx, int my, int mw, int mh);
int closest_dir_dist(int dir1, int dir2, int ndirs); // INVALID_DIR if either is invalid
// +1 for a clockwise turn between successive neighbours, -1 beyond half a turn.
void accum_nbr_vorticity(int &vmeasure, int dir1, int dir2, int ndirs);
// Sum of the turns around the eight neighbours, clockwise from north-west.
int vorticity(const std::vector<int> &map, int mx, int my, int mw, int mh, int ndirs);
// Largest direction distance from a valid block to a valid neighbour.
int curvature(const std::vector<int> &map, int mx, int my, int mw, int mh, int ndirs);
// Flags valid blocks whose curvature reaches highcurv_curvature_min, and
// invalid blocks with at least vort_valid_nbr_min valid neighbours whose
// vorticity reaches highcurv_vorticity_min.
int gen_high_curve_map(std::vector<int> &high_curve_map, const std::vector<int> &direction_map, int mw,
                       int mh, const LfsParams &lfsparms);
// One value per pixel of an iw x ih image, blocks laid out as block_offsets
// lays them out.
int pixelize_map(std::vector<int> &pmap, int iw, int ih, const std::vector<int> &imap, int mw, int mh,
                 int blocksize);
// Quality levels 0..4 per block.
int gen_quality_map(std::vector<int> &qmap, const std::vector<int> &direction_map,
                    const std::vector<int> &low_contrast_map, const std::vector<int> &low_flow_map,
                    const std::vector<int> &high_curve_map, int mw, int mh);

} // namespace lfs

#endif
