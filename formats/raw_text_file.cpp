#include "formats/raw_text_file.h"

#include "formats/raw_minutiae.h"
#include "formats/raw_text_scanner.h"

#include <cstdint>
#include <cstdlib>

namespace ridge {

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
    RawTextScanner<StreamChars> scanner{StreamChars(stream)};
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
        if (std::feof(stream) != 0 || !scanner.read_minutia_line(m)) {
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
