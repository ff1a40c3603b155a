// Decoding of 8-bit Windows bitmaps held in memory into a grey image, top
// row first, without row padding.
//
// Read: the core (12-byte) information header and the 40, 52, 56, 64, 108
// and 124-byte ones; the pixel rows at the offset the file header gives;
// rows stored bottom first (positive height) or top first (negative
// height); palettes of up to 256 entries, each index mapped to the grey
// level of its colour (a grey ramp leaves the bytes as they are). A file
// without room for a palette, or whose palette holds one colour only, is
// taken byte for byte as grey levels.
//
// Refused, with a one-line reason: anything but 8 bits per pixel, any
// compression, a width of 0 or below, a height of 0, more pixels than a
// signed 32-bit count holds, an offset inside the headers or past the end
// of the file, rows that the file cannot hold (the last row needs no
// padding), and pixel values beyond a palette shorter than 256 entries.
//
// A pure function over the bytes: no file access, no output, no global
// state; built on every platform.
#ifndef RIDGESDK_FORMATS_BMP_DECODE_H
#define RIDGESDK_FORMATS_BMP_DECODE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ridge {

struct GreyImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<unsigned char> pixels; // width * height, top row first
};

// "" on success with the image in *out; otherwise the reason, *out left
// as it was. data may be null when size is 0.
std::string decodeBmp8(const unsigned char *data, std::size_t size, GreyImage *out);

} // namespace ridge

#endif
