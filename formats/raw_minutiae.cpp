#include "formats/raw_minutiae.h"

namespace ridge {

namespace {

std::int32_t read_le32(const unsigned char *p)
{
    const std::uint32_t v = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                            std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    return static_cast<std::int32_t>(v);
}

void write_le32(unsigned char *p, std::int32_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

} // namespace

RawMinutia read_raw_minutia(const unsigned char *block, std::size_t index)
{
    const unsigned char *p = block + index * kRawMinutiaBytes;
    return RawMinutia{read_le32(p), read_le32(p + 4), read_le32(p + 8), read_le32(p + 12)};
}

void write_raw_minutia(unsigned char *block, std::size_t index, const RawMinutia &minutia)
{
    unsigned char *p = block + index * kRawMinutiaBytes;
    write_le32(p, minutia.type);
    write_le32(p + 4, minutia.x);
    write_le32(p + 8, minutia.y);
    write_le32(p + 12, minutia.angle);
}

} // namespace ridge
