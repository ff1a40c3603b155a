// The detector's one constant parameter block.
#ifndef RIDGESDK_EXTRACT_DETECTOR_PARAMS_H
#define RIDGESDK_EXTRACT_DETECTOR_PARAMS_H

#include "lfs/lfs_params.h"

namespace ridge {


// Values of the version-2 detector; read-only for the life of the process.
inline constexpr lfs::LfsParams DetectorParams = {
    128,        // pad_value
    8,          // blocksize
    24,         // windowsize
    8,          // windowoffset
    16,         // num_directions
    1.5707964f, // start_dir_angle (pi/2)
    3,          // rmv_valid_nbr_min
    3,          // dir_distance_max
    7,          // smth_valid_nbr_min
    7,          // vort_valid_nbr_min
    5,          // highcurv_vorticity_min
    5,          // highcurv_curvature_min
    2,          // min_interpolate_nbrs
    10,         // percentile_min_max (not read: fixed count 57)
    5,          // min_contrast_delta
    4,          // num_dft_waves
    100000.0f,  // powmax_min
    3.8f,       // pownorm_min
    50000000.0f,// powmax_max
    2,          // fork_interval
    0.7f,       // fork_pct_powmax
    0.75f,      // fork_pct_pownorm
    7,          // dirbin_grid_w
    9,          // dirbin_grid_h
    3,          // num_fill_holes
    10,         // max_minutia_delta
    1.0471976f, // max_high_curve_theta (pi/3)
    14,         // high_curve_half_contour
    20,         // min_loop_len
    1.0f,       // min_loop_aspect_dist
    2.25f,      // min_loop_aspect_ratio
    2,          // maxtrans
    7,          // side_half_contour
    4,          // inv_block_margin
    7,          // rm_valid_nbr_min
    8,          // max_overlap_dist
    6,          // max_overlap_join_dist
    3,          // pores_trans_r
    12,         // pores_perp_steps
    10,         // pores_steps_fwd
    8,          // pores_steps_bwd
    0.5f,       // pores_min_dist2
    2.25f,      // pores_max_ratio
};

} // namespace ridge

#endif
