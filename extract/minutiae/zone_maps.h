// Border and inner zones of the blocks with a valid direction: a block lies
// in the border zone when an invalid block or the map edge is within three
// edge-steps of it, otherwise in the inner zone.
#ifndef RIDGESDK_EXTRACT_ZONE_MAPS_H
#define RIDGESDK_EXTRACT_ZONE_MAPS_H

#include "lfs/lfs.h"

#include <vector>

namespace ridge {

constexpr int kZoneIn = 1;
constexpr int kZoneOut = -1;

struct ZoneMaps {
    std::vector<int> border_zone_map;
    std::vector<int> inner_zone_map;
    int mw = 0, mh = 0;
};

// May throw std::bad_alloc; the caller reports it.
void build_zone_maps(ZoneMaps &zones, const std::vector<int> &direction_map, int mw, int mh);

// True when the minutia's block (x / 8, y / 8) is in the zone (value >= 0).
bool in_zone(const std::vector<int> &zone_map, int mw, int mh, const lfs::Minutia &m);

} // namespace ridge

#endif
