// Gives invalid blocks that are not low-contrast a direction interpolated
// from the nearest valid blocks straight north, east, south and west.
#include "lfs/maps.h"
#include "sdk/diagnostics.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <new>

namespace lfs {

namespace {

struct Neighbour {
    bool found = false;
    int dir = INVALID_DIR;
    int dist = 0; // steps from the block to its neighbour
};

// Walks from (sx, sy) in steps of (dx, dy) to the first block with a valid
// direction; a low-contrast block or the map border ends the search.
Neighbour find_valid_block(const std::vector<int> &direction_map, const std::vector<int> &low_contrast_map,
                           int sx, int sy, int mw, int mh, int dx, int dy)
{
    Neighbour nbr;
    int x = sx + dx, y = sy + dy;
    while (x >= 0 && x < mw && y >= 0 && y < mh) {
        const size_t i = static_cast<size_t>(y) * static_cast<size_t>(mw) + static_cast<size_t>(x);
        if (low_contrast_map[i])
            return nbr;
        if (direction_map[i] != INVALID_DIR) {
            nbr.found = true;
            nbr.dir = direction_map[i];
            nbr.dist = (x - sx) * dx + (y - sy) * dy;
            return nbr;
        }
        x += dx;
        y += dy;
    }
    return nbr;
}

} // namespace

int interpolate_direction_map(std::vector<int> &direction_map, const std::vector<int> &low_contrast_map,
                              int mw, int mh, const LfsParams &lfsparms)
{
    const size_t n = static_cast<size_t>(mw < 0 ? 0 : mw) * static_cast<size_t>(mh < 0 ? 0 : mh);
    if (mw < 0 || mh < 0 || direction_map.size() < n || low_contrast_map.size() < n) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : interpolate_direction_map : map size mismatch\n");
        return -521;
    }
    std::vector<int> omap;
    try {
        omap.assign(direction_map.begin(), direction_map.begin() + static_cast<std::ptrdiff_t>(n));
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : interpolate_direction_map : malloc : omap\n");
        return -520;
    }

    static const int kSteps[4][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}}; // north, east, south, west
    for (int y = 0; y < mh; y++) {
        for (int x = 0; x < mw; x++) {
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(mw) + static_cast<size_t>(x);
            if (low_contrast_map[i] || direction_map[i] != INVALID_DIR)
                continue;

            Neighbour nbrs[4];
            int total_found = 0, total_dist = 0;
            for (int k = 0; k < 4; k++) {
                nbrs[k] = find_valid_block(direction_map, low_contrast_map, x, y, mw, mh, kSteps[k][0],
                                           kSteps[k][1]);
                if (nbrs[k].found) {
                    total_found++;
                    total_dist += nbrs[k].dist;
                }
            }
            if (total_found < lfsparms.min_interpolate_nbrs)
                continue;

            // Each neighbour weighs by the distance of the others, so nearer
            // neighbours count more.
            int delta[4] = {0, 0, 0, 0};
            int total_delta = 0;
            for (int k = 0; k < 4; k++) {
                if (nbrs[k].found) {
                    delta[k] = total_dist - nbrs[k].dist;
                    total_delta += delta[k];
                }
            }
            float avr_dir = 0.0f;
            for (int k = 0; k < 4; k++) {
                if (nbrs[k].found)
                    avr_dir += static_cast<float>(nbrs[k].dir) *
                               (static_cast<float>(delta[k]) / static_cast<float>(total_delta));
            }
            omap[i] = round_trunc(avr_dir);
        }
    }

    std::copy(omap.begin(), omap.end(), direction_map.begin());
    return 0;
}

} // namespace lfs
