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

    // Horizontal pass, left to right in place. Once a pixel is filled it
    // equals its right neighbour, so that neighbour is never a hole: the
    // scan may step over it or test it, with the same result. Testing it
    // keeps the loop free of jumps.
    for (int y = 0; y < ih; y++) {
        unsigned char *row = bdata + static_cast<size_t>(y) * w;
        for (int x = 1; x < iw - 1; x++) {
            const unsigned char l = row[x - 1], m = row[x], r = row[x + 1];
            row[x] = (l != m && l == r) ? l : m;
        }
    }

    // Vertical pass over the result. Each column is scanned downwards in
    // place; a pixel reads the final value above it and the untouched one
    // below, so the columns can equally be swept together a row at a time.
    for (int y = 1; y < ih - 1; y++) {
        const unsigned char *up = bdata + static_cast<size_t>(y - 1) * w;
        unsigned char *mid = bdata + static_cast<size_t>(y) * w;
        const unsigned char *down = mid + w;
        for (size_t x = 0; x < w; x++) {
            const unsigned char t = up[x], m = mid[x], b = down[x];
            mid[x] = (t != m && t == b) ? t : m;
        }
    }
}

} // namespace lfs
