// Contour tracing on the binary image (1 = ridge, 0 = valley), loops,
// shapes and digital lines.
#ifndef RIDGESDK_LFS_CONTOUR_H
#define RIDGESDK_LFS_CONTOUR_H

#include "lfs/lfs.h"
#include "lfs/lfs_params.h"

#include <vector>

namespace lfs {

// Traces half_contour points each way from the feature pixel; the result
// holds 2*half_contour+1 points centred on it. Returns 0, LOOP_FOUND,
// IGNORE, INCOMPLETE or a negative code.
int get_high_curvature_contour(Contour &contour, int half_contour, int x_loc, int y_loc, int x_edge,
                               int y_edge, const unsigned char *bdata, int iw, int ih);
int get_centered_contour(Contour &contour, int half_contour, int x_loc, int y_loc, int x_edge, int y_edge,
                         const unsigned char *bdata, int iw, int ih);
// Traces up to max_len points; LOOP_FOUND when it returns to (x_loop, y_loop).
int trace_contour(Contour &contour, int max_len, int x_loop, int y_loop, int x_edge, int y_edge,
                  int scan_clock, const unsigned char *bdata, int iw, int ih);
// FOUND when (x_search, y_search) is reached within search_len steps,
// NOT_FOUND, IGNORE, or a negative code.
int search_contour(int x_search, int y_search, int search_len, int x_pixel, int y_pixel, int x_edge,
                   int y_edge, int scan_clock, const unsigned char *bdata, int iw, int ih);
int next_contour_pixel(int *next_x_loc, int *next_y_loc, int *next_x_edge, int *next_y_edge, int cur_x_loc,
                       int cur_y_loc, int cur_x_edge, int cur_y_edge, int scan_clock,
                       const unsigned char *bdata, int iw, int ih);
int min_contour_theta(int *omin_i, float *omin_theta, int angle_edge, const Contour &contour);
void contour_limits(int *ominx, int *ominy, int *omaxx, int *omaxy, const Contour &contour);
void fix_edge_pixel_pair(int *feat_x, int *feat_y, int *edge_x, int *edge_y, const unsigned char *bdata,
                         int iw, int ih);

int is_loop_clockwise(const Contour &contour, int default_ret);
int fill_loop(const Contour &contour, unsigned char *bdata, int iw, int ih);
int get_loop_aspect(int *omin_fr, int *omin_to, float *omin_dist, int *omax_fr, int *omax_to,
                    float *omax_dist, const Contour &contour);

// Pixels of the digital line from (x1, y1) to (x2, y2), both ends included.
int line_points(std::vector<int> &x_list, std::vector<int> &y_list, int x1, int y1, int x2, int y2);

} // namespace lfs

#endif
