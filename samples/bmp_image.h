// Uncompressed 8-bit Windows bitmaps with their pixel rows at offset 1078,
// turned into the SDK's grey image (top row first, no row padding).
#ifndef RIDGESDK_SAMPLES_BMP_IMAGE_H
#define RIDGESDK_SAMPLES_BMP_IMAGE_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ridge {

constexpr std::size_t kBmpPixelOffset = 1078; // headers and a 256-entry palette

// 1 on success with the image and its size; -1 when the file is not such a
// bitmap, is too short for its rows, or has a width or height of 0 or below
// (top-down files included) or a pixel count beyond 32 bits. The palette is
// not read: each pixel byte is its grey level.
int bmp_to_grey_image(const unsigned char *file, std::size_t length,
                      std::vector<unsigned char> &image, int32_t &width, int32_t &height);

} // namespace ridge

#endif
