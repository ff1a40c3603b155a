// Following a contour for a number of steps: collecting its points, or
// searching it for a given point.
#include "lfs/contour.h"
#include "sdk/diagnostics.h"

#include <cstdio>
#include <new>

namespace lfs {

namespace {

// A trace can start only from a feature pixel whose edge pixel lies in the
// image and holds the other value.
bool traceable(int x_loc, int y_loc, int x_edge, int y_edge, const unsigned char *bdata, int iw, int ih)
{
    if (x_loc < 0 || x_loc >= iw || y_loc < 0 || y_loc >= ih)
        return false;
    if (x_edge < 0 || x_edge >= iw || y_edge < 0 || y_edge >= ih)
        return false;
    return bdata[y_loc * iw + x_loc] != bdata[y_edge * iw + x_edge];
}

void clear_contour(Contour &contour)
{
    contour.x.clear();
    contour.y.clear();
    contour.ex.clear();
    contour.ey.clear();
}

} // namespace

int trace_contour(Contour &contour, int max_len, int x_loop, int y_loop, int x_loc, int y_loc, int x_edge,
                  int y_edge, int scan_clock, const unsigned char *bdata, int iw, int ih)
{
    clear_contour(contour);
    if (!traceable(x_loc, y_loc, x_edge, y_edge, bdata, iw, ih))
        return IGNORE;
    try {
        const size_t n = max_len > 0 ? static_cast<size_t>(max_len) : 0;
        contour.x.reserve(n);
        contour.y.reserve(n);
        contour.ex.reserve(n);
        contour.ey.reserve(n);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : trace_contour : malloc : contour\n");
        return -160;
    }

    int cur_x_loc = x_loc, cur_y_loc = y_loc;
    int cur_x_edge = x_edge, cur_y_edge = y_edge;
    for (int i = 0; i < max_len; i++) {
        int next_x_loc, next_y_loc, next_x_edge, next_y_edge;
        if (!next_contour_pixel(&next_x_loc, &next_y_loc, &next_x_edge, &next_y_edge, cur_x_loc, cur_y_loc,
                                cur_x_edge, cur_y_edge, scan_clock, bdata, iw, ih))
            return 0; // the contour stops short here
        // Back at the loop point: the points so far form a closed loop.
        if (next_x_loc == x_loop && next_y_loc == y_loop)
            return LOOP_FOUND;
        contour.x.push_back(next_x_loc);
        contour.y.push_back(next_y_loc);
        contour.ex.push_back(next_x_edge);
        contour.ey.push_back(next_y_edge);
        cur_x_loc = next_x_loc;
        cur_y_loc = next_y_loc;
        cur_x_edge = next_x_edge;
        cur_y_edge = next_y_edge;
    }
    return 0;
}

int search_contour(int x_search, int y_search, int search_len, int x_loc, int y_loc, int x_edge, int y_edge,
                   int scan_clock, const unsigned char *bdata, int iw, int ih)
{
    if (!traceable(x_loc, y_loc, x_edge, y_edge, bdata, iw, ih))
        return IGNORE;
    int cur_x_loc = x_loc, cur_y_loc = y_loc;
    int cur_x_edge = x_edge, cur_y_edge = y_edge;
    for (int i = 0; i < search_len; i++) {
        int next_x_loc, next_y_loc, next_x_edge, next_y_edge;
        if (!next_contour_pixel(&next_x_loc, &next_y_loc, &next_x_edge, &next_y_edge, cur_x_loc, cur_y_loc,
                                cur_x_edge, cur_y_edge, scan_clock, bdata, iw, ih))
            return NOT_FOUND;
        if (next_x_loc == x_search && next_y_loc == y_search)
            return FOUND;
        cur_x_loc = next_x_loc;
        cur_y_loc = next_y_loc;
        cur_x_edge = next_x_edge;
        cur_y_edge = next_y_edge;
    }
    return NOT_FOUND;
}

} // namespace lfs
