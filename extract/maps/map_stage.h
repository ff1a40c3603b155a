// This system's map stage of the detector.
#ifndef RIDGESDK_EXTRACT_MAP_STAGE_H
#define RIDGESDK_EXTRACT_MAP_STAGE_H

#include "lfs/lfs.h"
#include "lfs/lfs_params.h"

#include <vector>

namespace ridge {

// Result of the map stage plus the padded 6-bit image that binarisation
// goes on to use.
struct MapStageOutput {
    lfs::BlockMaps maps;
    std::vector<unsigned char> padded6;
    int pad = 0, pw = 0, ph = 0;
};

// Steps 1-5 of the detector: set-up, padding, 6-bit scaling, gen_image_maps.
// Returns 0 or the negative code of the failing stage.
int run_map_stage(MapStageOutput &out, const unsigned char *idata, int iw, int ih);

// The map stage alone (what the quality computation needs).
int lfs_detect_maps_V2(lfs::BlockMaps &maps, const unsigned char *idata, int iw, int ih);

// Quality figure (0 or 25..100) and area; figure is set to 0 first.
int compute_image_quality(float &quality, int &quality_area, const unsigned char *idata, int iw, int ih);

} // namespace ridge

#endif
