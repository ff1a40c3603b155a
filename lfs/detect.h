// Minutia detection on the binary image (1 = ridge, 0 = valley).
#ifndef RIDGESDK_LFS_DETECT_H
#define RIDGESDK_LFS_DETECT_H

#include "lfs/lfs.h"
#include "lfs/lfs_params.h"

#include <vector>

namespace lfs {

class PixelBlocks;

constexpr int SCAN_HORIZONTAL = 0;
constexpr int SCAN_VERTICAL = 1;

// A candidate whose second pixel pair repeats this many times or more along
// the scan is dropped without looking at its third pair.
constexpr int MAX_REPEATED_SECOND_PAIRS = 500;

// Scans horizontally then vertically adjacent pixel pairs against the
// feature patterns and appends the minutiae found. May fill loops in bdata.
int detect_minutiae_V2(Minutiae &minutiae, unsigned char *bdata, int iw, int ih,
                       const std::vector<int> &direction_map, const std::vector<int> &low_flow_map,
                       const std::vector<int> &high_curve_map, int mw, int mh, const LfsParams &lfsparms);

// The maps of one detection, read per pixel through the block lookup.
struct DetectMaps {
    const std::vector<int> &direction_map;
    const std::vector<int> &low_flow_map;
    const std::vector<int> &high_curve_map;
    const PixelBlocks &blocks;
};

// The two scans; each returns 0 or a negative code.
int scan4minutiae_horizontally_V2(Minutiae &minutiae, unsigned char *bdata, int iw, int ih,
                                  const DetectMaps &maps, const LfsParams &lfsparms);
int scan4minutiae_vertically_V2(Minutiae &minutiae, unsigned char *bdata, int iw, int ih,
                                const DetectMaps &maps, const LfsParams &lfsparms);

// One pattern found by a scan: the line (row of the pair's first pixel, or
// column), the positions of its third and second pairs along the line and
// the pattern.
struct ScanHit {
    int line, third, second, feature_id;
};
// Runs one scan over the image without processing what it finds: along rows
// (pairs of vertically adjacent pixels) or along columns. The scan jumps
// over runs of equal pairs; with plain set it steps through them one by one
// instead, the reference the jumping scan must agree with.
void scan_feature_patterns(std::vector<ScanHit> &hits, const unsigned char *bdata, int iw, int ih, bool along_rows,
                           bool plain);

// APPEARING when the edge pixel lies left of or above the feature pixel,
// DISAPPEARING when right of or below, a negative code otherwise.
int is_minutia_appearing(int x_loc, int y_loc, int x_edge, int y_edge);

// Turns a block direction (0..ndirs-1, a half turn) into a minutia
// direction (0..2*ndirs-1, a full turn) pointing into the feature.
int get_low_curvature_direction(int scan_dir, int appearing, int imapval, int ndirs);
// The scan that suits a block direction: horizontal for steep ridges.
int choose_scan_direction(int imapval, int ndirs);

// Moves a minutia in a high-curvature block to the sharpest point of its
// contour and takes its direction from there. Returns 0, IGNORE, or a
// negative code; a loop met on the way is processed (and may add minutiae).
int adjust_high_curvature_minutia_V2(int *oidir, int *ox_loc, int *oy_loc, int *ox_edge, int *oy_edge,
                                     int x_loc, int y_loc, int x_edge, int y_edge, unsigned char *bdata,
                                     int iw, int ih, const DetectMaps &maps, Minutiae &minutiae,
                                     const LfsParams &lfsparms);

// Adds the minutia unless one like it (same type, close, similar direction,
// on the same contour) is listed. IGNORE when not added.
int update_minutiae(Minutiae &minutiae, const Minutia &minutia, const unsigned char *bdata, int iw, int ih,
                    const LfsParams &lfsparms);
// As update_minutiae, but a listed look-alike gives way to the new minutia
// when the block direction favours the scan that found the new one.
int update_minutiae_V2(Minutiae &minutiae, const Minutia &minutia, int scan_dir, int dmapval,
                       const unsigned char *bdata, int iw, int ih, const LfsParams &lfsparms);

// A loop met while tracing: long, narrow loops give a pair of minutiae at
// the ends of their long axis; any other loop is filled in.
int process_loop_V2(Minutiae &minutiae, const Contour &contour, unsigned char *bdata, int iw, int ih,
                    const DetectMaps &maps, const LfsParams &lfsparms);

} // namespace lfs

#endif
