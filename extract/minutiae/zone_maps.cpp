#include "extract/minutiae/zone_maps.h"

#include <cstddef>

namespace ridge {

namespace {

constexpr int kZoneDilations = 3;
constexpr int kBlockSize = 8;

// One pass spreading the 0 set of `valid` to edge neighbours; the map edge
// counts as 0. Reads a snapshot so a pass grows the set by one step.
void dilate_invalid(std::vector<int> &valid, std::vector<int> &snapshot, int mw, int mh)
{
    snapshot = valid;
    auto zero_at = [&](int x, int y) {
        return x < 0 || y < 0 || x >= mw || y >= mh || snapshot[static_cast<std::size_t>(y) * mw + x] == 0;
    };
    for (int y = 0; y < mh; ++y) {
        for (int x = 0; x < mw; ++x) {
            int &cell = valid[static_cast<std::size_t>(y) * mw + x];
            if (cell != 0 && (zero_at(x, y - 1) || zero_at(x + 1, y) || zero_at(x, y + 1) || zero_at(x - 1, y)))
                cell = 0;
        }
    }
}

} // namespace

void build_zone_maps(ZoneMaps &zones, const std::vector<int> &direction_map, int mw, int mh)
{
    const std::size_t n = static_cast<std::size_t>(mw) * static_cast<std::size_t>(mh);
    std::vector<int> valid(n), snapshot;
    for (std::size_t i = 0; i < n; ++i)
        valid[i] = direction_map[i] >= 0 ? 1 : 0;
    for (int pass = 0; pass < kZoneDilations; ++pass)
        dilate_invalid(valid, snapshot, mw, mh);

    zones.border_zone_map.assign(n, kZoneOut);
    zones.inner_zone_map.assign(n, kZoneOut);
    zones.mw = mw;
    zones.mh = mh;
    for (std::size_t i = 0; i < n; ++i) {
        if (direction_map[i] < 0)
            continue;
        if (valid[i] == 0)
            zones.border_zone_map[i] = kZoneIn;
        else
            zones.inner_zone_map[i] = kZoneIn;
    }
}

bool in_zone(const std::vector<int> &zone_map, int mw, int mh, const lfs::Minutia &m)
{
    const int bx = m.x / kBlockSize, by = m.y / kBlockSize;
    if (m.x < 0 || m.y < 0 || bx >= mw || by >= mh)
        return false;
    return zone_map[static_cast<std::size_t>(by) * mw + bx] >= 0;
}

} // namespace ridge
