// Pixel-to-block lookup of the detection stage.
#include "lfs/pixel_blocks.h"
#include "sdk/diagnostics.h"

#include <cstdio>

namespace lfs {

int PixelBlocks::init(int iw, int ih, int mw, int mh, int blocksize)
{
    if (blocksize <= 0 || iw < blocksize || ih < blocksize) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : detect_minutiae_V2 : image smaller than a block : %d, %d\n", iw, ih);
        return -590;
    }
    if (mw != (iw + blocksize - 1) / blocksize || mh != (ih + blocksize - 1) / blocksize) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : detect_minutiae_V2 : block dimensions do not match\n");
        return -591;
    }
    mw_ = mw;
    mh_ = mh;
    blocksize_ = blocksize;
    // Pixels from here on belong to the last block, anchored at the edge.
    last_x_ = iw - blocksize;
    last_y_ = ih - blocksize;
    return 0;
}

} // namespace lfs
