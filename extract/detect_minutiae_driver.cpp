// lfs_detect_minutiae_V2 of this system: the map stage, directional
// binarisation, the minutia scan and the zoned removal, without ridge
// counting.
#include "extract/detect_minutiae_driver.h"

#include "extract/minutiae/false_minutiae.h"
#include "extract/maps/map_stage.h"
#include "lfs/binarize.h"
#include "lfs/detect.h"
#include "lfs/maps.h"
#include "sdk/diagnostics.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <utility>

namespace ridge {

namespace {

// Binary image values as the detection and removal read them.
void to_detection_form(std::vector<unsigned char> &bdata)
{
    for (unsigned char &p : bdata)
        p = p == 0 ? 1 : 0;
}

void to_output_form(std::vector<unsigned char> &bdata)
{
    for (unsigned char &p : bdata)
        p = p != 0 ? 0 : 255;
}

int fail(DetectorResult &result, int code)
{
    result = DetectorResult{};
    return code;
}

} // namespace

bool detector_accepts_size(int iw, int ih, const lfs::LfsParams &lfsparms)
{
    if (iw <= 0 || ih <= 0)
        return false;
    const int pad = lfs::get_max_padding_V2(lfsparms.windowsize, lfsparms.windowoffset, lfsparms.dirbin_grid_w,
                                            lfsparms.dirbin_grid_h);
    const int64_t pw = static_cast<int64_t>(iw) + 2 * static_cast<int64_t>(pad);
    const int64_t ph = static_cast<int64_t>(ih) + 2 * static_cast<int64_t>(pad);
    return pw * ph <= INT_MAX;
}

int lfs_detect_minutiae_V2(DetectorResult &result, const unsigned char *idata, int iw, int ih,
                           const lfs::LfsParams &lfsparms, ExtractionStageTimes *times)
{
    result = DetectorResult{};
    StageClock clock(times);

    // Sizes whose pixel counts overflow the detector's int arithmetic never
    // reach it.
    if (!detector_accepts_size(iw, ih, lfsparms)) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : lfs_detect_minutiae_V2 : image dimensions : %d, %d\n", iw, ih);
        return -579;
    }

    MapStageOutput stage;
    int ret = run_map_stage(stage, idata, iw, ih);
    if (ret != 0)
        return fail(result, ret);
    clock.lap(&ExtractionStageTimes::maps);

    lfs::RotGrids dirbingrids;
    ret = lfs::init_rotgrids(dirbingrids, iw, ih, stage.pad, lfsparms.start_dir_angle, lfsparms.num_directions,
                             lfsparms.dirbin_grid_w, lfsparms.dirbin_grid_h, lfs::RELATIVE2CENTER);
    if (ret != 0)
        return fail(result, ret);
    const lfs::BlockMaps &maps = stage.maps;
    ret = lfs::binarize_V2(result.bdata, result.bw, result.bh, stage.padded6.data(), stage.pw, stage.ph,
                           maps.direction_map, maps.mw, maps.mh, dirbingrids, lfsparms);
    if (ret != 0)
        return fail(result, ret);
    dirbingrids = lfs::RotGrids{};
    if (result.bw != iw || result.bh != ih) {
        diagnostic(DiagnosticKind::Error,
                   "ERROR : lfs_detect_minutiae_V2 :binary image has bad dimensions : %d, %d\n",
                   result.bw, result.bh);
        return fail(result, -581);
    }
    clock.lap(&ExtractionStageTimes::binarisation);

    to_detection_form(result.bdata);
    ret = lfs::alloc_minutiae(result.minutiae, lfs::MAX_MINUTIAE);
    if (ret != 0)
        return fail(result, ret);
    ret = lfs::detect_minutiae_V2(result.minutiae, result.bdata.data(), iw, ih, maps.direction_map,
                                  maps.low_flow_map, maps.high_curve_map, maps.mw, maps.mh, lfsparms);
    if (ret != 0)
        return fail(result, ret);
    clock.lap(&ExtractionStageTimes::detection);

    ret = remove_false_minutiae(result.minutiae, result.bdata.data(), iw, ih, maps.direction_map,
                                maps.low_flow_map, maps.high_curve_map, maps.mw, maps.mh);
    if (ret != 0)
        return fail(result, ret);
    clock.lap(&ExtractionStageTimes::removal);

    to_output_form(result.bdata);
    result.maps = std::move(stage.maps);
    return 0;
}

} // namespace ridge
