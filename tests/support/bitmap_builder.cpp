#include "support/bitmap_builder.h"

#include <cstdlib>

namespace ridge_test {

namespace {

void put_le(std::vector<unsigned char> &b, std::size_t offset, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b[offset + std::size_t(i)] = static_cast<unsigned char>(value >> (8 * i));
}

std::size_t palette_entries(const BitmapLayout &layout)
{
    return layout.palette.empty() ? 256 : layout.palette.size();
}

std::size_t entry_bytes(const BitmapLayout &layout) { return layout.info_header_bytes == 12 ? 3 : 4; }

} // namespace

uint8_t test_pixel(int32_t x, int32_t y) { return static_cast<uint8_t>((x * 7 + y * 13) % 251); }

uint32_t pixel_offset(const BitmapLayout &layout)
{
    return static_cast<uint32_t>(14 + layout.info_header_bytes + palette_entries(layout) * entry_bytes(layout) +
                                 layout.gap);
}

std::vector<unsigned char> make_bitmap(const BitmapLayout &layout)
{
    const std::size_t width = std::size_t(std::abs(layout.width));
    const std::size_t height = std::size_t(std::abs(layout.height));
    const std::size_t stride = (width + 3) / 4 * 4;
    const std::size_t offset = pixel_offset(layout);
    std::vector<unsigned char> b(offset + stride * height, 0);
    b[0] = 'B';
    b[1] = 'M';
    put_le(b, 2, static_cast<uint32_t>(b.size()), 4);
    put_le(b, 10, static_cast<uint32_t>(offset), 4);
    put_le(b, 14, layout.info_header_bytes, 4);
    if (layout.info_header_bytes == 12) {
        put_le(b, 18, static_cast<uint32_t>(layout.width), 2);
        put_le(b, 20, static_cast<uint32_t>(layout.height), 2);
        put_le(b, 22, layout.planes, 2);
        put_le(b, 24, layout.bits_per_pixel, 2);
    } else {
        put_le(b, 18, static_cast<uint32_t>(layout.width), 4);
        put_le(b, 22, static_cast<uint32_t>(layout.height), 4);
        put_le(b, 26, layout.planes, 2);
        put_le(b, 28, layout.bits_per_pixel, 2);
        put_le(b, 30, layout.compression, 4);
        put_le(b, 34, static_cast<uint32_t>(stride * height), 4);
        const int64_t used = layout.colours_used >= 0 ? layout.colours_used : int64_t(palette_entries(layout));
        put_le(b, 46, static_cast<uint32_t>(used), 4);
    }
    const std::size_t palette_start = 14 + layout.info_header_bytes;
    for (std::size_t i = 0; i < palette_entries(layout); ++i) {
        const uint32_t colour = layout.palette.empty() ? uint32_t(i | i << 8 | i << 16) : layout.palette[i];
        put_le(b, palette_start + entry_bytes(layout) * i, colour, int(entry_bytes(layout)));
    }
    for (std::size_t row = 0; row < height; ++row) {
        unsigned char *line = b.data() + offset + row * stride;
        const auto y = static_cast<int32_t>(layout.height < 0 ? row : height - 1 - row);
        for (std::size_t x = 0; x < stride; ++x) {
            const auto column = static_cast<int32_t>(x);
            line[x] = x >= width                ? 0xee
                      : layout.stored ? layout.stored(column, y)
                                      : test_pixel(column, y);
        }
    }
    return b;
}

} // namespace ridge_test
