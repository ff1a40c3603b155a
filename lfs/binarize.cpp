// Directional binarisation: each pixel is compared with the rows of a 7 x 9
// grid turned to its block's ridge direction.
#include "lfs/binarize.h"
#include "lfs/binarize_lanes.h"
#include "sdk/diagnostics.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lfs {

namespace {

constexpr unsigned char WHITE_PIXEL = 255;

// True when every grid offset stays within pad pixels of the grid centre
// both ways, so that the grid never leaves the padded image.
bool grids_fit_padding(const RotGrids &grids, int pw)
{
    if (grids.grid_w <= 0 || grids.grid_h <= 0 || grids.grid_w > 1024 || grids.grid_h > 1024)
        return false;
    const size_t grid_size = static_cast<size_t>(grids.grid_w) * static_cast<size_t>(grids.grid_h);
    if (grids.ngrids <= 0 || grids.grids.size() != static_cast<size_t>(grids.ngrids))
        return false;
    for (const auto &grid : grids.grids) {
        if (grid.size() != grid_size)
            return false;
        for (int off : grid) {
            const long dy = std::lround(static_cast<double>(off) / pw);
            const long dx = off - dy * pw;
            if (std::labs(dx) > grids.pad || std::labs(dy) > grids.pad)
                return false;
        }
    }
    return true;
}

// Reference path: one grid evaluation per pixel.
void binarize_pixelwise(unsigned char *bdata, const unsigned char *origin, int w, int h, int pw,
                        const std::vector<int> &direction_map, int mw, int blocksize, const RotGrids &grids, int cy)
{
    unsigned char *bptr = bdata;
    const unsigned char *row = origin;
    for (int iy = 0; iy < h; iy++, row += pw) {
        const int *dirs = &direction_map[static_cast<size_t>(iy / blocksize) * static_cast<size_t>(mw)];
        for (int ix = 0; ix < w; ix++, bptr++) {
            const int dir = dirs[ix / blocksize];
            // Blocks without a valid direction stay white.
            if (dir < 0 || dir >= grids.ngrids)
                continue;
            *bptr = dirbinarize(row + ix, grids.grids[static_cast<size_t>(dir)].data(), grids.grid_w, grids.grid_h,
                                cy);
        }
    }
}

// Fast path: the pixels of a block row share their block's grid, and
// neighbouring blocks often share a direction, so each image row is cut into
// stretches of one grid and every grid offset is applied to a whole vector
// of neighbouring pixels at once. Gives the same decisions as the pixelwise
// path.
void binarize_by_stretches(unsigned char *bdata, const unsigned char *origin, int w, int h, int pw,
                           const std::vector<int> &direction_map, int mw, int blocksize, const RotGrids &grids,
                           int cy, SimdLevel level)
{
    void (*const run)(const BinarizeSpan &) =
        level == SimdLevel::Avx2 ? binarize_span_avx2 : binarize_span_vector;
    BinarizeSpan span{};
    span.grid_w = grids.grid_w;
    span.grid_h = grids.grid_h;
    span.cy = cy;
    for (int iy = 0; iy < h; iy++) {
        const int *dirs = &direction_map[static_cast<size_t>(iy / blocksize) * static_cast<size_t>(mw)];
        const unsigned char *row = origin + static_cast<size_t>(iy) * static_cast<size_t>(pw);
        unsigned char *out = bdata + static_cast<size_t>(iy) * static_cast<size_t>(w);
        for (int x0 = 0; x0 < w;) {
            const int dir = dirs[x0 / blocksize];
            int end = std::min(w, (x0 / blocksize + 1) * blocksize);
            if (dir < 0 || dir >= grids.ngrids) {
                x0 = end; // stays white
                continue;
            }
            while (end < w && dirs[end / blocksize] == dir)
                end = std::min(w, end + blocksize);
            span.out = out + x0;
            span.src = row + x0;
            span.grid = grids.grids[static_cast<size_t>(dir)].data();
            span.count = end - x0;
            run(span);
            x0 = end;
        }
    }
}

int binarize_image(std::vector<unsigned char> &bdata, int &bw, int &bh, const unsigned char *pdata, int pw, int ph,
                   const std::vector<int> &direction_map, int mw, int mh, int blocksize, const RotGrids &dirbingrids,
                   SimdLevel level)
{
    const int w = pw - 2 * dirbingrids.pad;
    const int h = ph - 2 * dirbingrids.pad;
    if (pdata == nullptr || dirbingrids.pad < 0 || w <= 0 || h <= 0 || blocksize <= 0 || mw <= 0 || mh <= 0 ||
        static_cast<long long>(pw) * ph > std::numeric_limits<int>::max()) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : binarize_image_V2 : bad image dimensions : %d, %d\n", pw, ph);
        return -601;
    }
    if ((w + blocksize - 1) / blocksize > mw || (h + blocksize - 1) / blocksize > mh ||
        direction_map.size() < static_cast<size_t>(mw) * static_cast<size_t>(mh)) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : binarize_image_V2 : direction map does not cover the image\n");
        return -602;
    }
    if (!grids_fit_padding(dirbingrids, pw)) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : binarize_image_V2 : rotated grids reach beyond the padding\n");
        return -603;
    }
    try {
        bdata.assign(static_cast<size_t>(w) * static_cast<size_t>(h), WHITE_PIXEL);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : binarize_image_V2 : malloc : bdata\n");
        return -600;
    }

    const int cy = round_trunc((static_cast<float>(dirbingrids.grid_h) - 1.0f) / 2.0f);
    const unsigned char *origin = pdata + static_cast<size_t>(dirbingrids.pad) * static_cast<size_t>(pw) +
                                  static_cast<size_t>(dirbingrids.pad);
    if (level == SimdLevel::Plain || !simd_level_available(level) ||
        dirbingrids.grid_w * dirbingrids.grid_h > kMaxLaneGridSamples || cy < 0 || cy >= dirbingrids.grid_h)
        binarize_pixelwise(bdata.data(), origin, w, h, pw, direction_map, mw, blocksize, dirbingrids, cy);
    else
        binarize_by_stretches(bdata.data(), origin, w, h, pw, direction_map, mw, blocksize, dirbingrids, cy, level);
    bw = w;
    bh = h;
    return 0;
}

} // namespace

