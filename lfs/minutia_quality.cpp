// Minutia reliability from the block quality map and the grey-level
// statistics of the minutia's neighbourhood.
#include "lfs/remove.h"
#include "lfs/pixel_blocks.h"
#include "lfs/remove_variants.h"
#include "sdk/diagnostics.h"

#include <cstddef>
#include <cmath>
#include <cstdio>

namespace lfs {

namespace {

// Neighbourhood radius in millimetres (11 pixels at 500 ppi).
constexpr float RADIUS_MM = 0.5586592f;
constexpr float IDEALSTDEV = 64.0f;
constexpr float IDEALMEAN = 127.0f;

long long isqrt_floor(long long s)
{
    long long r = static_cast<long long>(std::sqrt(static_cast<double>(s)));
    while (r > 0 && r * r > s)
        --r;
    while ((r + 1) * (r + 1) <= s)
        ++r;
    return r;
}

// Mean and integer standard deviation of the (2r+1)^2 square around
// (x, y); both 0 when the square does not lie wholly inside the image.
void neighborhood_stats(float &mean, float &stdev, int x, int y, int radius, const unsigned char *idata, int iw,
                        int ih, bool real_stdev)
{
    mean = 0.0f;
    stdev = 0.0f;
    if (x < radius || x > iw - radius - 1 || y < radius || y > ih - radius - 1)
        return;
    long long sum = 0, sumsq = 0, n = 0;
    for (int r = y - radius; r <= y + radius; ++r) {
        const unsigned char *row = idata + static_cast<size_t>(r) * iw;
        for (int c = x - radius; c <= x + radius; ++c) {
            const long long v = row[c];
            sum += v;
            sumsq += v * v;
            ++n;
        }
    }
    if (real_stdev) {
        const double dmean = static_cast<double>(sum) / static_cast<double>(n);
        mean = static_cast<float>(dmean);
        stdev = static_cast<float>(
            std::sqrt(static_cast<double>(sumsq) / static_cast<double>(n) - dmean * dmean));
        return;
    }
    mean = static_cast<float>(sum) / static_cast<float>(n);
    const float variance = static_cast<float>(sumsq) / static_cast<float>(n) - mean * mean;
    const long long rounded = sround(static_cast<double>(variance));
    stdev = static_cast<float>(isqrt_floor(rounded < 0 ? 0 : rounded));
}

float grayscale_factor(float mean, float stdev)
{
    const float by_stdev = stdev > IDEALSTDEV ? 1.0f : stdev / IDEALSTDEV;
    const float by_mean = 1.0f - std::fabs(mean - IDEALMEAN) / IDEALMEAN;
    return by_mean < by_stdev ? by_mean : by_stdev;
}

} // namespace

int combined_miutia_quality(Minutiae &minutiae, const std::vector<int> &quality_map, int mw, int mh,
                            int blocksize, const unsigned char *idata, int iw, int ih, float ppmm)
{
    return combined_miutia_quality_with(minutiae, quality_map, mw, mh, blocksize, idata, iw, ih, ppmm,
                                        RemovalArithmetic{});
}

int combined_miutia_quality_with(Minutiae &minutiae, const std::vector<int> &quality_map, int mw, int mh,
                                 int blocksize, const unsigned char *idata, int iw, int ih, float ppmm,
                                 const RemovalArithmetic &arith)
{
    const int radius = sround(static_cast<double>(RADIUS_MM * ppmm));
    // The level is read per pixel as the pixelised quality map holds it.
    PixelBlocks blocks;
    if (const int ret = blocks.init(iw, ih, mw, mh, blocksize))
        return ret;
    for (Minutia &m : minutiae.list) {
        // A minutia off the image has no block; treat it as a void block.
        int level = 0;
        if (m.x >= 0 && m.x < iw && m.y >= 0 && m.y < ih)
            level = quality_map[static_cast<size_t>(blocks.index(m.x, m.y))];
        float mean = 0.0f, stdev = 0.0f;
        neighborhood_stats(mean, stdev, m.x, m.y, radius, idata, iw, ih, arith.real_stdev);
        const float g = grayscale_factor(mean, stdev);
        switch (level) {
        case 4: m.reliability = 0.50f + 0.49f * g; break;
        case 3: m.reliability = 0.25f + 0.24f * g; break;
        case 2: m.reliability = 0.10f + 0.14f * g; break;
        case 1: m.reliability = 0.05f + 0.04f * g; break;
        case 0: m.reliability = 0.01f; break;
        default:
            ridge::diagnostic(ridge::DiagnosticKind::Error,
                              "ERROR : combined_miutia_quality : unexpected quality map value %d "
                              "not in range [0..4]\n",
                              level);
            return -3;
        }
    }
    return 0;
}

} // namespace lfs
