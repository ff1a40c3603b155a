// ridge_image_decode on arbitrary bytes (PNG, PGM/PPM and BMP, told apart
// by their first bytes), copied into a block of exactly their size; a
// decoded image is then resampled from a resolution the input picks.
#include "ridgeinterop.h"

#include "fuzz_input.h"

#include <vector>

namespace {

// PNG images that declare more than a million pixels are left out: they
// are valid, only slow to decode, and would starve the fuzzer.
bool declares_large_png(const std::uint8_t *data, std::size_t size)
{
    if (size < 24 || data[0] != 0x89 || data[1] != 'P')
        return false;
    const auto be32 = [data](std::size_t at) {
        return std::uint64_t(data[at]) << 24 | std::uint64_t(data[at + 1]) << 16 |
               std::uint64_t(data[at + 2]) << 8 | data[at + 3];
    };
    return be32(16) * be32(20) > (1u << 20);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1 || declares_large_png(data + 1, size - 1))
        return 0;
    const unsigned ppi = 100u + 10u * data[0]; // 100..2650
    std::vector<unsigned char> bytes(data + 1, data + size);
    ridge_image image{0, 0, nullptr, 0};
    const int32_t status = ridge_image_decode(bytes.empty() ? nullptr : bytes.data(), bytes.size(), &image);
    if (status != RIDGE_OK) {
        FUZZ_REQUIRE(image.pixels == nullptr && image.width == 0 && image.height == 0);
        FUZZ_REQUIRE(status == RIDGE_ERR_CORRUPT || status == RIDGE_ERR_UNSUPPORTED);
        return 0;
    }
    FUZZ_REQUIRE(image.pixels != nullptr && image.width > 0 && image.height > 0);
    FUZZ_REQUIRE(image.width <= RIDGE_IMAGE_MAX_SIDE && image.height <= RIDGE_IMAGE_MAX_SIDE);
    FUZZ_REQUIRE(std::int64_t(image.width) * image.height <= RIDGE_IMAGE_MAX_PIXELS);
    FUZZ_REQUIRE(image.ppi >= 0);
    volatile unsigned sum = 0; // every pixel is readable
    for (std::int64_t i = 0; i < std::int64_t(image.width) * image.height; ++i)
        sum = sum + image.pixels[i];

    if (std::int64_t(image.width) * image.height <= (1 << 18)) {
        ridge_image resampled{0, 0, nullptr, 0};
        const int32_t r = ridge_image_resample(&image, ppi, &resampled);
        FUZZ_REQUIRE(r == RIDGE_OK || r == RIDGE_ERR_UNSUPPORTED);
        if (r == RIDGE_OK)
            FUZZ_REQUIRE(resampled.width >= 1 && resampled.height >= 1 && resampled.ppi == 500);
        ridge_image_release(&resampled);
    }
    ridge_image_release(&image);
    return 0;
}
