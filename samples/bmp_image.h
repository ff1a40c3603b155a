// ridgeforge's bitmap reader: an 8-bit Windows bitmap file turned into the
// SDK's grey image (top row first, no row padding). The decoding itself is
// the library's (formats/bmp_decode.h).
#ifndef RIDGESDK_SAMPLES_BMP_IMAGE_H
#define RIDGESDK_SAMPLES_BMP_IMAGE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ridge {

// 1 on success with the image and its size; -1 when the file cannot be
// read as an 8-bit bitmap, with the reason in *reason when one is given.
// Outputs are left as they were on failure.
int bmp_to_grey_image(const unsigned char *file, std::size_t length, std::vector<unsigned char> &image,
                      int32_t &width, int32_t &height, std::string *reason = nullptr);

} // namespace ridge

#endif
