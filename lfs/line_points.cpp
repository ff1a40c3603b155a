// The pixels of a digital straight line, stepping one pixel at a time along
// the longer axis and rounding the other coordinate.
#include "lfs/contour.h"
#include "sdk/diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace lfs {

int line_points(std::vector<int> &x_list, std::vector<int> &y_list, int x1, int y1, int x2, int y2)
{
    x_list.clear();
    y_list.clear();
    const long long span_x = std::llabs(static_cast<long long>(x2) - x1);
    const long long span_y = std::llabs(static_cast<long long>(y2) - y1);
    if (std::max(span_x, span_y) > (1LL << 24)) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : line_points : line too long\n");
        return -413;
    }
    const int asize = static_cast<int>(std::max(span_x, span_y)) + 2;
    try {
        x_list.reserve(static_cast<size_t>(asize));
        y_list.reserve(static_cast<size_t>(asize));
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : line_points : malloc : x_list\n");
        return -410;
    }

    const int dx = x2 - x1;
    const int dy = y2 - y1;
    const int x_incr = dx >= 0 ? 1 : -1;
    const int y_incr = dy >= 0 ? 1 : -1;
    const int adx = std::abs(dx);
    const int ady = std::abs(dy);

    // inx: x is the major axis; iny: y is; neither on a 45-degree line,
    // where both coordinates step every pixel.
    const int inx = adx > ady ? 1 : 0;
    const int iny = ady > adx ? 1 : 0;
    const int intx = 1 - iny;
    const int inty = 1 - inx;
    const float x_factor = static_cast<float>(inx * x_incr) +
                           static_cast<float>(iny) * (static_cast<float>(dx) / static_cast<float>(std::max(1, ady)));
    const float y_factor = static_cast<float>(iny * y_incr) +
                           static_cast<float>(inx) * (static_cast<float>(dy) / static_cast<float>(std::max(1, adx)));

    int ix = x1, iy = y1;
    float rx = static_cast<float>(x1);
    float ry = static_cast<float>(y1);
    x_list.push_back(x1);
    y_list.push_back(y1);
    while (ix != x2 || iy != y2) {
        if (static_cast<int>(x_list.size()) >= asize) {
            ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : line_points : coord list overflow\n");
            x_list.clear();
            y_list.clear();
            return -412;
        }
        rx += x_factor;
        ry += y_factor;
        // Kept on a 1/16384 grid so the rounding below does not depend on
        // the accumulated error of the additions.
        rx = static_cast<float>(trunc_dbl_precision(rx, TRUNC_SCALE));
        ry = static_cast<float>(trunc_dbl_precision(ry, TRUNC_SCALE));
        ix = intx * (ix + x_incr) + iny * static_cast<int>(rx + 0.5f);
        iy = inty * (iy + y_incr) + inx * static_cast<int>(ry + 0.5f);
        x_list.push_back(ix);
        y_list.push_back(iy);
    }
    return 0;
}

} // namespace lfs
