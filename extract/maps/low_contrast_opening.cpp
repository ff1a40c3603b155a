// Opening of the low-contrast map on a copy framed by a ring of 1s.
#include "extract/maps/low_contrast_opening.h"

#include <cstddef>

namespace ridge {

namespace {

// Cell of the framed copy, with everything beyond it counting as 1.
int framed_at(const std::vector<int> &m, int fw, int fh, int x, int y)
{
    if (x < 0 || x >= fw || y < 0 || y >= fh)
        return 1;
    return m[static_cast<size_t>(y * fw + x)];
}

bool any_neighbour(const std::vector<int> &m, int fw, int fh, int x, int y, bool want_one)
{
    const int nx[4] = {x, x + 1, x, x - 1};
    const int ny[4] = {y - 1, y, y + 1, y};
    for (int k = 0; k < 4; ++k) {
        const bool one = framed_at(m, fw, fh, nx[k], ny[k]) == 1;
        if (one == want_one)
            return true;
    }
    return false;
}

} // namespace

void open_low_contrast_map(std::vector<int> &low_contrast_map, int mw, int mh)
{
    const int fw = mw + 2;
    const int fh = mh + 2;
    std::vector<int> framed(static_cast<size_t>(fw) * static_cast<size_t>(fh), 1);
    for (int y = 0; y < mh; ++y)
        for (int x = 0; x < mw; ++x)
            framed[static_cast<size_t>((y + 1) * fw + x + 1)] = low_contrast_map[static_cast<size_t>(y * mw + x)];

    // Each pass reads a snapshot taken before it.
    std::vector<int> snapshot = framed;
    for (int y = 0; y < fh; ++y)
        for (int x = 0; x < fw; ++x) {
            const size_t i = static_cast<size_t>(y * fw + x);
            if (snapshot[i] == 1 && any_neighbour(snapshot, fw, fh, x, y, false))
                framed[i] = 0;
        }
    snapshot = framed;
    for (int y = 0; y < fh; ++y)
        for (int x = 0; x < fw; ++x) {
            const size_t i = static_cast<size_t>(y * fw + x);
            if (snapshot[i] != 1 && any_neighbour(snapshot, fw, fh, x, y, true))
                framed[i] = 1;
        }

    for (int y = 0; y < mh; ++y)
        for (int x = 0; x < mw; ++x)
            low_contrast_map[static_cast<size_t>(y * mw + x)] = framed[static_cast<size_t>((y + 1) * fw + x + 1)];
}

} // namespace ridge
