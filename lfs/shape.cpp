// Rows of a closed contour, for filling it.
#include "lfs/shape.h"

#include "lfs/contour.h"
#include "sdk/diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <new>

namespace lfs {

int shape_from_contour(Shape &shape, const Contour &contour)
{
    shape = Shape{};
    if (contour.num() == 0)
        return 0;
    int xmin, ymin, xmax, ymax;
    contour_limits(&xmin, &ymin, &xmax, &ymax, contour);
    try {
        shape.ymin = ymin;
        shape.ymax = ymax;
        shape.rows.resize(static_cast<size_t>(ymax - ymin + 1));
        for (int i = 0; i <= ymax - ymin; i++) {
            shape.rows[static_cast<size_t>(i)].y = ymin + i;
            shape.rows[static_cast<size_t>(i)].xs.reserve(static_cast<size_t>(xmax - xmin + 1));
        }
        for (int i = 0; i < contour.num(); i++) {
            auto &xs = shape.rows[static_cast<size_t>(contour.y[i] - ymin)].xs;
            // A contour may pass a pinch point twice; each x is kept once.
            if (std::find(xs.begin(), xs.end(), contour.x[i]) == xs.end())
                xs.push_back(contour.x[i]);
        }
    } catch (const std::bad_alloc &) {
        shape = Shape{};
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : shape_from_contour : malloc : shape\n");
        return -250;
    }
    for (auto &row : shape.rows)
        std::sort(row.xs.begin(), row.xs.end());
    return 0;
}

} // namespace lfs
