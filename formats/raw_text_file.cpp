#include "formats/raw_text_file.h"

#include "formats/raw_minutiae.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace ridge {

namespace {

// Reads a text stream the way the conversions "%d\n" and
// "%d, %d, %d, %d\n" do: white space before a number is skipped, a comma
// must follow a number directly, and any white space (line ends included)
// may follow a comma or end a line.
class TextScanner {
public:
    explicit TextScanner(std::FILE *stream) : stream_(stream) {}

    void skip_white_space()
    {
        int c = std::getc(stream_);
        while (c != EOF && std::isspace(c))
            c = std::getc(stream_);
        if (c != EOF)
            std::ungetc(c, stream_);
    }

    // A signed decimal number; false when none is there or it does not fit.
    bool read_int(std::int32_t &value)
    {
        skip_white_space();
        int c = std::getc(stream_);
        const bool negative = c == '-';
        if (c == '-' || c == '+')
            c = std::getc(stream_);
        if (c == EOF || !std::isdigit(c)) {
            if (c != EOF)
                std::ungetc(c, stream_);
            return false;
        }
        // Digits beyond what an int32 holds are still consumed, as one number.
        constexpr std::int64_t kLimit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
        std::int64_t magnitude = 0;
        while (c != EOF && std::isdigit(c)) {
            if (magnitude <= kLimit)
                magnitude = magnitude * 10 + (c - '0');
            c = std::getc(stream_);
        }
        if (c != EOF)
            std::ungetc(c, stream_);
        const std::int64_t signed_value = negative ? -magnitude : magnitude;
        if (signed_value > std::numeric_limits<std::int32_t>::max() ||
            signed_value < std::numeric_limits<std::int32_t>::min())
            return false;
        value = static_cast<std::int32_t>(signed_value);
        return true;
    }

    bool expect(char wanted)
    {
        const int c = std::getc(stream_);
        if (c == static_cast<unsigned char>(wanted))
            return true;
        if (c != EOF)
            std::ungetc(c, stream_);
        return false;
    }

    bool at_end() const { return std::feof(stream_) != 0; }

private:
    std::FILE *stream_;
};

bool read_minutia_line(TextScanner &scanner, RawMinutia &m)
{
    std::int32_t *fields[4] = {&m.type, &m.x, &m.y, &m.angle};
    for (int i = 0; i < 4; ++i) {
        if (i > 0 && !scanner.expect(','))
            return false;
        if (!scanner.read_int(*fields[i]))
            return false;
    }
    scanner.skip_white_space();
    return true;
}

} // namespace

int save_raw_txt(const char *path, const TemplateBuffer *raw)
{
    // Text mode: each line ends the platform's way.
    std::FILE *file = std::fopen(path, "w");
    if (file == nullptr) {
        std::printf("\ncan't create file %s\n", path);
        return -2;
    }
    const std::size_t count = raw_minutia_count(raw->size);
    bool written = std::fprintf(file, "%d\n", static_cast<int>(count)) > 0;
    for (std::size_t i = 0; i < count; ++i) {
        const RawMinutia m = read_raw_minutia(raw->data, i);
        written = std::fprintf(file, "%d, %d, %d, %d\n", m.type, m.x, m.y, m.angle) > 0 && written;
    }
    // A full disk may show only when the last buffer is flushed.
    written = std::fclose(file) == 0 && written;
    return written ? 1 : -3;
}

int load_raw_txt(std::FILE *stream, TemplateBuffer *raw)
{
    TextScanner scanner(stream);
    std::int32_t count = 0;
    if (!scanner.read_int(count)) {
        // No count at all: the file is not a raw template.
        std::printf("\nWrong format line = %d\n", 0);
        std::fclose(stream);
        return -1;
    }
    scanner.skip_white_space();
    if (count > FPT_MAX_MINUTIAE) {
        std::printf("\ntoo many minutiae %d\n", count);
        std::fclose(stream);
        return -1;
    }
    // A negative count can have no block.
    unsigned char *block = count < 0 ? nullptr
                                     : static_cast<unsigned char *>(std::malloc(
                                           count == 0 ? 1 : std::size_t(count) * kRawMinutiaBytes));
    raw->data = block;
    if (block == nullptr) {
        std::fclose(stream);
        std::printf("Insufficient memory available\n");
        return -1;
    }

    int line = 0;
    while (line < count) {
        ++line;
        RawMinutia m{};
        // A file that ends before the count-th line is as wrong as a bad line.
        if (scanner.at_end() || !read_minutia_line(scanner, m)) {
            std::printf("\nWrong format line = %d\n", line);
            std::free(block);
            raw->data = nullptr;
            std::fclose(stream);
            return -1;
        }
        write_raw_minutia(block, std::size_t(line - 1), m);
    }
    std::fclose(stream);
    raw->size = static_cast<std::uint32_t>(count) * static_cast<std::uint32_t>(kRawMinutiaBytes);
    raw->format = FPT_FORMAT_RAW;
    return 1;
}

} // namespace ridge
