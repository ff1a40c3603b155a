// RawMinutia records as they lie in a raw template block: four signed
// 32-bit little-endian fields each, at any alignment.
#ifndef RIDGESDK_FORMATS_RAW_MINUTIAE_H
#define RIDGESDK_FORMATS_RAW_MINUTIAE_H

#include "ridgesdk.h"

#include <cstddef>
#include <cstdint>

namespace ridge {

constexpr std::size_t kRawMinutiaBytes = 16;
constexpr std::uint32_t kMaxRawBytes = FPT_MAX_MINUTIAE * kRawMinutiaBytes;

// Number of whole records in a raw block of the given size.
inline std::size_t raw_minutia_count(std::uint32_t size) { return size / kRawMinutiaBytes; }

RawMinutia read_raw_minutia(const unsigned char *block, std::size_t index);
void write_raw_minutia(unsigned char *block, std::size_t index, const RawMinutia &minutia);

} // namespace ridge

#endif
