// Block layout of the map stage: the padded-image offset of each block's
// top-left pixel.
#include "lfs/maps.h"
#include "sdk/diagnostics.h"

#include <cstdio>
#include <limits>
#include <new>

namespace lfs {

int block_offsets(std::vector<int> &offsets, int &mw, int &mh, int iw, int ih, int pad, int blocksize)
{
    if (pad < 0) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : block_offsets : negative pad value\n");
        return -80;
    }
    // The last block of a row or column is anchored at the image's far edge,
    // so the image must hold at least one whole block each way.
    if (blocksize <= 0 || iw < blocksize || ih < blocksize) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : block_offsets : image smaller than a block : %d, %d\n", iw, ih);
        return -82;
    }
    const long long pw = static_cast<long long>(iw) + 2LL * pad;
    const long long ph = static_cast<long long>(ih) + 2LL * pad;
    if (pw * ph > std::numeric_limits<int>::max()) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : block_offsets : image too large\n");
        return -83;
    }

    const int bw = (iw + blocksize - 1) / blocksize;
    const int bh = (ih + blocksize - 1) / blocksize;
    try {
        offsets.assign(static_cast<size_t>(bw) * static_cast<size_t>(bh), 0);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : block_offsets : malloc : blkoffs\n");
        return -81;
    }

    const int ipw = static_cast<int>(pw);
    size_t bi = 0;
    for (int by = 0; by < bh; by++) {
        const int y = by < bh - 1 ? by * blocksize : ih - blocksize;
        const int row_start = (y + pad) * ipw + pad;
        for (int bx = 0; bx < bw; bx++) {
            const int x = bx < bw - 1 ? bx * blocksize : iw - blocksize;
            offsets[bi++] = row_start + x;
        }
    }
    mw = bw;
    mh = bh;
    return 0;
}

} // namespace lfs
