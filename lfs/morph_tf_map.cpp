// Morphological closing of a TRUE/FALSE block map: two dilations then two
// erosions with the 4-neighbourhood.
#include "lfs/maps.h"
#include "sdk/diagnostics.h"

#include <cstdio>
#include <new>

namespace lfs {

namespace {

// A 0 cell becomes 1 when an edge neighbour inside the map is set.
void dilate_charimage_2(const std::vector<unsigned char> &in, std::vector<unsigned char> &out, int w, int h)
{
    out = in;
    for (int y = 0; y < h; y++) {
        const unsigned char *row = &in[static_cast<size_t>(y) * static_cast<size_t>(w)];
        for (int x = 0; x < w; x++) {
            if (row[x])
                continue;
            if ((x > 0 && row[x - 1]) || (x < w - 1 && row[x + 1]) || (y > 0 && row[x - w]) ||
                (y < h - 1 && row[x + w]))
                out[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] = 1;
        }
    }
}

// A set cell becomes 0 when an edge neighbour inside the map is clear;
// beyond the map border counts as set.
void erode_charimage_2(const std::vector<unsigned char> &in, std::vector<unsigned char> &out, int w, int h)
{
    out = in;
    for (int y = 0; y < h; y++) {
        const unsigned char *row = &in[static_cast<size_t>(y) * static_cast<size_t>(w)];
        for (int x = 0; x < w; x++) {
            if (!row[x])
                continue;
            if ((y < h - 1 && !row[x + w]) || (y > 0 && !row[x - w]) || (x < w - 1 && !row[x + 1]) ||
                (x > 0 && !row[x - 1]))
                out[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] = 0;
        }
    }
}

} // namespace

int morph_TF_map(std::vector<int> &tfmap, int mw, int mh)
{
    if (mw < 0 || mh < 0 || tfmap.size() < static_cast<size_t>(mw) * static_cast<size_t>(mh)) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : morph_TF_map : map size mismatch\n");
        return -662;
    }
    const size_t n = static_cast<size_t>(mw) * static_cast<size_t>(mh);
    std::vector<unsigned char> cimage, mimage;
    try {
        cimage.resize(n);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : morph_TF_map : malloc : cimage\n");
        return -660;
    }
    try {
        mimage.resize(n);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : morph_TF_map : malloc : mimage\n");
        return -661;
    }
    for (size_t i = 0; i < n; i++)
        cimage[i] = static_cast<unsigned char>(tfmap[i]);

    try {
        dilate_charimage_2(cimage, mimage, mw, mh);
        dilate_charimage_2(mimage, cimage, mw, mh);
        erode_charimage_2(cimage, mimage, mw, mh);
        erode_charimage_2(mimage, cimage, mw, mh);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : morph_TF_map : malloc : mimage\n");
        return -661;
    }

    for (size_t i = 0; i < n; i++)
        tfmap[i] = cimage[i];
    return 0;
}

} // namespace lfs
