#include "support/bitmap_builder.h"

#include <cstdlib>

namespace ridge_test {

namespace {

void put_le(std::vector<unsigned char> &b, std::size_t offset, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b[offset + std::size_t(i)] = static_cast<unsigned char>(value >> (8 * i));
}

} // namespace

uint8_t test_pixel(int32_t x, int32_t y) { return static_cast<uint8_t>((x * 7 + y * 13) % 251); }

std::vector<unsigned char> make_bitmap(const BitmapLayout &layout)
{
    const std::size_t width = std::size_t(std::abs(layout.width));
    const std::size_t height = std::size_t(std::abs(layout.height));
    const std::size_t stride = (width + 3) / 4 * 4;
    std::vector<unsigned char> b(1078 + stride * height, 0);
    b[0] = 'B';
    b[1] = 'M';
    put_le(b, 2, static_cast<uint32_t>(b.size()), 4);
    put_le(b, 10, 1078, 4);
    put_le(b, 14, 40, 4);
    put_le(b, 18, static_cast<uint32_t>(layout.width), 4);
    put_le(b, 22, static_cast<uint32_t>(layout.height), 4);
    put_le(b, 26, layout.planes, 2);
    put_le(b, 28, layout.bits_per_pixel, 2);
    put_le(b, 30, layout.compression, 4);
    put_le(b, 34, static_cast<uint32_t>(stride * height), 4);
    for (uint32_t i = 0; i < 256; ++i)
        put_le(b, 54 + 4 * i, i | i << 8 | i << 16, 4);
    for (std::size_t row = 0; row < height; ++row) {
        unsigned char *line = b.data() + 1078 + row * stride;
        const auto y = static_cast<int32_t>(height - 1 - row); // bottom row first
        for (std::size_t x = 0; x < stride; ++x)
            line[x] = x < width ? test_pixel(static_cast<int32_t>(x), y) : 0xee;
    }
    return b;
}

} // namespace ridge_test
