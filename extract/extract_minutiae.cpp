// extract_minutiae: detector, block quality, reliability, screening of
// ridge endings, angle refinement and the cap.
#include "extract/extract_minutiae.h"

#include "extract/minutiae/angle_refinement.h"
#include "extract/detect_minutiae_driver.h"
#include "extract/detector_params.h"
#include "extract/minutiae/minutiae_limit.h"
#include "extract/minutiae/ridge_ending_screening.h"
#include "lfs/maps.h"
#include "lfs/remove.h"
#include "sdk/diagnostics.h"

#include <cstdio>
#include <new>
#include <utility>
#include <vector>

namespace ridge {

namespace {

int run_pipeline(lfs::Minutiae &minutiae, const unsigned char *idata, int iw, int ih,
                 ExtractionStageTimes *times, ExtractionProducts *products)
{
    DetectorResult detected;
    int ret = lfs_detect_minutiae_V2(detected, idata, iw, ih, DetectorParams, times);
    if (ret != 0)
        return ret;
    StageClock clock(times);

    const lfs::BlockMaps &maps = detected.maps;
    std::vector<int> quality_map;
    ret = lfs::gen_quality_map(quality_map, maps.direction_map, maps.low_contrast_map, maps.low_flow_map,
                               maps.high_curve_map, maps.mw, maps.mh);
    if (ret != 0)
        return ret;
    ret = lfs::combined_miutia_quality(detected.minutiae, quality_map, maps.mw, maps.mh, DetectorParams.blocksize,
                                       idata, iw, ih, kPixelsPerMillimetre);
    if (ret != 0)
        return ret;

    const unsigned char *bdata = detected.bdata.data();
    if (products != nullptr)
        products->before_screening = detected.minutiae;
    remove_endings_near_void(detected.minutiae, quality_map, maps.mw, DetectorParams.blocksize, iw, ih);
    if (products != nullptr)
        products->after_void_screening = detected.minutiae;
    remove_open_side_endings(detected.minutiae, bdata, iw, ih);
    if (products != nullptr)
        products->after_side_screening = detected.minutiae;
    refine_minutia_angles(detected.minutiae, bdata, iw, ih);
    limit_minutiae(detected.minutiae);
    clock.lap(&ExtractionStageTimes::rest);

    minutiae = std::move(detected.minutiae);
    if (products != nullptr) {
        // Nothing reads them any more: handed over, not copied.
        products->maps = std::move(detected.maps);
        products->quality_map = std::move(quality_map);
        products->binary = std::move(detected.bdata);
    }
    return 0;
}

} // namespace

int extract_minutiae(lfs::Minutiae &minutiae, const unsigned char *idata, int iw, int ih,
                     ExtractionStageTimes *times, ExtractionProducts *products)
{
    minutiae = lfs::Minutiae{};
    if (products != nullptr)
        *products = ExtractionProducts{};
    int ret;
    try {
        ret = run_pipeline(minutiae, idata, iw, ih, times, products);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : extract_minutiae : malloc : working storage\n");
        ret = -2;
    }
    if (ret != 0) {
        minutiae = lfs::Minutiae{};
        if (products != nullptr)
            *products = ExtractionProducts{};
    }
    return ret;
}

} // namespace ridge
