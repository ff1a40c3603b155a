// Position of the lowest set bit of a non-zero word, for the matcher's
// bitmask walks.
#ifndef RIDGESDK_MATCHER_BIT_SCAN_H
#define RIDGESDK_MATCHER_BIT_SCAN_H

#include <cstdint>

namespace ridge {

inline int lowest_set_bit(uint64_t bits)
{
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_ctzll(bits);
#else
    int n = 0;
    while ((bits & 1u) == 0) {
        bits >>= 1;
        ++n;
    }
    return n;
#endif
}

} // namespace ridge

#endif
