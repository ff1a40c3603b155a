// Contrast test of one analysis window of the 6-bit padded image.
#include "lfs/maps.h"
#include "sdk/diagnostics.h"

#include <cstdint>
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
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : low_contrast_block : window outside image\n");
        return -512;
    }

    // Four interleaved histograms keep successive counts of equal grey
    // levels from waiting on each other. A full byte range of bins keeps
    // stray 8-bit values inside the tables; 6-bit data only fills the first
    // 64, and the top of the range actually present bounds the high search.
    std::uint16_t hist[4][256] = {};
    unsigned present = 0;
    const unsigned char *row = pdata + blkoffset;
    for (int y = 0; y < blocksize; y++, row += pw) {
        int x = 0;
        for (; x + 4 <= blocksize; x += 4) {
            hist[0][row[x]]++;
            hist[1][row[x + 1]]++;
            hist[2][row[x + 2]]++;
            hist[3][row[x + 3]]++;
            present |= static_cast<unsigned>(row[x] | row[x + 1] | row[x + 2] | row[x + 3]);
        }
        for (; x < blocksize; x++) {
            hist[0][row[x]]++;
            present |= row[x];
        }
    }
    auto count = [&hist](int v) { return hist[0][v] + hist[1][v] + hist[2][v] + hist[3][v]; };
    int top = 1;
    while (top <= static_cast<int>(present))
        top <<= 1; // every grey level present is below top

    int low = -1;
    for (int v = 0, sum = 0; v < top; v++) {
        sum += count(v);
        if (sum > kPercentileCount) {
            low = v;
            break;
        }
    }
    if (low < 0) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : low_contrast_block : min percentile pixel not found\n");
        return -510;
    }
    int high = -1;
    for (int v = top - 1, sum = 0; v >= 0; v--) {
        sum += count(v);
        if (sum > kPercentileCount) {
            high = v;
            break;
        }
    }
    if (high < 0) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : low_contrast_block : max percentile pixel not found\n");
        return -511;
    }
    return high - low < lfsparms.min_contrast_delta ? LFS_TRUE : LFS_FALSE;
}

} // namespace lfs
