// Block quality levels 0..4 from the four block maps.
#include "lfs/maps.h"
#include "sdk/diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <new>

namespace lfs {

namespace {
// Half-width of the square of neighbours that can lower a block's level.
constexpr int kNeighborDelta = 2;
} // namespace

int gen_quality_map(std::vector<int> &qmap, const std::vector<int> &direction_map,
                    const std::vector<int> &low_contrast_map, const std::vector<int> &low_flow_map,
                    const std::vector<int> &high_curve_map, int mw, int mh)
{
    const size_t n = static_cast<size_t>(mw < 0 ? 0 : mw) * static_cast<size_t>(mh < 0 ? 0 : mh);
    if (mw < 0 || mh < 0 || direction_map.size() < n || low_contrast_map.size() < n ||
        low_flow_map.size() < n || high_curve_map.size() < n) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : gen_quality_map : map size mismatch\n");
        return -4;
    }
    try {
        qmap.assign(n, 0);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : gen_quality_map : malloc : QualMap\n");
        return -2;
    }

    auto unusable = [&](size_t i) { return low_contrast_map[i] || direction_map[i] < 0; };
    auto doubtful = [&](size_t i) { return low_flow_map[i] || high_curve_map[i]; };

    for (int y = 0; y < mh; y++) {
        for (int x = 0; x < mw; x++) {
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(mw) + static_cast<size_t>(x);
            if (unusable(i))
                continue; // level 0
            int level = doubtful(i) ? 3 : 4;
            if (y < kNeighborDelta || y > mh - 1 - kNeighborDelta || x < kNeighborDelta ||
                x > mw - 1 - kNeighborDelta) {
                level = 1;
            } else {
                int offset = 0;
                for (int cy = y - kNeighborDelta; cy <= y + kNeighborDelta && offset > -2; cy++) {
                    for (int cx = x - kNeighborDelta; cx <= x + kNeighborDelta; cx++) {
                        const size_t j = static_cast<size_t>(cy) * static_cast<size_t>(mw) + static_cast<size_t>(cx);
                        if (unusable(j)) {
                            offset = -2;
                            break;
                        }
                        if (doubtful(j))
                            offset = std::min(offset, -1);
                    }
                }
                level += offset;
            }
            qmap[i] = level;
        }
    }
    return 0;
}

} // namespace lfs