#if defined(__SSE2__)
namespace {
typedef short I16x8 __attribute__((vector_size(16)));
struct Sse2Ops {
    typedef I16x8 V;
    static constexpr int L = 8;
    static RIDGE_ALWAYS_INLINE V load(const unsigned char *p)
    {
        const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(p));
        return reinterpret_cast<V>(_mm_unpacklo_epi8(v, _mm_setzero_si128()));
    }
    template <int U> static RIDGE_ALWAYS_INLINE void store(unsigned char *out, const V *valley)
    {
        const __m128i a = reinterpret_cast<__m128i>(valley[0]);
        if (U == 2)
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out),
                             _mm_packs_epi16(a, reinterpret_cast<__m128i>(valley[U - 1])));
        else
            _mm_storel_epi64(reinterpret_cast<__m128i *>(out), _mm_packs_epi16(a, a));
    }
};
} // namespace

void binarize_span_vector(const BinarizeSpan &s)
{
    int x = 0;
    for (; x + 16 <= s.count; x += 16)
        binarize_lanes<Sse2Ops, 2>(s.out + x, s.src + x, s.grid, s.grid_w, s.grid_h, s.cy);
    for (; x + 8 <= s.count; x += 8)
        binarize_lanes<Sse2Ops, 1>(s.out + x, s.src + x, s.grid, s.grid_w, s.grid_h, s.cy);
    binarize_pixels(s, x);
}
#else
// Without SSE2 the stretch is evaluated pixel by pixel.
void binarize_span_vector(const BinarizeSpan &s)
{
    binarize_pixels(s, 0);
}
#endif

int binarize_image_V2(std::vector<unsigned char> &bdata, int &bw, int &bh, const unsigned char *pdata,
                      int pw, int ph, const std::vector<int> &direction_map, int mw, int mh, int blocksize,
                      const RotGrids &dirbingrids)
{
    return binarize_image(bdata, bw, bh, pdata, pw, ph, direction_map, mw, mh, blocksize, dirbingrids,
                          best_simd_level());
}

int binarize_image_V2_pixelwise(std::vector<unsigned char> &bdata, int &bw, int &bh, const unsigned char *pdata,
                                int pw, int ph, const std::vector<int> &direction_map, int mw, int mh,
                                int blocksize, const RotGrids &dirbingrids)
{
    return binarize_image(bdata, bw, bh, pdata, pw, ph, direction_map, mw, mh, blocksize, dirbingrids,
                          SimdLevel::Plain);
}

int binarize_image_V2_at(SimdLevel level, std::vector<unsigned char> &bdata, int &bw, int &bh,
                         const unsigned char *pdata, int pw, int ph, const std::vector<int> &direction_map, int mw,
                         int mh, int blocksize, const RotGrids &dirbingrids)
{
    return binarize_image(bdata, bw, bh, pdata, pw, ph, direction_map, mw, mh, blocksize, dirbingrids, level);
}

int binarize_V2(std::vector<unsigned char> &bdata, int &bw, int &bh, const unsigned char *pdata, int pw,
                int ph, const std::vector<int> &direction_map, int mw, int mh, const RotGrids &dirbingrids,
                const LfsParams &lfsparms)
{
    const int ret = binarize_image_V2(bdata, bw, bh, pdata, pw, ph, direction_map, mw, mh, lfsparms.blocksize,
                                      dirbingrids);
    if (ret != 0)
        return ret;
    for (int i = 0; i < lfsparms.num_fill_holes; i++)
        fill_holes(bdata.data(), bw, bh);
    return 0;
}

} // namespace lfs
