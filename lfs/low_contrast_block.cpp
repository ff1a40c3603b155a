// Contrast test of one analysis window of the 6-bit padded image.
#include "lfs/maps.h"

#include <cstdio>

namespace lfs {

namespace {
// Pixels that must lie below (above) the low (high) percentile level: 10 %
// of the 575 pixel steps of a 24 x 24 window, rounded down.
constexpr int kPercentileCount = 57;
} // namespace

int low_contrast_block(int blkoffset, int blocksize, const unsigned char *pdata, int pw, int ph,
                       const LfsParams &lfsparms)
{
    if (pdata == nullptr || blocksize <= 0 || pw <= 0 || ph <= 0 || blkoffset < 0 ||
        blkoffset % pw + blocksize > pw || blkoffset / pw + blocksize > ph) {
        std::fprintf(stderr, "ERROR : low_contrast_block : window outside image\n");
        return -512;
    }

    // A full byte range of bins keeps stray 8-bit values inside the table;
    // 6-bit data only ever fills the first 64.
    int histogram[256] = {};
    const unsigned char *row = pdata + blkoffset;
    for (int y = 0; y < blocksize; y++, row += pw)
        for (int x = 0; x < blocksize; x++)
            histogram[row[x]]++;

    int low = -1;
    for (int v = 0, sum = 0; v < 256; v++) {
        sum += histogram[v];
        if (sum > kPercentileCount) {
            low = v;
            break;
        }
    }
    if (low < 0) {
        std::fprintf(stderr, "ERROR : low_contrast_block : min percentile pixel not found\n");
        return -510;
    }
    int high = -1;
    for (int v = 255, sum = 0; v >= 0; v--) {
        sum += histogram[v];
        if (sum > kPercentileCount) {
            high = v;
            break;
        }
    }
    if (high < 0) {
        std::fprintf(stderr, "ERROR : low_contrast_block : max percentile pixel not found\n");
        return -511;
    }
    return high - low < lfsparms.min_contrast_delta ? LFS_TRUE : LFS_FALSE;
}

} // namespace lfs
