// Synthetic Windows bitmaps for the tests of the bitmap decoder and of
// ridgeforge: any size, bit depth, compression, information header,
// palette, row order and file length.
#ifndef RIDGESDK_TESTS_BITMAP_BUILDER_H
#define RIDGESDK_TESTS_BITMAP_BUILDER_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace ridge_test {

struct BitmapLayout {
    int32_t width = 8;
    int32_t height = 8; // negative: rows stored top first
    uint16_t planes = 1;
    uint16_t bits_per_pixel = 8;
    uint32_t compression = 0;
    // 40 is the common header; 12 is the core one (16-bit sizes, 3-byte
    // palette entries); 52 to 124 add fields the decoder skips.
    uint32_t info_header_bytes = 40;
    // Entries 0x00RRGGBB; empty: the 256-level grey ramp.
    std::vector<uint32_t> palette;
    // The colour count field; -1 writes the palette's size.
    int64_t colours_used = -1;
    // Bytes left between the palette and the pixel rows.
    uint32_t gap = 0;
    // The stored byte of pixel (x, y), y from the top; empty: test_pixel.
    std::function<uint8_t(int32_t x, int32_t y)> stored;
};

// Pixel (x, y) of the image, y counted from the top: the grey level the
// reader must deliver there.
uint8_t test_pixel(int32_t x, int32_t y);

// Offset of the pixel rows in a file of this layout.
uint32_t pixel_offset(const BitmapLayout &layout);

// A complete file: headers, palette, rows (bottom first unless the height
// is negative), each padded to a multiple of 4 bytes with 0xee (so padding
// read as pixels shows up). Only 8-bit pixels are filled; other depths get
// the same byte count per row as an 8-bit file, which is all the decoder
// can look at.
std::vector<unsigned char> make_bitmap(const BitmapLayout &layout);

// Writes a little-endian 32-bit field of a file at an offset.
inline void set_le32(std::vector<unsigned char> &b, std::size_t offset, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[offset + std::size_t(i)] = static_cast<unsigned char>(v >> (8 * i));
}

} // namespace ridge_test

#endif
