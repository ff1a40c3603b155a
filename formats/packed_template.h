// The packed template: one 32-bit word per minutia, native byte order.
// Bits 0-1 type, 2-11 x, 12-21 y, 22-30 angle in degrees, 31 unused.
#ifndef RIDGESDK_FORMATS_PACKED_TEMPLATE_H
#define RIDGESDK_FORMATS_PACKED_TEMPLATE_H

#include "ridgesdk.h"

#include <cstdint>

namespace ridge {

constexpr std::uint32_t kPackedWordBytes = 4;
constexpr std::uint32_t kMaxPackedBytes = FPT_MAX_MINUTIAE * kPackedWordBytes;

// The word as the sum type + 4x + 4096y + 4194304angle. Only fields that
// pass fits_packed_word come out as the bit layout above.
std::uint32_t encode_packed_word(const RawMinutia &minutia);
RawMinutia decode_packed_word(std::uint32_t word);
// type 0..3, x and y 0..1023, angle 0..511.
bool fits_packed_word(const RawMinutia &minutia);

// Conversions behind the exports, which have checked the output record and
// the input's tag and size bound. On any failure the output is untouched.
// Refuses with FPT_ERR_SIZE a minutia whose fields do not fit their bits,
// since the sum would silently change its neighbouring field.
SdkStatus pack_raw_template(const TemplateBuffer &raw, TemplateBuffer &packed);
SdkStatus unpack_packed_template(const TemplateBuffer &packed, TemplateBuffer &raw);

} // namespace ridge

#endif
