// Contour tracing on the binary image (1 = ridge, 0 = valley), loops,
// shapes and digital lines.
//
// A contour is followed from a feature pixel and its edge pixel (a
// 4-neighbour of opposite value). Each step scans the feature pixel's eight
// neighbours, starting next to the edge pixel, clockwise (N, NE, E, SE, S,
// SW, W, NW with rows growing downwards) or counter-clockwise (the reverse),
// and moves to the first neighbour of the feature's value; the neighbour
// scanned just before it becomes the new edge pixel. A diagonal neighbour
// counts only when the 4-neighbour scanned after it also holds the
// feature's value, so a contour never crosses a corner-only contact.
#ifndef RIDGESDK_LFS_CONTOUR_H
#define RIDGESDK_LFS_CONTOUR_H

#include "lfs/lfs.h"
#include "lfs/lfs_params.h"

#include <vector>

namespace lfs {

// Neighbour indices around a pixel, clockwise from north.
constexpr int NORTH = 0;
constexpr int NORTH_EAST = 1;
constexpr int EAST = 2;
constexpr int SOUTH_EAST = 3;
constexpr int SOUTH = 4;
constexpr int SOUTH_WEST = 5;
constexpr int WEST = 6;
constexpr int NORTH_WEST = 7;
extern const int nbr8_dx[8];
extern const int nbr8_dy[8];

// Index of the 4-neighbour (x_next, y_next) seen from (x_prev, y_prev);
// INVALID_DIR when the two are not 4-neighbours.
int start_scan_nbr(int x_prev, int y_prev, int x_next, int y_next);
// The neighbour index one step on in the given scan sense.
int next_scan_nbr(int nbr_i, int scan_clock);

// Traces half_contour points each way from the feature pixel; the result
// holds 2*half_contour+1 points centred on it. Returns 0 (with an empty
// contour when the trace could not start or ended early), LOOP_FOUND (with
// the loop's points in counter-clockwise trace order) or a negative code.
int get_high_curvature_contour(Contour &contour, int half_contour, int x_loc, int y_loc, int x_edge,
                               int y_edge, const unsigned char *bdata, int iw, int ih);
// Same trace; returns 0 only for a complete centred contour, else
// LOOP_FOUND, IGNORE, INCOMPLETE or a negative code (contour left empty).
int get_centered_contour(Contour &contour, int half_contour, int x_loc, int y_loc, int x_edge, int y_edge,
                         const unsigned char *bdata, int iw, int ih);
// Traces up to max_len points from (x_loc, y_loc) with its edge pixel.
// Returns 0 (contour may be short when the trace cannot go on),
// LOOP_FOUND when the next point would be (x_loop, y_loop), IGNORE when the
// start and edge pixels have the same value or lie outside the image.
int trace_contour(Contour &contour, int max_len, int x_loop, int y_loop, int x_loc, int y_loc, int x_edge,
                  int y_edge, int scan_clock, const unsigned char *bdata, int iw, int ih);
// FOUND when (x_search, y_search) is reached within search_len steps,
// NOT_FOUND, or IGNORE when the start cannot be traced.
int search_contour(int x_search, int y_search, int search_len, int x_loc, int y_loc, int x_edge, int y_edge,
                   int scan_clock, const unsigned char *bdata, int iw, int ih);
// LFS_TRUE with the next contour pixel and its edge pixel, LFS_FALSE when
// none is found or the scan would leave the image.
int next_contour_pixel(int *next_x_loc, int *next_y_loc, int *next_x_edge, int *next_y_edge, int cur_x_loc,
                       int cur_y_loc, int cur_x_edge, int cur_y_edge, int scan_clock,
                       const unsigned char *bdata, int iw, int ih);
// The same step with every neighbour checked against the image border: the
// reference of the step above, which skips the checks away from the border.
int next_contour_pixel_plain(int *next_x_loc, int *next_y_loc, int *next_x_edge, int *next_y_edge, int cur_x_loc,
                             int cur_y_loc, int cur_x_edge, int cur_y_edge, int scan_clock,
                             const unsigned char *bdata, int iw, int ih);
// Sharpest angle along the contour between points angle_edge apart on
// either side; IGNORE when the contour is too short or straight.
int min_contour_theta(int *omin_i, float *omin_theta, int angle_edge, const Contour &contour);
void contour_limits(int *ominx, int *ominy, int *omaxx, int *omaxy, const Contour &contour);
// Makes a diagonal feature/edge pair 4-adjacent by moving one of them.
void fix_edge_pixel_pair(int *feat_x, int *feat_y, int *edge_x, int *edge_y, const unsigned char *bdata,
                         int iw, int ih);

// LFS_TRUE when the loop's points run clockwise, LFS_FALSE when
// counter-clockwise, default_ret when it cannot tell.
int is_loop_clockwise(const Contour &contour, int default_ret);
// Fills the inside of a closed contour (and the contour) with the value
// opposite to its pixels.
int fill_loop(const Contour &contour, unsigned char *bdata, int iw, int ih);
// Shortest and longest distances between opposite points of a loop;
// a negative code for an empty contour.
int get_loop_aspect(int *omin_fr, int *omin_to, float *omin_dist, int *omax_fr, int *omax_to,
                    float *omax_dist, const Contour &contour);

// Pixels of the digital line from (x1, y1) to (x2, y2), both ends included.
int line_points(std::vector<int> &x_list, std::vector<int> &y_list, int x1, int y1, int x2, int y2);

} // namespace lfs

#endif
