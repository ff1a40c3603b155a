#include "formats/packed_template.h"

#include "formats/output_block.h"
#include "formats/raw_minutiae.h"

#include <cstring>

namespace ridge {

std::uint32_t encode_packed_word(const RawMinutia &minutia)
{
    // Unsigned arithmetic, so an out-of-range field wraps instead of
    // overflowing; callers keep the fields in range.
    return static_cast<std::uint32_t>(minutia.type) + 4u * static_cast<std::uint32_t>(minutia.x) +
           4096u * static_cast<std::uint32_t>(minutia.y) +
           4194304u * static_cast<std::uint32_t>(minutia.angle);
}

RawMinutia decode_packed_word(std::uint32_t word)
{
    return RawMinutia{static_cast<std::int32_t>(word & 3u),
                      static_cast<std::int32_t>((word >> 2) & 0x3ffu),
                      static_cast<std::int32_t>((word >> 12) & 0x3ffu),
                      static_cast<std::int32_t>((word >> 22) & 0x1ffu)};
}

bool fits_packed_word(const RawMinutia &m)
{
    return m.type >= 0 && m.type <= 3 && m.x >= 0 && m.x <= 1023 && m.y >= 0 && m.y <= 1023 &&
           m.angle >= 0 && m.angle <= 511;
}

SdkStatus pack_raw_template(const TemplateBuffer &raw, TemplateBuffer &packed)
{
    const std::size_t count = raw_minutia_count(raw.size);
    for (std::size_t i = 0; i < count; ++i) {
        if (!fits_packed_word(read_raw_minutia(raw.data, i)))
            return FPT_ERR_SIZE;
    }
    unsigned char *block = allocate_output_block(count * kPackedWordBytes);
    if (block == nullptr)
        return FPT_FAILED;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t word = encode_packed_word(read_raw_minutia(raw.data, i));
        std::memcpy(block + i * kPackedWordBytes, &word, kPackedWordBytes);
    }
    packed.data = block;
    packed.size = static_cast<std::uint32_t>(count * kPackedWordBytes);
    packed.format = FPT_FORMAT_PACKED;
    return FPT_OK;
}

SdkStatus unpack_packed_template(const TemplateBuffer &packed, TemplateBuffer &raw)
{
    const std::size_t count = packed.size / kPackedWordBytes;
    unsigned char *block = allocate_output_block(count * kRawMinutiaBytes);
    if (block == nullptr)
        return FPT_FAILED;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t word = 0;
        std::memcpy(&word, packed.data + i * kPackedWordBytes, kPackedWordBytes);
        write_raw_minutia(block, i, decode_packed_word(word));
    }
    raw.data = block;
    raw.size = static_cast<std::uint32_t>(count * kRawMinutiaBytes);
    raw.format = FPT_FORMAT_RAW;
    return FPT_OK;
}

} // namespace ridge
