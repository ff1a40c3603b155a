// Padding around the image so that rotated windows and grids never leave
// the allocated pixels.
#include "lfs/maps.h"
#include "sdk/diagnostics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

namespace lfs {

int get_max_padding_V2(int map_windowsize, int map_windowoffset, int dirbin_grid_w, int dirbin_grid_h)
{
    // A square DFT window rotated about its origin sweeps out its diagonal;
    // half the surplus over its side, plus the offset from block to window.
    const float win = static_cast<float>(map_windowsize);
    float diag = std::sqrt(2.0f * win * win);
    float pad = (diag - win) / 2.0f;
    const int dft_pad = round_trunc(pad) + map_windowoffset;

    // A binarisation grid rotated about its centre pixel.
    const float gw = static_cast<float>(dirbin_grid_w);
    const float gh = static_cast<float>(dirbin_grid_h);
    diag = std::sqrt(gw * gw + gh * gh);
    pad = (diag - 1.0f) / 2.0f;
    const int dirbin_pad = round_trunc(pad);

    return std::max(dft_pad, dirbin_pad);
}

int pad_uchar_image(std::vector<unsigned char> &out, int &ow, int &oh, const unsigned char *in, int iw,
                    int ih, int pad, int pad_value)
{
    if (in == nullptr || iw <= 0 || ih <= 0 || pad < 0) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : pad_uchar_image : bad image dimensions : %d, %d, pad %d\n", iw, ih, pad);
        return -161;
    }
    const long long pw = static_cast<long long>(iw) + 2LL * pad;
    const long long ph = static_cast<long long>(ih) + 2LL * pad;
    if (pw > std::numeric_limits<int>::max() || ph > std::numeric_limits<int>::max() ||
        pw * ph > std::numeric_limits<int>::max()) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : pad_uchar_image : padded image too large\n");
        return -162;
    }
    try {
        out.assign(static_cast<size_t>(pw * ph), static_cast<unsigned char>(pad_value));
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : pad_uchar_image : malloc : pdata\n");
        return -160;
    }
    for (int y = 0; y < ih; y++) {
        const size_t dst = static_cast<size_t>(y + pad) * static_cast<size_t>(pw) + static_cast<size_t>(pad);
        std::memcpy(&out[dst], in + static_cast<size_t>(y) * static_cast<size_t>(iw), static_cast<size_t>(iw));
    }
    ow = static_cast<int>(pw);
    oh = static_cast<int>(ph);
    return 0;
}

} // namespace lfs
