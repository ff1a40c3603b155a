#include "support/png_files.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <iterator>
#include <cstring>
#include <stdexcept>

namespace ridge_test {

namespace {

void set32(unsigned char *at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(v >> (24 - 8 * i));
}

} // namespace

std::vector<unsigned char> png_file(std::uint32_t format, int width, int height,
                                    const std::vector<unsigned char> &samples)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = format;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, samples.data(), 0, nullptr))
        throw std::runtime_error(image.message);
    std::vector<unsigned char> out(size);
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, samples.data(), 0, nullptr))
        throw std::runtime_error(image.message);
    out.resize(size);
    return out;
}

std::vector<unsigned char> with_phys(const std::vector<unsigned char> &png, std::uint32_t per_unit,
                                     unsigned char unit)
{
    // Length (4), type (4), data (9), check (4).
    unsigned char chunk[21] = {0, 0, 0, 9, 'p', 'H', 'Y', 's'};
    set32(chunk + 8, per_unit);
    set32(chunk + 12, per_unit);
    chunk[16] = unit;
    set32(chunk + 17, static_cast<std::uint32_t>(crc32(0, chunk + 4, 13)));
    constexpr std::ptrdiff_t kAfterHeader = 33; // signature and IHDR
    std::vector<unsigned char> out(png.size() + sizeof chunk);
    const auto at = std::copy(png.begin(), png.begin() + kAfterHeader, out.begin());
    std::copy(png.begin() + kAfterHeader, png.end(), std::copy(std::begin(chunk), std::end(chunk), at));
    return out;
}

} // namespace ridge_test
