#include "search/crc32c.h"

#include <array>

namespace ridge {

namespace {

constexpr uint32_t kPolynomial = 0x82F63B78u; // reflected 0x1EDC6F41

// Eight tables: table[k][b] is the checksum of byte b followed by k zero
// bytes, so eight bytes are folded in per step.
struct Tables {
    uint32_t t[8][256];
};

constexpr Tables make_tables()
{
    Tables tables{};
    for (uint32_t b = 0; b < 256; ++b) {
        uint32_t c = b;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1u) ? (c >> 1) ^ kPolynomial : c >> 1;
        tables.t[0][b] = c;
    }
    for (int k = 1; k < 8; ++k)
        for (uint32_t b = 0; b < 256; ++b) {
            const uint32_t prev = tables.t[k - 1][b];
            tables.t[k][b] = (prev >> 8) ^ tables.t[0][prev & 0xFFu];
        }
    return tables;
}

constexpr Tables kTables = make_tables();

} // namespace

uint32_t crc32c(uint32_t crc, const unsigned char *data, std::size_t size)
{
    const auto &t = kTables.t;
    uint32_t c = ~crc;
    while (size >= 8) {
        const uint32_t low = c ^ (uint32_t{data[0]} | uint32_t{data[1]} << 8 |
                                  uint32_t{data[2]} << 16 | uint32_t{data[3]} << 24);
        c = t[7][low & 0xFFu] ^ t[6][(low >> 8) & 0xFFu] ^ t[5][(low >> 16) & 0xFFu] ^
            t[4][low >> 24] ^ t[3][data[4]] ^ t[2][data[5]] ^ t[1][data[6]] ^ t[0][data[7]];
        data += 8;
        size -= 8;
    }
    while (size-- > 0)
        c = (c >> 8) ^ t[0][(c ^ *data++) & 0xFFu];
    return ~c;
}

} // namespace ridge
