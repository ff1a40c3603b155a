// Contours centred on a feature pixel: half a contour traced clockwise and
// half counter-clockwise, joined through the feature pixel.
#include "lfs/contour.h"
#include "sdk/diagnostics.h"

#include <cstdio>
#include <new>

namespace lfs {

namespace {

void append_point(Contour &to, const Contour &from, int i)
{
    to.x.push_back(from.x[i]);
    to.y.push_back(from.y[i]);
    to.ex.push_back(from.ex[i]);
    to.ey.push_back(from.ey[i]);
}

void append_point(Contour &to, int x, int y, int ex, int ey)
{
    to.x.push_back(x);
    to.y.push_back(y);
    to.ex.push_back(ex);
    to.ey.push_back(ey);
}

void clear_contour(Contour &contour)
{
    contour.x.clear();
    contour.y.clear();
    contour.ex.clear();
    contour.ey.clear();
}

// The first half reversed, the feature pixel, then the second half: the
// points run in the counter-clockwise trace's order.
void join_halves(Contour &contour, const Contour &half1, int x_loc, int y_loc, int x_edge, int y_edge,
                 const Contour &half2)
{
    clear_contour(contour);
    for (int j = half1.num() - 1; j >= 0; j--)
        append_point(contour, half1, j);
    append_point(contour, x_loc, y_loc, x_edge, y_edge);
    for (int j = 0; j < half2.num(); j++)
        append_point(contour, half2, j);
}

} // namespace

int get_high_curvature_contour(Contour &contour, int half_contour, int x_loc, int y_loc, int x_edge,
                               int y_edge, const unsigned char *bdata, int iw, int ih)
{
    clear_contour(contour);
    if (half_contour < 1)
        return 0; // no half contour to trace: nothing to measure
    try {
        Contour half1, half2;
        int ret = trace_contour(half1, half_contour, x_loc, y_loc, x_loc, y_loc, x_edge, y_edge,
                                SCAN_CLOCKWISE, bdata, iw, ih);
        if (ret == IGNORE)
            return 0;
        if (ret == LOOP_FOUND) {
            // The clockwise half closed on the feature pixel: the loop is the
            // feature pixel followed by that half in reverse order.
            append_point(contour, x_loc, y_loc, x_edge, y_edge);
            for (int j = half1.num() - 1; j >= 0; j--)
                append_point(contour, half1, j);
            return LOOP_FOUND;
        }
        if (ret != 0)
            return ret;
        if (half1.num() < half_contour)
            return 0;

        // The second half watches for the first half's far end: reaching it
        // means both halves together go round a loop.
        ret = trace_contour(half2, half_contour, half1.x.back(), half1.y.back(), x_loc, y_loc, x_edge, y_edge,
                            SCAN_COUNTER_CLOCKWISE, bdata, iw, ih);
        if (ret == IGNORE)
            return 0;
        if (ret == LOOP_FOUND) {
            // The halves met: laid out as a complete contour would be, they
            // go once round the loop.
            join_halves(contour, half1, x_loc, y_loc, x_edge, y_edge, half2);
            return LOOP_FOUND;
        }
        if (ret != 0)
            return ret;
        if (half2.num() < half_contour)
            return 0;
        join_halves(contour, half1, x_loc, y_loc, x_edge, y_edge, half2);
    } catch (const std::bad_alloc &) {
        clear_contour(contour);
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : get_high_curvature_contour : malloc : contour\n");
        return -220;
    }
    return 0;
}

int get_centered_contour(Contour &contour, int half_contour, int x_loc, int y_loc, int x_edge, int y_edge,
                         const unsigned char *bdata, int iw, int ih)
{
    clear_contour(contour);
    if (half_contour < 1)
        return INCOMPLETE; // a centred contour needs a point on each side
    try {
        Contour half1, half2;
        int ret = trace_contour(half1, half_contour, x_loc, y_loc, x_loc, y_loc, x_edge, y_edge,
                                SCAN_CLOCKWISE, bdata, iw, ih);
        if (ret != 0)
            return ret; // IGNORE, LOOP_FOUND or an error
        if (half1.num() < half_contour)
            return INCOMPLETE;
        ret = trace_contour(half2, half_contour, half1.x.back(), half1.y.back(), x_loc, y_loc, x_edge, y_edge,
                            SCAN_COUNTER_CLOCKWISE, bdata, iw, ih);
        if (ret != 0)
            return ret;
        if (half2.num() < half_contour)
            return INCOMPLETE;
        join_halves(contour, half1, x_loc, y_loc, x_edge, y_edge, half2);
    } catch (const std::bad_alloc &) {
        clear_contour(contour);
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : get_centered_contour : malloc : contour\n");
        return -230;
    }
    return 0;
}

} // namespace lfs
