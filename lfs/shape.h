// Shapes made from closed contours, and chain codes.
#ifndef RIDGESDK_LFS_SHAPE_H
#define RIDGESDK_LFS_SHAPE_H

#include "lfs/lfs.h"

#include <vector>

namespace lfs {

// The contour points of one image row, x increasing, each x once.
struct ShapeRow {
    int y = 0;
    std::vector<int> xs;
};

// A contour's points grouped by row, from its top row to its bottom row.
struct Shape {
    int ymin = 0;
    int ymax = 0;
    std::vector<ShapeRow> rows;
};

int shape_from_contour(Shape &shape, const Contour &contour);

// Freeman chain code of a closed contour, counter-clockwise codes 0 (east)
// to 7 (south-east) with rows growing downwards; one code per point, the
// last one closing the loop. Empty for three points or fewer.
int chain_code_loop(std::vector<int> &chain, const Contour &contour);
// LFS_TRUE when the chain turns clockwise overall, LFS_FALSE when
// counter-clockwise, default_ret when the turns cancel out.
int is_chain_clockwise(const std::vector<int> &chain, int default_ret);

} // namespace lfs

#endif
