// Measures taken on a traced contour: its sharpest bend and its bounds; and
// the repair of a diagonal feature/edge pixel pair.
#include "lfs/contour.h"
#include "lfs/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace lfs {

int min_contour_theta(int *omin_i, float *omin_theta, int angle_edge, const Contour &contour)
{
    const int ncontour = contour.num();
    if (angle_edge < 1 || ncontour < (angle_edge << 1) + 1)
        return IGNORE;

    // Angles are compared after rounding to a multiple of 1/16384 so that
    // ties come out the same whatever the arithmetic's last bits.
    float min_theta = static_cast<float>(trunc_dbl_precision(PI_F, TRUNC_SCALE));
    int min_i = -1;
    for (int pleft = 0, pcenter = angle_edge, pright = angle_edge << 1; pright < ncontour;
         pleft++, pcenter++, pright++) {
        const float theta1 = angle2line(contour.x[pcenter], contour.y[pcenter], contour.x[pleft], contour.y[pleft]);
        const float theta2 =
            angle2line(contour.x[pcenter], contour.y[pcenter], contour.x[pright], contour.y[pright]);
        float dtheta = std::fabs(theta2 - theta1);
        dtheta = std::min(dtheta, TWO_PI_F - dtheta);
        dtheta = static_cast<float>(trunc_dbl_precision(dtheta, TRUNC_SCALE));
        if (dtheta < min_theta) {
            min_i = pcenter;
            min_theta = dtheta;
        }
    }
    // A contour with no bend sharper than a straight line has no corner.
    if (min_i == -1)
        return IGNORE;
    *omin_i = min_i;
    *omin_theta = min_theta;
    return 0;
}

void contour_limits(int *ominx, int *ominy, int *omaxx, int *omaxy, const Contour &contour)
{
    if (contour.num() == 0) {
        *ominx = *ominy = *omaxx = *omaxy = 0;
        return;
    }
    const auto xs = std::minmax_element(contour.x.begin(), contour.x.end());
    const auto ys = std::minmax_element(contour.y.begin(), contour.y.end());
    *ominx = *xs.first;
    *omaxx = *xs.second;
    *ominy = *ys.first;
    *omaxy = *ys.second;
}

void fix_edge_pixel_pair(int *feat_x, int *feat_y, int *edge_x, int *edge_y, const unsigned char *bdata,
                         int iw, int ih)
{
    const int cx = *feat_x, cy = *feat_y;
    const int px = *edge_x, py = *edge_y;
    if (cx < 0 || cx >= iw || cy < 0 || cy >= ih || px < 0 || px >= iw || py < 0 || py >= ih)
        return;
    const int dx = px - cx;
    const int dy = py - cy;
    // Tracing needs the edge pixel north, south, east or west of the
    // feature pixel. A diagonal pair shares the 4-neighbour (px, cy): it
    // becomes the edge pixel when it holds the edge's value, else the
    // feature pixel moves onto it.
    if (std::abs(dx) == 1 && std::abs(dy) == 1) {
        const int feature_pix = bdata[cy * iw + cx];
        if (bdata[cy * iw + px] != feature_pix) {
            *edge_x = px;
            *edge_y = cy;
        } else {
            *feat_x = px;
            *feat_y = cy;
        }
    }
}

} // namespace lfs
