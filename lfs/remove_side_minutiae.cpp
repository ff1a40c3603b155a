// Removes minutiae that sit on the side of a ridge or valley and moves the
// others to the tip of their contour. The contour centred on the minutia is
// rotated so that the minutia's direction points up; a well-formed minutia
// then shows a single bowl (one minimum of the rotated y), or a
// minimum-maximum-minimum of which the lower minimum is the tip.
#include "lfs/direction_table.h"
#include "lfs/contour.h"
#include "lfs/minmaxs.h"
#include "lfs/remove.h"
#include "lfs/remove_variants.h"
#include "sdk/diagnostics.h"

#include <cstddef>
#include <cmath>
#include <cstdio>
#include <new>

namespace lfs {

namespace {

struct Rotation {
    double sin_theta = 0.0, cos_theta = 0.0; // computed in double
    float sin_f = 0.0f, cos_f = 0.0f;        // from the single-precision table
};

Rotation rotation_for(int direction, const LfsParams &lfsparms, bool computed_trig)
{
    Rotation r;
    if (computed_trig) {
        const double theta = static_cast<double>(direction) * (M_PI / static_cast<double>(lfsparms.num_directions));
        r.sin_theta = std::sin(theta);
        r.cos_theta = std::cos(theta);
    } else {
        r.sin_f = ridge::direction_sin(direction);
        r.cos_f = ridge::direction_cos(direction);
    }
    return r;
}

// y of the contour point after rotating by minus the direction, rounded
// to a multiple of 1/16384 and then to an integer.
int rotated_y(int x, int y, const Rotation &r, bool computed_trig)
{
    if (computed_trig)
        return round_trunc(static_cast<double>(x) * r.sin_theta - static_cast<double>(y) * r.cos_theta);
    const float v = static_cast<float>(x) * r.sin_f - static_cast<float>(y) * r.cos_f;
    return round_trunc(static_cast<double>(v));
}

bool in_invalid_block(const Minutia &m, const std::vector<int> &direction_map, int mw, int mh,
                      const LfsParams &lfsparms)
{
    const int bx = m.x / lfsparms.blocksize, by = m.y / lfsparms.blocksize;
    if (bx < 0 || by < 0 || bx >= mw || by >= mh)
        return true;
    return direction_map[static_cast<size_t>(by) * mw + bx] == INVALID_DIR;
}

int side_minutiae(Minutiae &minutiae, unsigned char *bdata, int iw, int ih, const std::vector<int> &direction_map,
                  int mw, int mh, const LfsParams &lfsparms, const RemovalArithmetic &arith)
{
    Contour contour;
    MinMaxs extrema;
    std::vector<int> rot_y;
    // Each minutia is judged on its own.
    return drop_minutiae_if(minutiae, [&](Minutia &m) {
        int ret = get_centered_contour(contour, lfsparms.side_half_contour, m.x, m.y, m.ex, m.ey, bdata, iw, ih);
        if (ret < 0)
            return ret;
        if (ret == LOOP_FOUND || ret == IGNORE || ret == INCOMPLETE)
            return 1;

        const Rotation rot = rotation_for(m.direction, lfsparms, arith.computed_trig);
        const int n = contour.num();
        rot_y.resize(static_cast<size_t>(n));
        for (int j = 0; j < n; ++j)
            rot_y[static_cast<size_t>(j)] =
                rotated_y(contour.x[static_cast<size_t>(j)], contour.y[static_cast<size_t>(j)], rot, arith.computed_trig);
        if ((ret = minmaxs(extrema, rot_y)))
            return ret;

        int tip = -1;
        if (extrema.num() == 1 && extrema.type[0] == -1)
            tip = extrema.index[0];
        else if (extrema.num() == 3 && extrema.type[0] == -1)
            tip = extrema.val[0] < extrema.val[2] ? extrema.index[0] : extrema.index[2];
        if (tip < 0)
            return 1;
        const size_t t = static_cast<size_t>(tip);
        m.x = contour.x[t];
        m.y = contour.y[t];
        m.ex = contour.ex[t];
        m.ey = contour.ey[t];
        // The move may have carried the minutia into a block without a
        // direction.
        return in_invalid_block(m, direction_map, mw, mh, lfsparms) ? 1 : 0;
    });
}

} // namespace

int remove_or_adjust_side_minutiae_with(Minutiae &minutiae, unsigned char *bdata, int iw, int ih,
                                        const std::vector<int> &direction_map, int mw, int mh,
                                        const LfsParams &lfsparms, const RemovalArithmetic &arith)
{
    try {
        return side_minutiae(minutiae, bdata, iw, ih, direction_map, mw, mh, lfsparms, arith);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : remove_or_adjust_side_minutiae_V2 : malloc : rot_y\n");
        return -630;
    }
}

int remove_or_adjust_side_minutiae_V2(Minutiae &minutiae, unsigned char *bdata, int iw, int ih,
                                      const std::vector<int> &direction_map, int mw, int mh,
                                      const LfsParams &lfsparms)
{
    return remove_or_adjust_side_minutiae_with(minutiae, bdata, iw, ih, direction_map, mw, mh, lfsparms,
                                               RemovalArithmetic{});
}

} // namespace lfs
