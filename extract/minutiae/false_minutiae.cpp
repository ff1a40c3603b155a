// The false-minutia removal sequence. Blocks near the edge of the valid
// area (the border zone) get looser limits for islands, holes and hooks, so
// that the ragged border of the print is cleaned harder than its inside.
#include "extract/minutiae/false_minutiae.h"

#include "extract/detector_params.h"
#include "extract/minutiae/removal_tests.h"
#include "extract/minutiae/zone_maps.h"
#include "lfs/remove.h"
#include "sdk/diagnostics.h"

#include <cstdio>
#include <new>

namespace ridge {

namespace {

constexpr int kBorderIslandLimit = 15;
constexpr int kInnerIslandLimit = 10;
constexpr int kBorderHoleLoop = 20;
constexpr int kInnerHoleLoop = 15;
constexpr int kBorderHookDirectionDifference = 0;
constexpr int kInnerHookDirectionDifference = 14;

int run_sequence(lfs::Minutiae &minutiae, unsigned char *bdata, int iw, int ih, const ZoneMaps &zones,
                 const std::vector<int> &direction_map, const std::vector<int> &low_flow_map,
                 const std::vector<int> &high_curve_map, int mw, int mh)
{
    const auto &border = zones.border_zone_map;
    const auto &inner = zones.inner_zone_map;
    int ret;
    if ((ret = lfs::sort_minutiae_y_x(minutiae, iw, ih)))
        return ret;
    if ((ret = remove_islands_and_lakes(minutiae, bdata, iw, ih, border, mw, mh, kBorderIslandLimit,
                                        kBorderIslandLimit)))
        return ret;
    if ((ret = remove_islands_and_lakes(minutiae, bdata, iw, ih, inner, mw, mh, kInnerIslandLimit,
                                        kInnerIslandLimit)))
        return ret;
    if ((ret = remove_hole_minutiae(minutiae, bdata, iw, ih, border, mw, mh, kBorderHoleLoop)))
        return ret;
    if ((ret = remove_hole_minutiae(minutiae, bdata, iw, ih, inner, mw, mh, kInnerHoleLoop)))
        return ret;
    if ((ret = lfs::remove_near_invblock_V2(minutiae, direction_map, mw, mh, DetectorParams)))
        return ret;
    if ((ret = lfs::remove_or_adjust_side_minutiae_V2(minutiae, bdata, iw, ih, direction_map, mw, mh,
                                                      DetectorParams)))
        return ret;
    if ((ret = remove_hooks(minutiae, bdata, iw, ih, border, mw, mh, kBorderHookDirectionDifference, false)))
        return ret;
    if ((ret = remove_hooks(minutiae, bdata, iw, ih, inner, mw, mh, kInnerHookDirectionDifference, true)))
        return ret;
    if ((ret = remove_overlaps(minutiae, bdata, iw, ih)))
        return ret;
    return lfs::remove_pores_V2(minutiae, bdata, iw, ih, direction_map, low_flow_map, high_curve_map, mw, mh,
                                DetectorParams);
}

} // namespace

int remove_false_minutiae(lfs::Minutiae &minutiae, unsigned char *bdata, int iw, int ih,
                          const std::vector<int> &direction_map, const std::vector<int> &low_flow_map,
                          const std::vector<int> &high_curve_map, int mw, int mh)
{
    // The zone maps live in this frame, so every return releases them.
    ZoneMaps zones;
    try {
        build_zone_maps(zones, direction_map, mw, mh);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : remove_false_minutiae : malloc : zone maps\n");
        return -600;
    }
    // Working storage of the tests (contours, lines) is released on the
    // way out as well.
    try {
        return run_sequence(minutiae, bdata, iw, ih, zones, direction_map, low_flow_map, high_curve_map, mw, mh);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : remove_false_minutiae : out of memory\n");
        return -601;
    }
}

} // namespace ridge
