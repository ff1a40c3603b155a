// The detector's parameter record (the version-2 parameter set). The one
// instance in force is ridge::DetectorParams.
#ifndef RIDGESDK_LFS_LFS_PARAMS_H
#define RIDGESDK_LFS_LFS_PARAMS_H

namespace lfs {

struct LfsParams {
    int pad_value;
    int blocksize;
    int windowsize;
    int windowoffset;
    int num_directions;
    float start_dir_angle;
    int rmv_valid_nbr_min;
    int dir_distance_max;
    int smth_valid_nbr_min;
    int vort_valid_nbr_min;
    int highcurv_vorticity_min;
    int highcurv_curvature_min;
    int min_interpolate_nbrs;
    int percentile_min_max;
    int min_contrast_delta;
    int num_dft_waves;
    float powmax_min;
    float pownorm_min;
    float powmax_max;
    int fork_interval;
    float fork_pct_powmax;
    float fork_pct_pownorm;
    int dirbin_grid_w;
    int dirbin_grid_h;
    int num_fill_holes;
    int max_minutia_delta;
    float max_high_curve_theta;
    int high_curve_half_contour;
    int min_loop_len;
    float min_loop_aspect_dist;
    float min_loop_aspect_ratio;
    int maxtrans;
    int side_half_contour;
    int inv_block_margin;
    int rm_valid_nbr_min;
    int max_overlap_dist;
    int max_overlap_join_dist;
    int pores_trans_r;
    int pores_perp_steps;
    int pores_steps_fwd;
    int pores_steps_bwd;
    float pores_min_dist2;
    float pores_max_ratio;
};

} // namespace lfs

#endif
