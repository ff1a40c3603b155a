// Big-endian byte building for interchange records laid out by hand in
// the tests, independently of the writers under test.
#ifndef RIDGESDK_TESTS_RECORD_BUILDER_H
#define RIDGESDK_TESTS_RECORD_BUILDER_H

#include <cstddef>
#include <vector>

namespace ridge_test {

struct RecordBuilder {
    std::vector<unsigned char> bytes;

    RecordBuilder &text(const char *s, std::size_t n)
    {
        bytes.insert(bytes.end(), s, s + n);
        return *this;
    }
    RecordBuilder &u8(unsigned v)
    {
        bytes.push_back(static_cast<unsigned char>(v));
        return *this;
    }
    RecordBuilder &u16(unsigned v) { return u8(v >> 8).u8(v & 0xff); }
    RecordBuilder &u32(unsigned long v) { return u16(unsigned(v >> 16)).u16(unsigned(v & 0xffff)); }
    // A 6-byte minutia: type in the top two bits of x, angle and quality.
    RecordBuilder &minutia(unsigned type, unsigned x, unsigned y, unsigned angle, unsigned quality)
    {
        return u16(type << 14 | x).u16(y).u8(angle).u8(quality);
    }
    RecordBuilder &append(const std::vector<unsigned char> &more)
    {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    // Writes a 4-byte length at an offset.
    RecordBuilder &set32(std::size_t at, unsigned long v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[at + std::size_t(i)] = static_cast<unsigned char>(v >> (24 - 8 * i));
        return *this;
    }
};

} // namespace ridge_test

#endif
