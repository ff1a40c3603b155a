// CRC-32C (Castagnoli polynomial, reflected, as in iSCSI and ext4) of the
// gallery file's records.
#ifndef RIDGESDK_SEARCH_CRC32C_H
#define RIDGESDK_SEARCH_CRC32C_H

#include <cstddef>
#include <cstdint>

namespace ridge {

// Continues a checksum: crc32c(crc32c(0, a), b) is the checksum of a then b.
uint32_t crc32c(uint32_t crc, const unsigned char *data, std::size_t size);

} // namespace ridge

#endif
