// The detector's set-up and map stage: tables, padding, 6-bit scaling and
// the block maps.
#include "extract/maps/map_stage.h"

#include "extract/detector_params.h"
#include "extract/maps/dft_waves.h"
#include "extract/maps/dir2rad.h"
#include "extract/maps/image_maps.h"
#include "lfs/maps.h"
#include "sdk/diagnostics.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

namespace ridge {

namespace {

// Refuses sizes the detector cannot work on without reading outside the
// image: every map window must fit inside the unpadded image, and the
// padded image must be indexable with int offsets.
bool dimensions_supported(int iw, int ih, int pad, const lfs::LfsParams &lfsparms)
{
    if (iw <= lfsparms.windowsize || ih <= lfsparms.windowsize)
        return false;
    const long long pw = static_cast<long long>(iw) + 2LL * pad;
    const long long ph = static_cast<long long>(ih) + 2LL * pad;
    return pw * ph <= INT_MAX;
}

int padded_copy(std::vector<unsigned char> &out, int &pw, int &ph, const unsigned char *idata, int iw, int ih,
                int pad, int pad_value)
{
    if (pad > 0)
        return lfs::pad_uchar_image(out, pw, ph, idata, iw, ih, pad, pad_value);
    const size_t n = static_cast<size_t>(iw) * static_cast<size_t>(ih);
    try {
        out.resize(n);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : lfs_detect_minutiae_V2 : malloc : pdata\n");
        return -580;
    }
    std::memcpy(out.data(), idata, n);
    pw = iw;
    ph = ih;
    return 0;
}

} // namespace

int run_map_stage(MapStageOutput &out, const unsigned char *idata, int iw, int ih)
{
    const lfs::LfsParams &lfsparms = DetectorParams;
    out = MapStageOutput{};
    try {
        const int pad = lfs::get_max_padding_V2(lfsparms.windowsize, lfsparms.windowoffset, lfsparms.dirbin_grid_w,
                                                lfsparms.dirbin_grid_h);
        if (!dimensions_supported(iw, ih, pad, lfsparms)) {
            ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : lfs_detect_minutiae_V2 : image dimensions not supported : %d, %d\n", iw,
                         ih);
            return -582;
        }

        lfs::Dir2Rad dir2rad;
        lfs::DftWaves dftwaves;
        lfs::RotGrids dftgrids;
        int ret;
        if ((ret = init_dir2rad(dir2rad, lfsparms.num_directions)) != 0)
            return ret;
        if ((ret = init_dftwaves(dftwaves, lfsparms.num_dft_waves, lfsparms.windowsize)) != 0)
            return ret;
        if ((ret = lfs::init_rotgrids(dftgrids, iw, ih, pad, lfsparms.start_dir_angle, lfsparms.num_directions,
                                      lfsparms.windowsize, lfsparms.windowsize, lfs::RELATIVE2ORIGIN)) != 0)
            return ret;

        MapStageOutput result;
        if ((ret = padded_copy(result.padded6, result.pw, result.ph, idata, iw, ih, pad, lfsparms.pad_value)) != 0)
            return ret;
        for (unsigned char &px : result.padded6)
            px = static_cast<unsigned char>(px >> 2);
        result.pad = pad;

        if ((ret = gen_image_maps(result.maps, result.padded6.data(), result.pw, result.ph, dir2rad, dftwaves,
                                  dftgrids, lfsparms)) != 0)
            return ret;
        out = std::move(result);
        return 0;
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : lfs_detect_minutiae_V2 : malloc : pdata\n");
        return -580;
    }
}

int lfs_detect_maps_V2(lfs::BlockMaps &maps, const unsigned char *idata, int iw, int ih)
{
    maps = lfs::BlockMaps{};
    MapStageOutput stage;
    const int ret = run_map_stage(stage, idata, iw, ih);
    if (ret != 0)
        return ret;
    maps = std::move(stage.maps);
    return 0;
}

} // namespace ridge
