// Closed contours: their sense, their aspect, and filling them in.
#include "lfs/contour.h"
#include "lfs/geometry.h"
#include "lfs/shape.h"
#include "sdk/diagnostics.h"

#include <cmath>
#include <cstdio>

namespace lfs {

int is_loop_clockwise(const Contour &contour, int default_ret)
{
    std::vector<int> chain;
    const int ret = chain_code_loop(chain, contour);
    if (ret != 0)
        return ret;
    // Too few points to tell: the caller's default decides.
    if (chain.empty())
        return default_ret;
    return is_chain_clockwise(chain, default_ret);
}

int get_loop_aspect(int *omin_fr, int *omin_to, float *omin_dist, int *omax_fr, int *omax_to,
                    float *omax_dist, const Contour &contour)
{
    const int ncontour = contour.num();
    if (ncontour == 0) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : get_loop_aspect : empty contour\n");
        return -330;
    }
    const int halfway = ncontour >> 1;
    int i = 0;
    int j = halfway;
    float dist = squared_distance(contour.x[i], contour.y[i], contour.x[j], contour.y[j]);
    float min_dist = dist, max_dist = dist;
    int min_i = i, min_j = j, max_i = i, max_j = j;
    i++;
    j = (j + 1) % ncontour;

    // On an even loop the second half of the walk repeats the first; on an
    // odd one it pairs the points slightly differently, so walk it all.
    const int limit = (ncontour % 2) ? ncontour : halfway;
    while (i < limit) {
        dist = squared_distance(contour.x[i], contour.y[i], contour.x[j], contour.y[j]);
        if (dist < min_dist) {
            min_dist = dist;
            min_i = i;
            min_j = j;
        }
        if (dist > max_dist) {
            max_dist = dist;
            max_i = i;
            max_j = j;
        }
        i++;
        j = (j + 1) % ncontour;
    }
    *omin_fr = min_i;
    *omin_to = min_j;
    *omin_dist = std::sqrt(min_dist);
    *omax_fr = max_i;
    *omax_to = max_j;
    *omax_dist = std::sqrt(max_dist);
    return 0;
}

int fill_loop(const Contour &contour, unsigned char *bdata, int iw, int ih)
{
    if (contour.num() == 0)
        return 0;
    for (int i = 0; i < contour.num(); i++) {
        if (contour.x[i] < 0 || contour.x[i] >= iw || contour.y[i] < 0 || contour.y[i] >= ih) {
            ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : fill_loop : contour point outside the image\n");
            return -340;
        }
    }
    Shape shape;
    const int ret = shape_from_contour(shape, contour);
    if (ret != 0)
        return ret;

    // The loop's pixels hold the feature value; they and the inside take
    // the opposite value.
    const unsigned char feature_pix = bdata[contour.y[0] * iw + contour.x[0]];
    const unsigned char edge_pix = feature_pix ? 0 : 1;

    for (const ShapeRow &row : shape.rows) {
        if (row.xs.empty()) {
            ridge::diagnostic(ridge::DiagnosticKind::Error, "WARNING : fill_loop : unexpected shape, preempting loop fill\n");
            return 0;
        }
        unsigned char *line = bdata + row.y * iw;
        const int lastj = static_cast<int>(row.xs.size()) - 1;
        int j = 0;
        int x = row.xs[0];
        line[x] = edge_pix;
        while (j < lastj) {
            x++;
            // A pixel already of the edge value right after a contour point
            // means a concavity: jump to the next contour point of the row.
            if (line[x] == edge_pix) {
                j++;
                x = row.xs[static_cast<size_t>(j)];
                line[x] = edge_pix;
            } else {
                j++;
                const int nx = row.xs[static_cast<size_t>(j)];
                for (; x <= nx; x++)
                    line[x] = edge_pix;
                x = nx;
            }
        }
    }
    return 0;
}

} // namespace lfs
