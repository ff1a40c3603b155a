// Turns a fuzz input into a small grey image: the first two bytes give the
// width and height (1 to 160 each), the rest are the pixels, repeated when
// there are too few of them so that every size is reachable.
#ifndef RIDGESDK_FUZZ_FUZZ_IMAGE_SIZE_H
#define RIDGESDK_FUZZ_FUZZ_IMAGE_SIZE_H

#include "fuzz_input.h"

#include <vector>

namespace ridge_fuzz {

constexpr int kMaxFuzzImageSide = 160;

struct FuzzImage {
    std::vector<unsigned char> pixels; // exactly width * height bytes
    std::int32_t width = 0;
    std::int32_t height = 0;
};

inline FuzzImage fuzz_image(const std::uint8_t *data, std::size_t size)
{
    InputReader input(data, size);
    FuzzImage image;
    image.width = 1 + input.byte() % kMaxFuzzImageSide;
    image.height = 1 + input.byte() % kMaxFuzzImageSide;
    const std::size_t count = std::size_t(image.width) * std::size_t(image.height);
    image.pixels.resize(count, 0);
    const std::size_t supplied = input.remaining();
    for (std::size_t i = 0; supplied != 0 && i < count; ++i)
        image.pixels[i] = input.rest()[i % supplied];
    return image;
}

} // namespace ridge_fuzz

#endif
