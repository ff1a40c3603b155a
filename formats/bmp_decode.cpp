#include "formats/bmp_decode.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace ridge {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kCoreHeaderBytes = 12;

std::uint32_t le32(const unsigned char *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

std::uint16_t le16(const unsigned char *p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

std::string number(std::uint64_t v) { return std::to_string(v); }
std::string number(std::int64_t v) { return std::to_string(v); }

bool known_info_header(std::uint32_t bytes)
{
    switch (bytes) {
    case 12:  // core
    case 40:  // the common one
    case 52:  // with colour masks
    case 56:  // with colour and alpha masks
    case 64:  // second OS/2 form
    case 108: // with colour space
    case 124: // with colour profile
        return true;
    default:
        return false;
    }
}

std::string compression_name(std::uint32_t method)
{
    switch (method) {
    case 1:
        return "RLE8";
    case 2:
        return "RLE4";
    case 3:
        return "bit fields";
    case 4:
        return "JPEG";
    case 5:
        return "PNG";
    default:
        return "method " + number(std::uint64_t(method));
    }
}

// What the headers say about the pixels.
struct Layout {
    std::int64_t width = 0;
    std::int64_t height = 0; // negative: rows stored top first
    std::uint32_t pixel_offset = 0;
    std::size_t palette_start = 0;
    std::size_t palette_entry_bytes = 4;
    std::uint64_t declared_colours = 256;
};

std::string read_layout(const unsigned char *data, std::size_t size, Layout *layout)
{
    if (data == nullptr || size < kFileHeaderBytes + 4)
        return "file of " + number(std::uint64_t(size)) + " bytes is too short for a bitmap header";
    if (data[0] != 'B' || data[1] != 'M')
        return "not a bitmap: the file does not start with BM";
    layout->pixel_offset = le32(data + 10);
    const std::uint32_t info_bytes = le32(data + 14);
    if (!known_info_header(info_bytes))
        return "unknown bitmap information header of " + number(std::uint64_t(info_bytes)) + " bytes";
    if (size < kFileHeaderBytes + info_bytes)
        return "file of " + number(std::uint64_t(size)) + " bytes ends inside its " +
               number(std::uint64_t(info_bytes)) + "-byte information header";
    const unsigned char *info = data + kFileHeaderBytes;
    std::uint16_t planes = 0;
    std::uint16_t bits = 0;
    std::uint32_t compression = 0;
    if (info_bytes == kCoreHeaderBytes) {
        layout->width = le16(info + 4);
        layout->height = le16(info + 6);
        planes = le16(info + 8);
        bits = le16(info + 10);
        layout->palette_entry_bytes = 3;
    } else {
        layout->width = static_cast<std::int32_t>(le32(info + 4));
        layout->height = static_cast<std::int32_t>(le32(info + 8));
        planes = le16(info + 12);
        bits = le16(info + 14);
        compression = le32(info + 16);
        const std::uint32_t used = le32(info + 32);
        if (used != 0)
            layout->declared_colours = used;
    }
    layout->palette_start = kFileHeaderBytes + info_bytes;

    if (planes != 1)
        return number(std::uint64_t(planes)) + " colour planes; a bitmap has 1";
    if (bits != 8)
        return number(std::uint64_t(bits)) + " bits per pixel; only 8-bit bitmaps are read";
    if (compression != 0)
        return "compressed pixel data (" + compression_name(compression) +
               "); only uncompressed bitmaps are read";
    if (layout->width <= 0)
        return "width of " + number(layout->width) + " pixels";
    if (layout->height == 0)
        return "height of 0 pixels";
    const std::int64_t rows = layout->height < 0 ? -layout->height : layout->height;
    if (layout->width * rows > std::numeric_limits<std::int32_t>::max())
        return number(layout->width) + " x " + number(rows) + " pixels are more than an image holds";
    if (layout->declared_colours > 256)
        return "palette of " + number(layout->declared_colours) + " colours; 8-bit pixels index 256";
    if (layout->pixel_offset < layout->palette_start)
        return "pixel data offset " + number(std::uint64_t(layout->pixel_offset)) +
               " lies inside the headers";
    if (layout->pixel_offset >= size)
        return "pixel data offset " + number(std::uint64_t(layout->pixel_offset)) +
               " lies past the end of the file (" + number(std::uint64_t(size)) + " bytes)";
    return "";
}

// Grey level of each index; entries past the palette are marked invalid.
struct GreyTable {
    std::array<unsigned char, 256> grey{};
    std::size_t colours = 256; // valid indices: 0 .. colours - 1
    bool identity = true;
};

GreyTable grey_table(const unsigned char *data, const Layout &layout)
{
    GreyTable table;
    for (std::size_t i = 0; i < 256; ++i)
        table.grey[i] = static_cast<unsigned char>(i);
    // The palette is what fits between the headers and the pixels.
    const std::size_t room = (layout.pixel_offset - layout.palette_start) / layout.palette_entry_bytes;
    const std::size_t entries = std::min<std::size_t>(room, std::size_t(layout.declared_colours));
    if (entries == 0)
        return table; // no palette: the bytes are grey levels
    const unsigned char *palette = data + layout.palette_start;
    auto colour_of = [&](std::size_t i) {
        const unsigned char *e = palette + i * layout.palette_entry_bytes;
        return std::uint32_t(e[0]) | std::uint32_t(e[1]) << 8 | std::uint32_t(e[2]) << 16;
    };
    bool one_colour = true;
    for (std::size_t i = 1; i < entries && one_colour; ++i)
        one_colour = colour_of(i) == colour_of(0);
    if (one_colour && entries > 1)
        return table; // a blank palette carries no image: bytes as grey levels
    table.colours = entries;
    for (std::size_t i = 0; i < entries; ++i) {
        const unsigned char *e = palette + i * layout.palette_entry_bytes; // blue, green, red
        const unsigned level = (299u * e[2] + 587u * e[1] + 114u * e[0] + 500u) / 1000u;
        table.grey[i] = static_cast<unsigned char>(level);
        table.identity = table.identity && level == i;
    }
    table.identity = table.identity && entries == 256;
    return table;
}

} // namespace

std::string decodeBmp8(const unsigned char *data, std::size_t size, GreyImage *out)
{
    Layout layout;
    const std::string reason = read_layout(data, size, &layout);
    if (!reason.empty())
        return reason;

    const bool top_down = layout.height < 0;
    const std::int64_t rows = top_down ? -layout.height : layout.height;
    const std::uint64_t width = std::uint64_t(layout.width);
    const std::uint64_t stride = (width + 3) / 4 * 4;
    // The last row needs no padding after it.
    const std::uint64_t needed = layout.pixel_offset + std::uint64_t(rows - 1) * stride + width;
    if (needed > size)
        return "file of " + number(std::uint64_t(size)) + " bytes ends inside the pixel rows, which need " +
               number(needed) + " bytes";

    const GreyTable table = grey_table(data, layout);
    GreyImage image;
    image.width = static_cast<std::int32_t>(layout.width);
    image.height = static_cast<std::int32_t>(rows);
    try {
        image.pixels.resize(std::size_t(width) * std::size_t(rows));
    } catch (const std::bad_alloc &) {
        return "not enough memory for " + number(layout.width) + " x " + number(rows) + " pixels";
    }
    const std::size_t row_bytes = std::size_t(width);
    for (std::int64_t i = 0; i < rows; ++i) {
        const unsigned char *source = data + layout.pixel_offset + std::size_t(i) * std::size_t(stride);
        const std::int64_t target_row = top_down ? i : rows - 1 - i;
        unsigned char *target = image.pixels.data() + std::size_t(target_row) * row_bytes;
        if (table.identity) {
            std::memcpy(target, source, row_bytes);
            continue;
        }
        for (std::size_t x = 0; x < row_bytes; ++x) {
            const unsigned char index = source[x];
            if (index >= table.colours)
                return "pixel value " + number(std::uint64_t(index)) + " lies beyond the palette of " +
                       number(std::uint64_t(table.colours)) + " colours";
            target[x] = table.grey[index];
        }
    }
    *out = std::move(image);
    return "";
}

} // namespace ridge
