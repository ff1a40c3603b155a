// Synthetic Windows bitmaps for the tests of the bitmap reader and of
// ridgeforge: any size, bit depth, compression and file length.
#ifndef RIDGESDK_TESTS_BITMAP_BUILDER_H
#define RIDGESDK_TESTS_BITMAP_BUILDER_H

#include <cstdint>
#include <vector>

namespace ridge_test {

struct BitmapLayout {
    int32_t width = 8;
    int32_t height = 8;
    uint16_t planes = 1;
    uint16_t bits_per_pixel = 8;
    uint32_t compression = 0;
};

// Pixel (x, y) of the image, y counted from the top: the grey level the
// reader must deliver there.
uint8_t test_pixel(int32_t x, int32_t y);

// A complete file: headers, grey palette, rows bottom first, each padded to
// a multiple of 4 bytes with 0xee (so padding read as pixels shows up).
// Only 8-bit pixels are filled; other depths get the same byte count per
// row as an 8-bit file, which is all the reader can look at.
std::vector<unsigned char> make_bitmap(const BitmapLayout &layout);

} // namespace ridge_test

#endif
