// The reading rules of the raw template's text form, over a stream or a
// block in memory: the way the conversions "%d\n" and "%d, %d, %d, %d\n"
// read. White space before a number is skipped, a comma must follow a
// number directly, and any white space (line ends included) may follow a
// comma or end a line.
#ifndef RIDGESDK_FORMATS_RAW_TEXT_SCANNER_H
#define RIDGESDK_FORMATS_RAW_TEXT_SCANNER_H

#include "formats/raw_minutiae.h"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace ridge {

// Characters of an open stream: get() gives the next or EOF, unget(c)
// puts back the one just got.
class StreamChars {
public:
    explicit StreamChars(std::FILE *stream) : stream_(stream) {}
    int get() { return std::getc(stream_); }
    void unget(int c) { std::ungetc(c, stream_); }

private:
    std::FILE *stream_;
};

// Characters of a block in memory, the same way.
class MemoryChars {
public:
    MemoryChars(const unsigned char *text, std::size_t size) : text_(text), size_(size) {}
    int get() { return at_ < size_ ? text_[at_++] : EOF; }
    void unget(int) { --at_; }

private:
    const unsigned char *text_;
    std::size_t size_;
    std::size_t at_ = 0;
};

template <class Chars> class RawTextScanner {
public:
    explicit RawTextScanner(Chars chars) : chars_(chars) {}

    void skip_white_space()
    {
        int c = chars_.get();
        while (c != EOF && std::isspace(c))
            c = chars_.get();
        if (c != EOF)
            chars_.unget(c);
    }

    // A signed decimal number; false when none is there or it does not fit.
    bool read_int(std::int32_t &value)
    {
        skip_white_space();
        int c = chars_.get();
        const bool negative = c == '-';
        if (c == '-' || c == '+')
            c = chars_.get();
        if (c == EOF || !std::isdigit(c)) {
            if (c != EOF)
                chars_.unget(c);
            return false;
        }
        // Digits beyond what an int32 holds are still consumed, as one number.
        constexpr std::int64_t kLimit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
        std::int64_t magnitude = 0;
        while (c != EOF && std::isdigit(c)) {
            if (magnitude <= kLimit)
                magnitude = magnitude * 10 + (c - '0');
            c = chars_.get();
        }
        if (c != EOF)
            chars_.unget(c);
        const std::int64_t signed_value = negative ? -magnitude : magnitude;
        if (signed_value > std::numeric_limits<std::int32_t>::max() ||
            signed_value < std::numeric_limits<std::int32_t>::min())
            return false;
        value = static_cast<std::int32_t>(signed_value);
        return true;
    }

    bool expect(char wanted)
    {
        const int c = chars_.get();
        if (c == static_cast<unsigned char>(wanted))
            return true;
        if (c != EOF)
            chars_.unget(c);
        return false;
    }

    // One "type, x, y, angle" line and the white space after it.
    bool read_minutia_line(RawMinutia &m)
    {
        std::int32_t *fields[4] = {&m.type, &m.x, &m.y, &m.angle};
        for (int i = 0; i < 4; ++i) {
            if (i > 0 && !expect(','))
                return false;
            if (!read_int(*fields[i]))
                return false;
        }
        skip_white_space();
        return true;
    }

private:
    Chars chars_;
};

} // namespace ridge

#endif
