// Block map sequence: initial maps, then cleaning of the low-flow map and
// of the directions, interpolation into gaps, and the high-curvature map.
#include "extract/maps/image_maps.h"

#include "extract/maps/initial_maps.h"
#include "extract/maps/neighbour_direction.h"
#include "lfs/maps.h"
#include "sdk/diagnostics.h"

#include <cstdio>
#include <new>
#include <utility>

namespace ridge {

int gen_image_maps(lfs::BlockMaps &maps, const unsigned char *pdata, int pw, int ph, const lfs::Dir2Rad &dir2rad,
                   const lfs::DftWaves &dftwaves, const lfs::RotGrids &dftgrids, const lfs::LfsParams &lfsparms)
{
    maps = lfs::BlockMaps{};
    if (dftgrids.grid_w != dftgrids.grid_h) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : gen_image_maps : DFT grids must be square\n");
        return -540;
    }
    const int iw = pw - 2 * dftgrids.pad;
    const int ih = ph - 2 * dftgrids.pad;

    std::vector<int> blkoffs;
    int mw = 0, mh = 0;
    int ret = lfs::block_offsets(blkoffs, mw, mh, iw, ih, dftgrids.pad, lfsparms.blocksize);
    if (ret != 0)
        return ret;

    lfs::BlockMaps out;
    ret = gen_initial_maps(out.direction_map, out.low_contrast_map, out.low_flow_map, blkoffs, mw, mh, pdata, pw,
                           ph, dftwaves, dftgrids, lfsparms);
    if (ret != 0)
        return ret;

    try {
        if ((ret = lfs::morph_TF_map(out.low_flow_map, mw, mh)) != 0)
            return ret;
        remove_inconsistent_directions(out.direction_map, mw, mh, dir2rad, lfsparms);
        smooth_direction_map(out.direction_map, out.low_contrast_map, mw, mh, dir2rad, lfsparms);
        if ((ret = lfs::interpolate_direction_map(out.direction_map, out.low_contrast_map, mw, mh, lfsparms)) != 0)
            return ret;
        remove_inconsistent_directions(out.direction_map, mw, mh, dir2rad, lfsparms);
        smooth_direction_map(out.direction_map, out.low_contrast_map, mw, mh, dir2rad, lfsparms);
        if ((ret = lfs::gen_high_curve_map(out.high_curve_map, out.direction_map, mw, mh, lfsparms)) != 0)
            return ret;
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : gen_image_maps : malloc : working copy\n");
        return -541;
    }

    out.mw = mw;
    out.mh = mh;
    maps = std::move(out);
    return 0;
}

} // namespace ridge
