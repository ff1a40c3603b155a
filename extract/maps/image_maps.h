// The detector's block maps of a padded 6-bit image.
#ifndef RIDGESDK_EXTRACT_IMAGE_MAPS_H
#define RIDGESDK_EXTRACT_IMAGE_MAPS_H

#include "lfs/lfs.h"
#include "lfs/lfs_params.h"

namespace ridge {

// Builds direction_map, low_contrast_map, low_flow_map and high_curve_map
// (maps.mw x maps.mh blocks of the unpadded image) from the padded image
// pdata (pw x ph, padded by dftgrids.pad). Returns 0 or a negative code,
// with nothing left in maps on failure.
int gen_image_maps(lfs::BlockMaps &maps, const unsigned char *pdata, int pw, int ph, const lfs::Dir2Rad &dir2rad,
                   const lfs::DftWaves &dftwaves, const lfs::RotGrids &dftgrids, const lfs::LfsParams &lfsparms);

} // namespace ridge

#endif
