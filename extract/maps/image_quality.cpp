// Image quality: the map stage alone, its block quality levels, and their
// mean over the usable blocks.
#include "extract/maps/image_quality.h"

#include "extract/maps/map_stage.h"
#include "lfs/maps.h"
#include "sdk/diagnostics.h"

#include <cstdio>
#include <new>

namespace ridge {

void quality_from_levels(const std::vector<int> &quality_map, float &quality, int &quality_area)
{
    float sum = 0.0f;
    int n = 0;
    for (int level : quality_map) {
        if (level > 0) {
            sum += static_cast<float>(level);
            ++n;
        }
    }
    quality = n > MIN_USABLE_BLOCKS ? static_cast<float>((25.0 / n) * static_cast<double>(sum)) : 0.0f;
    quality_area = PIXELS_PER_BLOCK * n;
}

int compute_image_quality(float &quality, int &quality_area, const unsigned char *idata, int iw, int ih)
{
    quality = 0.0f;
    try {
        lfs::BlockMaps maps;
        int ret = lfs_detect_maps_V2(maps, idata, iw, ih);
        if (ret != 0)
            return ret;
        std::vector<int> quality_map;
        ret = lfs::gen_quality_map(quality_map, maps.direction_map, maps.low_contrast_map, maps.low_flow_map,
                                   maps.high_curve_map, maps.mw, maps.mh);
        maps = lfs::BlockMaps{};
        if (ret != 0)
            return ret;
        float figure = 0.0f;
        int area = 0;
        quality_from_levels(quality_map, figure, area);
        quality = figure;
        quality_area = area;
        return 0;
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : compute_image_quality : malloc : maps\n");
        quality = 0.0f;
        return -2;
    }
}

} // namespace ridge
