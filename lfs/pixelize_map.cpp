// Expands a block map to one value per pixel. Blocks are laid out as
// block_offsets lays them out, so the last block of a row or column covers
// the image's last blocksize pixels and overwrites part of its neighbour.
#include "lfs/maps.h"
#include "sdk/diagnostics.h"

#include <cstdio>
#include <limits>
#include <new>

namespace lfs {

int pixelize_map(std::vector<int> &pmap, int iw, int ih, const std::vector<int> &imap, int mw, int mh,
                 int blocksize)
{
    if (iw <= 0 || ih <= 0 || static_cast<long long>(iw) * ih > std::numeric_limits<int>::max()) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : pixelize_map : bad image dimensions : %d, %d\n", iw, ih);
        return -592;
    }
    try {
        pmap.assign(static_cast<size_t>(iw) * static_cast<size_t>(ih), 0);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : pixelize_map : malloc : pmap\n");
        return -590;
    }
    std::vector<int> offsets;
    int bw = 0, bh = 0;
    const int ret = block_offsets(offsets, bw, bh, iw, ih, 0, blocksize);
    if (ret != 0) {
        pmap.clear();
        return ret;
    }
    if (bw != mw || bh != mh || imap.size() < offsets.size()) {
        pmap.clear();
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : pixelize_map : block dimensions do not match\n");
        return -591;
    }
    for (size_t bi = 0; bi < offsets.size(); bi++) {
        int *row = &pmap[static_cast<size_t>(offsets[bi])];
        for (int y = 0; y < blocksize; y++, row += iw)
            for (int x = 0; x < blocksize; x++)
                row[x] = imap[bi];
    }
    return 0;
}

} // namespace lfs
