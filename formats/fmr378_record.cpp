#include "formats/fmr378_record.h"

#include "formats/output_block.h"
#include "formats/raw_minutiae.h"

#include <cstring>

namespace ridge {

namespace {

const unsigned char kFormatId[4] = {'F', 'M', 'R', 0};
const unsigned char kVersion[4] = {' ', '2', '0', 0};
constexpr std::uint16_t kMaxRecordLength = 4500;
constexpr unsigned kTypeBifurcationBits = 2; // binary 10 in the top two bits
constexpr unsigned kTypeRidgeEndingBits = 1; // binary 01

std::uint16_t read_be16(const unsigned char *p)
{
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

void write_be16(unsigned char *p, unsigned value)
{
    p[0] = static_cast<unsigned char>(value >> 8);
    p[1] = static_cast<unsigned char>(value);
}

bool is_valid_impression_type(unsigned value)
{
    return value <= 3 || value == 8 || value == 9;
}

// Only the low byte of each header argument counts.
unsigned low_byte(std::int32_t value) { return static_cast<std::uint32_t>(value) & 0xffu; }

} // namespace

SdkStatus check_fmr_view_values(std::int32_t finger_quality, std::int32_t finger_position,
                                std::int32_t impression_type)
{
    if (low_byte(finger_quality) > 100)
        return FPT_ERR_QUALITY;
    if (low_byte(finger_position) > 10)
        return FPT_ERR_FINGER_POSITION;
    if (!is_valid_impression_type(low_byte(impression_type)))
        return FPT_ERR_IMPRESSION;
    return FPT_OK;
}

FmrViewValues fmr_view_values(std::int32_t finger_quality, std::int32_t finger_position,
                              std::int32_t impression_type, std::int32_t image_height,
                              std::int32_t image_width)
{
    return FmrViewValues{static_cast<std::uint8_t>(low_byte(finger_quality)),
                         static_cast<std::uint8_t>(low_byte(finger_position)),
                         static_cast<std::uint8_t>(low_byte(impression_type)),
                         static_cast<std::uint16_t>(static_cast<std::uint32_t>(image_height)),
                         static_cast<std::uint16_t>(static_cast<std::uint32_t>(image_width))};
}

SdkStatus write_fmr378_record(const TemplateBuffer &raw, const FmrViewValues &view,
                              TemplateBuffer &record)
{
    const std::size_t count = raw_minutia_count(raw.size);
    if (count > FPT_MAX_MINUTIAE)
        return FPT_ERR_SIZE;
    const std::size_t length = kFmrHeaderBytes + kFmrMinutiaBytes * count + kFmrTrailerBytes;
    unsigned char *block = allocate_output_block(length);
    if (block == nullptr)
        return FPT_FAILED;
    std::memset(block, 0, length);

    std::memcpy(block, kFormatId, 4);
    std::memcpy(block + 4, kVersion, 4);
    write_be16(block + 8, static_cast<unsigned>(length));
    write_be16(block + 10, 0x0001); // CBEFF product owner
    write_be16(block + 16, view.image_width);
    write_be16(block + 18, view.image_height);
    write_be16(block + 20, kFmrResolution);
    write_be16(block + 22, kFmrResolution);
    block[24] = 1; // one finger view
    block[26] = view.finger_position;
    block[27] = static_cast<unsigned char>(view.impression_type & 0x0fu); // view number 0
    block[28] = view.finger_quality;
    block[29] = static_cast<unsigned char>(count);

    for (std::size_t i = 0; i < count; ++i) {
        const RawMinutia m = read_raw_minutia(raw.data, i);
        unsigned char *p = block + kFmrHeaderBytes + i * kFmrMinutiaBytes;
        const unsigned type_bits =
            m.type == FPT_MINUTIA_BIFURCATION ? kTypeBifurcationBits : kTypeRidgeEndingBits;
        write_be16(p, type_bits << 14 | (static_cast<std::uint32_t>(m.x) & 0x3fffu));
        write_be16(p + 2, static_cast<std::uint32_t>(m.y) & 0x3fffu);
        // Units of two degrees, truncated toward zero, kept to one byte.
        p[4] = static_cast<unsigned char>(static_cast<std::uint32_t>(m.angle / 2) & 0xffu);
        p[5] = 0; // minutia quality
    }
    // The trailing extended data length stays 0 from the memset.

    record.data = block;
    record.size = static_cast<std::uint32_t>(length);
    record.format = FPT_FORMAT_FMR378;
    return FPT_OK;
}

SdkStatus read_fmr378_record(const TemplateBuffer &record, TemplateBuffer &raw)
{
    // The header fields are read only from a buffer that holds them all.
    if (record.data == nullptr || record.size < kFmrHeaderBytes)
        return FPT_ERR_FMR_LENGTH;
    const unsigned char *p = record.data;
    if (std::memcmp(p, kFormatId, 4) != 0)
        return FPT_ERR_FMR_FORMAT_ID;
    if (std::memcmp(p + 4, kVersion, 4) != 0)
        return FPT_ERR_FMR_VERSION;
    // Length minus one as unsigned 16 bits, so a length of 0 fails too.
    if (static_cast<std::uint16_t>(read_be16(p + 8) - 1) > kMaxRecordLength - 1)
        return FPT_ERR_FMR_LENGTH;
    if (read_be16(p + 20) != kFmrResolution || read_be16(p + 22) != kFmrResolution)
        return FPT_ERR_FMR_RESOLUTION;
    if (p[24] > 1)
        return FPT_ERR_FMR_VIEWS;
    const std::size_t count = p[29];
    if (count > FPT_MAX_MINUTIAE)
        return FPT_ERR_SIZE;
    // The header is trusted for the count, but never read past the buffer.
    if (record.size < kFmrHeaderBytes + kFmrMinutiaBytes * count)
        return FPT_ERR_FMR_LENGTH;

    unsigned char *block = allocate_output_block(count * kRawMinutiaBytes);
    if (block == nullptr)
        return FPT_FAILED;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char *q = p + kFmrHeaderBytes + i * kFmrMinutiaBytes;
        const std::uint16_t type_and_x = read_be16(q);
        const bool bifurcation = (type_and_x >> 14) == kTypeBifurcationBits;
        const RawMinutia m{bifurcation ? FPT_MINUTIA_BIFURCATION : FPT_MINUTIA_RIDGE_ENDING,
                           type_and_x & 0x3fff, read_be16(q + 2) & 0x3fff, q[4] * 2};
        write_raw_minutia(block, i, m);
    }
    raw.data = block;
    raw.size = static_cast<std::uint32_t>(count * kRawMinutiaBytes);
    raw.format = FPT_FORMAT_RAW;
    return FPT_OK;
}

} // namespace ridge
