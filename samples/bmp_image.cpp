#include "bmp_image.h"

#include <cstring>
#include <limits>
#include <new>

namespace ridge {

namespace {

std::uint32_t read_le32(const unsigned char *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

std::uint16_t read_le16(const unsigned char *p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

} // namespace

int bmp_to_grey_image(const unsigned char *file, std::size_t length,
                      std::vector<unsigned char> &image, int32_t &width, int32_t &height)
{
    if (length <= kBmpPixelOffset)
        return -1;
    if (file[0] != 'B' || file[1] != 'M')
        return -1;
    const auto file_width = static_cast<std::int32_t>(read_le32(file + 18));
    const auto file_height = static_cast<std::int32_t>(read_le32(file + 22));
    if (read_le16(file + 26) != 1 || read_le16(file + 28) != 8 || read_le32(file + 30) != 0)
        return -1;
    // Rows stored top first (negative height) and empty images are refused,
    // as are images whose pixel count the SDK's 32-bit sizes cannot hold.
    if (file_width <= 0 || file_height <= 0)
        return -1;
    const std::int64_t pixels = std::int64_t(file_width) * file_height;
    if (pixels > std::numeric_limits<std::int32_t>::max())
        return -1;

    const std::int64_t stride = (std::int64_t(file_width) + 3) / 4 * 4;
    // The last row needs no padding after it.
    const std::int64_t needed = std::int64_t(kBmpPixelOffset) + (file_height - 1) * stride + file_width;
    if (std::uint64_t(needed) > length)
        return -1;

    std::vector<unsigned char> grey;
    try {
        grey.resize(static_cast<std::size_t>(pixels));
    } catch (const std::bad_alloc &) {
        return -1;
    }
    // The file holds the bottom row first.
    const auto row_bytes = static_cast<std::size_t>(file_width);
    for (std::int32_t i = 0; i < file_height; ++i) {
        const unsigned char *source = file + kBmpPixelOffset + std::size_t(i) * std::size_t(stride);
        unsigned char *target = grey.data() + std::size_t(file_height - 1 - i) * row_bytes;
        std::memcpy(target, source, row_bytes);
    }
    image.swap(grey);
    width = file_width;
    height = file_height;
    return 1;
}

} // namespace ridge
