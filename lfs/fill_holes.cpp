// Hole filling of the binary image: a pixel that differs from its two
// neighbours, which agree, takes their value; first along rows, then along
// columns, each pass in place.
#include "lfs/binarize.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lfs {

#if defined(__SSE2__)
namespace {

// The column pass: row y reads the final row above and the untouched row
// below, so all columns are swept together a row at a time.
void fill_column_holes(unsigned char *bdata, size_t w, int ih)
{
    for (int y = 1; y < ih - 1; y++) {
        const unsigned char *up = bdata + static_cast<size_t>(y - 1) * w;
        unsigned char *mid = bdata + static_cast<size_t>(y) * w;
        const unsigned char *down = mid + w;
        size_t x = 0;
        for (; x + 16 <= w; x += 16) {
            const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i *>(up + x));
            const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i *>(mid + x));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(down + x));
            // hole = (t == b) and not (t == m): take t there, m elsewhere.
            const __m128i hole = _mm_andnot_si128(_mm_cmpeq_epi8(t, m), _mm_cmpeq_epi8(t, b));
            const __m128i v = _mm_or_si128(_mm_and_si128(hole, t), _mm_andnot_si128(hole, m));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(mid + x), v);
        }
        for (; x < w; x++) {
            const unsigned char t = up[x], m = mid[x], b = down[x];
            mid[x] = (t != m && t == b) ? t : m;
        }
    }
}

} // namespace
#endif

void fill_holes_plain(unsigned char *bdata, int iw, int ih)
{
    if (bdata == nullptr || iw <= 0 || ih <= 0)
        return;
    const size_t w = static_cast<size_t>(iw);

    // Row pass, left to right in place: a pixel reads the final value on its
    // left and the untouched one on its right.
    for (int y = 0; y < ih; y++) {
        unsigned char *row = bdata + static_cast<size_t>(y) * w;
        for (int x = 1; x < iw - 1; x++) {
            const unsigned char l = row[x - 1], m = row[x], r = row[x + 1];
            row[x] = (l != m && l == r) ? l : m;
        }
    }

    for (int y = 1; y < ih - 1; y++) {
        const unsigned char *up = bdata + static_cast<size_t>(y - 1) * w;
        unsigned char *mid = bdata + static_cast<size_t>(y) * w;
        const unsigned char *down = mid + w;
        for (size_t x = 0; x < w; x++) {
            const unsigned char t = up[x], m = mid[x], b = down[x];
            mid[x] = (t != m && t == b) ? t : m;
        }
    }
}

void fill_holes(unsigned char *bdata, int iw, int ih)
{
    if (bdata == nullptr || iw <= 0 || ih <= 0)
        return;
#if defined(__SSE2__)
    const size_t w = static_cast<size_t>(iw);
    // Row pass, 16 pixels at a time. Within a group every hole is found on
    // the values as they stand; a hole right after a filled pixel is no hole
    // any more (the filled pixel now equals it), so of a run of neighbouring
    // holes the first, third, ... are filled, as the pixel-by-pixel pass
    // does. The group after reads the filled values afresh.
    for (int y = 0; y < ih; y++) {
        unsigned char *row = bdata + static_cast<size_t>(y) * w;
        int x = 1;
        for (; x + 17 <= iw; x += 16) {
            const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + x - 1));
            const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + x));
            const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + x + 1));
            unsigned holes = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_andnot_si128(_mm_cmpeq_epi8(l, m), _mm_cmpeq_epi8(l, r))));
            int last = -2;
            while (holes != 0) {
                const int b = __builtin_ctz(holes);
                holes &= holes - 1;
                if (b != last + 1) {
                    row[x + b] = row[x + b - 1];
                    last = b;
                }
            }
        }
        for (; x < iw - 1; x++) {
            const unsigned char l = row[x - 1], m = row[x], r = row[x + 1];
            row[x] = (l != m && l == r) ? l : m;
        }
    }
    fill_column_holes(bdata, w, ih);
#else
    fill_holes_plain(bdata, iw, ih);
#endif
}

} // namespace lfs
