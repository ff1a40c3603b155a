// Direction and placement of a detected minutia: from the block direction
// in gently curved flow, from the contour's sharpest point in strongly
// curved flow.
#include "lfs/detect.h"

#include "lfs/contour.h"
#include "lfs/geometry.h"
#include "sdk/diagnostics.h"

#include <cstdio>
#include <new>

namespace lfs {

int is_minutia_appearing(int x_loc, int y_loc, int x_edge, int y_edge)
{
    // The edge pixel is a 4-neighbour: left/above means the feature starts
    // (appears) at this pixel along the scan.
    if (x_edge < x_loc)
        return APPEARING;
    if (x_edge > x_loc)
        return DISAPPEARING;
    if (y_edge < y_loc)
        return APPEARING;
    if (y_edge > y_loc)
        return DISAPPEARING;
    ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : is_minutia_appearing : bad configuration of pixels\n");
    return -240;
}

int get_low_curvature_direction(int scan_dir, int appearing, int imapval, int ndirs)
{
    // The block direction covers a half turn; the minutia points along the
    // ridge (or valley) into its feature, which the scan and the pattern's
    // polarity tell. Directions up to horizontal (0..ndirs/2) point up or
    // right; the rest point down and right.
    int idir = imapval;
    if (imapval <= (ndirs >> 1)) {
        // Appearing in a row scan: the feature runs downwards, opposite to
        // the flow. Disappearing in a column scan: it runs left, opposite.
        if (scan_dir == SCAN_HORIZONTAL ? appearing != 0 : appearing == 0)
            idir += ndirs;
    } else {
        // Flow down and to the right: disappearing features run the other
        // way in either scan.
        if (!appearing)
            idir += ndirs;
    }
    return idir;
}

int adjust_high_curvature_minutia_V2(int *oidir, int *ox_loc, int *oy_loc, int *ox_edge, int *oy_edge,
                                     int x_loc, int y_loc, int x_edge, int y_edge, unsigned char *bdata,
                                     int iw, int ih, const DetectMaps &maps, Minutiae &minutiae,
                                     const LfsParams &lfsparms)
{
    const int half_contour = lfsparms.high_curve_half_contour;
    // The bend is measured between points a quarter of the contour away on
    // either side (7 for a 29-point contour).
    const int angle_edge = half_contour >> 1;
    const int feature_pix = bdata[y_loc * iw + x_loc];

    Contour contour;
    int ret = get_high_curvature_contour(contour, half_contour, x_loc, y_loc, x_edge, y_edge, bdata, iw, ih);
    if (ret == LOOP_FOUND) {
        // A clockwise loop has its contour outside its edge pixels: filling
        // from it would fill the wrong side, so it is left alone (other
        // minutiae on it trace it from the inside). So is a loop whose sense
        // cannot be told.
        ret = is_loop_clockwise(contour, LFS_TRUE);
        if (ret != 0)
            return ret < 0 ? ret : IGNORE;
        ret = process_loop_V2(minutiae, contour, bdata, iw, ih, maps, lfsparms);
        // Either way the minutia that led to the loop is not kept.
        return ret == 0 ? IGNORE : ret;
    }
    if (ret != 0)
        return ret;
    if (contour.num() == 0)
        return IGNORE;

    int min_i;
    float min_theta;
    ret = min_contour_theta(&min_i, &min_theta, angle_edge, contour);
    if (ret != 0)
        return ret;
    if (min_theta >= lfsparms.max_high_curve_theta)
        return IGNORE;

    // The chord across the bend must lie on the feature's side, else the
    // bend is the feature's outside.
    const int mid_x = (contour.x[min_i - angle_edge] + contour.x[min_i + angle_edge]) >> 1;
    const int mid_y = (contour.y[min_i - angle_edge] + contour.y[min_i + angle_edge]) >> 1;
    if (bdata[mid_y * iw + mid_x] != feature_pix)
        return IGNORE;

    *oidir = line2direction(contour.x[min_i], contour.y[min_i], mid_x, mid_y, lfsparms.num_directions);
    *ox_loc = contour.x[min_i];
    *oy_loc = contour.y[min_i];
    *ox_edge = contour.ex[min_i];
    *oy_edge = contour.ey[min_i];
    return 0;
}

} // namespace lfs
