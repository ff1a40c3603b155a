// Fills one-pixel holes of a binary image in place: a pixel whose two
// horizontal (then vertical) neighbours agree with each other but not with
// it takes their value.
#include "lfs/binarize.h"

#include <cstddef>

namespace lfs {

void fill_holes(unsigned char *bdata, int iw, int ih)
{
    if (bdata == nullptr || iw <= 0 || ih <= 0)
        return;
    const size_t w = static_cast<size_t>(iw);

    // Horizontal pass. A filled pixel now equals its right neighbour, which
    // therefore cannot be a hole: the scan steps over it.
    for (int y = 0; y < ih; y++) {
        unsigned char *row = bdata + static_cast<size_t>(y) * w;
        for (int x = 1; x < iw - 1; x++) {
            if (row[x - 1] != row[x] && row[x - 1] == row[x + 1]) {
                row[x] = row[x - 1];
                x++;
            }
        }
    }

    // Vertical pass over the result, column by column.
    for (int x = 0; x < iw; x++) {
        unsigned char *col = bdata + static_cast<size_t>(x);
        for (int y = 1; y < ih - 1; y++) {
            unsigned char *m = col + static_cast<size_t>(y) * w;
            if (*(m - w) != *m && *(m - w) == *(m + w)) {
                *m = *(m - w);
                y++;
            }
        }
    }
}

} // namespace lfs
