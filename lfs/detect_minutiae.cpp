// Minutia detection: scans of adjacent pixel pairs against the feature
// patterns, first pairs of rows (moving along x), then pairs of columns
// (moving along y).
#include "lfs/detect.h"

#include "lfs/candidate_index.h"
#include "lfs/feature_patterns.h"
#include "lfs/pixel_blocks.h"
#include "sdk/diagnostics.h"

#include <cstddef>
#include <cstdio>
#include <limits>

namespace lfs {

namespace {

// Walks every line of pixel pairs. A pair at position pos of a line is
// (p[0], p[pair_offset]) with p = bdata + line*line_stride + pos*pos_stride.
// For each complete pattern, found(line, third_pos, second_pos, feature_id)
// is called; it may edit the image (loop filling), so pairs are read afresh.
template <class Found>
int scan_pixel_pairs(const unsigned char *bdata, int nlines, int line_len, std::ptrdiff_t line_stride,
                     std::ptrdiff_t pos_stride, std::ptrdiff_t pair_offset, Found found)
{
    for (int line = 0; line < nlines; line++) {
        const unsigned char *base = bdata + line * line_stride;
        auto p1 = [&](int pos) { return base[pos * pos_stride]; };
        auto p2 = [&](int pos) { return base[pos * pos_stride + pair_offset]; };
        int c = 0;
        while (c < line_len) {
            // Bit sets of the patterns still possible; the same outcome as
            // match_1st_pair, match_2nd_pair and match_3rd_pair.
            unsigned possible = first_pair_mask(p1(c), p2(c));
            if (!possible) {
                c++;
                continue;
            }
            c++;
            if (c >= line_len)
                break;
            // A pair that fails as a second pair is tried as a first pair.
            possible &= second_pair_mask(p1(c), p2(c));
            if (!possible)
                continue;
            const int c2 = c;
            const unsigned char v1 = p1(c), v2 = p2(c);
            c++;
            while (c < line_len && p1(c) == v1 && p2(c) == v2)
                c++;
            if (c >= line_len)
                break;
            // A very long run of the second pair is no minutia: the scan goes
            // on from the pair after the run.
            if (c - c2 - 1 >= MAX_REPEATED_SECOND_PAIRS)
                continue;
            possible &= third_pair_mask(p1(c), p2(c));
            if (possible) {
                int feature_id = 0;
                while (!(possible & (1u << feature_id)))
                    feature_id++;
                const int ret = found(line, c, c2, feature_id);
                if (ret < 0)
                    return ret;
            }
            // A third pair of two different values may itself be a second
            // pair: restart from the last repeat of the second pair.
            if (p1(c) != p2(c))
                c--;
        }
    }
    return 0;
}

// Direction, reliability and list update for a candidate at (x_loc, y_loc)
// with its edge pixel, found by the given scan.
int process_scan_minutia_V2(Minutiae &minutiae, int x_loc, int y_loc, int x_edge, int y_edge, int feature_id,
                            int scan_dir, unsigned char *bdata, int iw, int ih, const DetectMaps &maps,
                            const LfsParams &lfsparms)
{
    const int bi = maps.blocks.index(x_loc, y_loc);
    const int dmapval = maps.direction_map[static_cast<size_t>(bi)];
    const int fmapval = maps.low_flow_map[static_cast<size_t>(bi)];
    const int cmapval = maps.high_curve_map[static_cast<size_t>(bi)];
    if (dmapval == INVALID_DIR)
        return IGNORE;

    const FeaturePattern &pattern = feature_patterns[feature_id];
    int idir;
    if (cmapval) {
        // In strongly curved flow the block direction says little: the
        // minutia moves to its contour's sharpest point instead.
        const int ret = adjust_high_curvature_minutia_V2(&idir, &x_loc, &y_loc, &x_edge, &y_edge, x_loc, y_loc,
                                                         x_edge, y_edge, bdata, iw, ih, maps, minutiae, lfsparms);
        if (ret != 0)
            return ret;
    } else {
        idir = get_low_curvature_direction(scan_dir, pattern.appearing, dmapval, lfsparms.num_directions);
    }
    const float reliability = fmapval ? MEDIUM_RELIABILITY : HIGH_RELIABILITY;

    Minutia minutia;
    create_minutia(minutia, x_loc, y_loc, x_edge, y_edge, idir, reliability, pattern.type, pattern.appearing,
                   feature_id);
    const int ret = update_minutiae_V2(minutiae, minutia, scan_dir, dmapval, bdata, iw, ih, lfsparms);
    return ret < 0 ? ret : 0;
}

} // namespace

int scan4minutiae_horizontally_V2(Minutiae &minutiae, unsigned char *bdata, int iw, int ih,
                                  const DetectMaps &maps, const LfsParams &lfsparms)
{
    // Pairs of vertically adjacent pixels, rows cy and cy+1, moving along x.
    return scan_pixel_pairs(bdata, ih - 1, iw, iw, 1, iw, [&](int cy, int cx, int x2, int feature_id) {
        // The minutia sits midway along the run of second pairs, on the row
        // where the feature ends; its edge pixel is on the other row.
        const int x_loc = (cx + x2) >> 1;
        const bool appearing = feature_patterns[feature_id].appearing != 0;
        const int y_loc = appearing ? cy + 1 : cy;
        const int y_edge = appearing ? cy : cy + 1;
        return process_scan_minutia_V2(minutiae, x_loc, y_loc, x_loc, y_edge, feature_id, SCAN_HORIZONTAL, bdata,
                                       iw, ih, maps, lfsparms);
    });
}

int scan4minutiae_vertically_V2(Minutiae &minutiae, unsigned char *bdata, int iw, int ih,
                                const DetectMaps &maps, const LfsParams &lfsparms)
{
    // Pairs of horizontally adjacent pixels, columns cx and cx+1, moving
    // along y.
    return scan_pixel_pairs(bdata, iw - 1, ih, 1, iw, 1, [&](int cx, int cy, int y2, int feature_id) {
        const int y_loc = (cy + y2) >> 1;
        const bool appearing = feature_patterns[feature_id].appearing != 0;
        const int x_loc = appearing ? cx + 1 : cx;
        const int x_edge = appearing ? cx : cx + 1;
        return process_scan_minutia_V2(minutiae, x_loc, y_loc, x_edge, y_loc, feature_id, SCAN_VERTICAL, bdata,
                                       iw, ih, maps, lfsparms);
    });
}

int detect_minutiae_V2(Minutiae &minutiae, unsigned char *bdata, int iw, int ih,
                       const std::vector<int> &direction_map, const std::vector<int> &low_flow_map,
                       const std::vector<int> &high_curve_map, int mw, int mh, const LfsParams &lfsparms)
{
    if (bdata == nullptr || iw <= 0 || ih <= 0 ||
        static_cast<long long>(iw) * ih > std::numeric_limits<int>::max()) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : detect_minutiae_V2 : bad image dimensions : %d, %d\n", iw, ih);
        return -592;
    }
    PixelBlocks blocks;
    int ret = blocks.init(iw, ih, mw, mh, lfsparms.blocksize);
    if (ret != 0)
        return ret;
    const size_t nblocks = static_cast<size_t>(mw) * static_cast<size_t>(mh);
    if (direction_map.size() < nblocks || low_flow_map.size() < nblocks || high_curve_map.size() < nblocks) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : detect_minutiae_V2 : block maps too small\n");
        return -593;
    }
    const DetectMaps maps{direction_map, low_flow_map, high_curve_map, blocks};
    // Look-alikes of a new candidate are found near it, not by a scan of
    // every minutia listed; the list comes out the same.
    CandidateIndex index;
    ret = index.attach(minutiae, iw, ih);
    if (ret != 0)
        return ret;
    ret = scan4minutiae_horizontally_V2(minutiae, bdata, iw, ih, maps, lfsparms);
    if (ret != 0)
        return ret;
    return scan4minutiae_vertically_V2(minutiae, bdata, iw, ih, maps, lfsparms);
}

} // namespace lfs
