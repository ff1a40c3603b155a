// Loops met during detection: a long, narrow loop is a short ridge (or
// valley) with a minutia at each end; any other loop is noise and is filled.
#include "lfs/detect.h"

#include "lfs/contour.h"
#include "lfs/geometry.h"
#include "lfs/pixel_blocks.h"

#include <cstddef>

namespace lfs {

namespace {

int add_loop_minutia(Minutiae &minutiae, const Contour &contour, int i, int idir, int type, unsigned char *bdata,
                     int iw, int ih, const DetectMaps &maps, const LfsParams &lfsparms)
{
    const int appearing = is_minutia_appearing(contour.x[i], contour.y[i], contour.ex[i], contour.ey[i]);
    if (appearing < 0)
        return appearing;
    const int bi = maps.blocks.index(contour.x[i], contour.y[i]);
    const float reliability = maps.low_flow_map[static_cast<std::size_t>(bi)] ? MEDIUM_RELIABILITY : HIGH_RELIABILITY;
    Minutia minutia;
    create_minutia(minutia, contour.x[i], contour.y[i], contour.ex[i], contour.ey[i], idir, reliability, type,
                   appearing, LOOP_ID);
    // Loop minutiae go through the plain duplicate test.
    const int ret = update_minutiae(minutiae, minutia, bdata, iw, ih, lfsparms);
    return ret < 0 ? ret : 0;
}

} // namespace

int process_loop_V2(Minutiae &minutiae, const Contour &contour, unsigned char *bdata, int iw, int ih,
                    const DetectMaps &maps, const LfsParams &lfsparms)
{
    const int ncontour = contour.num();
    if (ncontour <= 0)
        return 0;

    if (ncontour > lfsparms.min_loop_len) {
        const int feature_pix = bdata[contour.y[0] * iw + contour.x[0]];
        int min_fr, min_to, max_fr, max_to;
        float min_dist, max_dist;
        int ret = get_loop_aspect(&min_fr, &min_to, &min_dist, &max_fr, &max_to, &max_dist, contour);
        if (ret != 0)
            return ret;
        if (min_dist < lfsparms.min_loop_aspect_dist || (max_dist / min_dist) >= lfsparms.min_loop_aspect_ratio) {
            // The middle of the long axis must lie inside the feature.
            const int mid_x = (contour.x[max_fr] + contour.x[max_to]) >> 1;
            const int mid_y = (contour.y[max_fr] + contour.y[max_to]) >> 1;
            if (bdata[mid_y * iw + mid_x] == feature_pix) {
                const int type = feature_pix ? RIDGE_ENDING : BIFURCATION;
                const int full_ndirs = lfsparms.num_directions << 1;
                // Each end points across the loop towards the other.
                int idir = line2direction(contour.x[max_fr], contour.y[max_fr], contour.x[max_to],
                                          contour.y[max_to], lfsparms.num_directions);
                ret = add_loop_minutia(minutiae, contour, max_fr, idir, type, bdata, iw, ih, maps, lfsparms);
                if (ret != 0)
                    return ret;
                idir = (idir + lfsparms.num_directions) % full_ndirs;
                return add_loop_minutia(minutiae, contour, max_to, idir, type, bdata, iw, ih, maps, lfsparms);
            }
        }
    }
    return fill_loop(contour, bdata, iw, ih);
}

} // namespace lfs
