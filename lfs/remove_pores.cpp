// Removes minutiae on pores: small holes in a ridge (or specks in a
// valley) that look like a fork or an ending. Only minutiae in blocks of
// low ridge flow or high curvature are examined. A little behind the
// minutia (point R, on the opposite value) the nearest pixels of the
// minutia's value are sought on either side, and the boundary through each
// is traced forward and backward. No such pixel, or a boundary that
// closes or stops short, marks the minutia as a pore. Otherwise the
// boundaries decide: when they run on side by side (their forward ends
// not much further apart than their backward ends) nothing really forks
// there. That last test removes bifurcations only.
#include "lfs/contour.h"
#include "lfs/geometry.h"
#include "lfs/remove.h"
#include "lfs/remove_variants.h"
#include "sdk/diagnostics.h"

#include <cstddef>
#include <cmath>
#include <cstdio>
#include <new>

namespace lfs {

namespace {

bool inside(int x, int y, int iw, int ih)
{
    return x >= 0 && y >= 0 && x < iw && y < ih;
}

// Steps from (x, y) by (dx, dy) up to max_steps times, looking for a pixel
// of value pix. On success the pixel and the previous one, adjusted to be
// 4-neighbours, form a feature / edge pair.
bool search_in_direction(int &ox, int &oy, int &oex, int &oey, int pix, int x, int y, float dx, float dy,
                         int max_steps, const unsigned char *bdata, int iw, int ih)
{
    int px = x, py = y;
    float fx = static_cast<float>(x), fy = static_cast<float>(y);
    for (int i = 0; i < max_steps; ++i) {
        fx += dx;
        fy += dy;
        int cx = sround(static_cast<double>(fx));
        int cy = sround(static_cast<double>(fy));
        if (!inside(cx, cy, iw, ih))
            return false;
        if (bdata[static_cast<size_t>(cy) * iw + cx] == pix) {
            fix_edge_pixel_pair(&cx, &cy, &px, &py, bdata, iw, ih);
            ox = cx;
            oy = cy;
            oex = px;
            oey = py;
            return true;
        }
        px = cx;
        py = cy;
    }
    return false;
}

// End of a full-length trace from (x, y): its last point, or with
// one_short the point before it (the backward ends are measured one step
// nearer, which is what the pore ratio's limit is tuned to). False when
// the trace cannot start, closes a loop or stops short.
bool traced_end(int &end_x, int &end_y, Contour &contour, int steps, bool one_short, int x, int y, int ex, int ey,
                int scan, const unsigned char *bdata, int iw, int ih, int &error)
{
    const int ret = trace_contour(contour, steps, x, y, x, y, ex, ey, scan, bdata, iw, ih);
    if (ret < 0) {
        error = ret;
        return false;
    }
    if (ret == IGNORE || ret == LOOP_FOUND || contour.num() < steps || (one_short && steps < 2))
        return false;
    const size_t end = static_cast<size_t>(contour.num() - (one_short ? 2 : 1));
    end_x = contour.x[end];
    end_y = contour.y[end];
    return true;
}

// 1 when the minutia is a pore, 0 when not, negative on failure.
int is_pore(const Minutia &m, const unsigned char *bdata, int iw, int ih, const LfsParams &lfsparms,
            const RemovalArithmetic &arith, Contour &contour)
{
    const float pi_factor = PI_F / static_cast<float>(lfsparms.num_directions);
    const float theta = static_cast<float>(m.direction) * pi_factor;
    const float sin_theta = std::sin(theta), cos_theta = std::cos(theta);
    const int pix = bdata[static_cast<size_t>(m.y) * iw + m.x];

    // R: behind the minutia by the transverse radius, inside the ridge (or
    // valley) that the feature splits from.
    const float trans_r = static_cast<float>(lfsparms.pores_trans_r);
    const int rx = round_trunc(static_cast<double>(static_cast<float>(m.x) - sin_theta * trans_r));
    const int ry = round_trunc(static_cast<double>(static_cast<float>(m.y) + cos_theta * trans_r));
    if (!inside(rx, ry, iw, ih) || bdata[static_cast<size_t>(ry) * iw + rx] == pix)
        return 0;

    // Left of R (looking along the direction) lies Q, whose boundary runs
    // forward in counter-clockwise scan; right of R lies S, forward in
    // clockwise scan. A, B: forward and backward ends from Q; C, D: from S.
    int error = 0;
    int qx, qy, qex, qey, sx, sy, sex, sey;
    int ax, ay, bx, by, cx, cy, dx, dy;
    const int fwd = lfsparms.pores_steps_fwd, bwd = lfsparms.pores_steps_bwd;
    if (!search_in_direction(qx, qy, qex, qey, pix, rx, ry, -cos_theta, -sin_theta, lfsparms.pores_perp_steps,
                             bdata, iw, ih))
        return 1;
    if (!traced_end(ax, ay, contour, fwd, false, qx, qy, qex, qey, SCAN_COUNTER_CLOCKWISE, bdata, iw, ih, error) ||
        !traced_end(bx, by, contour, bwd, true, qx, qy, qex, qey, SCAN_CLOCKWISE, bdata, iw, ih, error))
        return error < 0 ? error : 1;
    if (!search_in_direction(sx, sy, sex, sey, pix, rx, ry, cos_theta, sin_theta, lfsparms.pores_perp_steps, bdata,
                             iw, ih))
        return 1;
    if (!traced_end(cx, cy, contour, fwd, false, sx, sy, sex, sey, SCAN_CLOCKWISE, bdata, iw, ih, error) ||
        !traced_end(dx, dy, contour, bwd, true, sx, sy, sex, sey, SCAN_COUNTER_CLOCKWISE, bdata, iw, ih, error))
        return error < 0 ? error : 1;

    // The ratio decides for bifurcations only; a ridge ending that gets
    // this far stays.
    if (m.type != BIFURCATION && !arith.pore_ratio_all_types)
        return 0;
    const float front2 = squared_distance(ax, ay, cx, cy);
    const float back2 = squared_distance(bx, by, dx, dy);
    if (back2 <= lfsparms.pores_min_dist2)
        return 0;
    return front2 / back2 <= lfsparms.pores_max_ratio ? 1 : 0;
}

int pores(Minutiae &minutiae, const unsigned char *bdata, int iw, int ih, const std::vector<int> &direction_map,
          const std::vector<int> &low_flow_map, const std::vector<int> &high_curve_map, int mw, int mh,
          const LfsParams &lfsparms, const RemovalArithmetic &arith)
{
    Contour contour;
    return drop_minutiae_if(minutiae, [&](const Minutia &m) {
        const int bx = m.x / lfsparms.blocksize, by = m.y / lfsparms.blocksize;
        bool examine = false;
        if (inside(m.x, m.y, iw, ih) && bx < mw && by < mh) {
            const size_t b = static_cast<size_t>(by) * mw + bx;
            examine = (low_flow_map[b] || high_curve_map[b]) && direction_map[b] >= 0;
        }
        if (!examine)
            return 0;
        const int ret = is_pore(m, bdata, iw, ih, lfsparms, arith, contour);
        return ret < 0 ? ret : ret == 1 ? 1 : 0;
    });
}

} // namespace

int remove_pores_with(Minutiae &minutiae, unsigned char *bdata, int iw, int ih,
                      const std::vector<int> &direction_map, const std::vector<int> &low_flow_map,
                      const std::vector<int> &high_curve_map, int mw, int mh, const LfsParams &lfsparms,
                      const RemovalArithmetic &arith)
{
    try {
        return pores(minutiae, bdata, iw, ih, direction_map, low_flow_map, high_curve_map, mw, mh, lfsparms, arith);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : remove_pores_V2 : malloc : contour\n");
        return -670;
    }
}

int remove_pores_V2(Minutiae &minutiae, unsigned char *bdata, int iw, int ih,
                    const std::vector<int> &direction_map, const std::vector<int> &low_flow_map,
                    const std::vector<int> &high_curve_map, int mw, int mh, const LfsParams &lfsparms)
{
    return remove_pores_with(minutiae, bdata, iw, ih, direction_map, low_flow_map, high_curve_map, mw, mh, lfsparms,
                             RemovalArithmetic{});
}

} // namespace lfs
