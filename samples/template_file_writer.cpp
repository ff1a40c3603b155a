#include "template_file_writer.h"

#include "formats/raw_text_file.h"
#include "tool_files.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace ridge {

namespace {

// Converts, then saves the converted block; the block is always released.
template <typename Convert>
int save_converted(const char *converter, Convert convert, const char *path)
{
    TemplateBuffer converted{nullptr, 0, 0};
    const SdkStatus status = convert(converted);
    if (status != FPT_OK) {
        std::printf("%s returned error code %d\n", converter, status);
        free_FPAPI_mem(converted.data);
        return status;
    }
    const int saved = save_file(path, converted.data, converted.size);
    free_FPAPI_mem(converted.data);
    return saved;
}

} // namespace

int parse_format_number(const char *text)
{
    const long value = std::strtol(text, nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

int write_template_file(int format, const TemplateBuffer &raw, double quality, int width,
                        int height, const char *path)
{
    switch (format) {
    case 1: {
        const int saved = save_raw_txt(path, &raw);
        if (saved == -3)
            std::printf("\ncan't write file %s\n", path);
        return saved;
    }
    case 2:
        return save_file(path, raw.data, raw.size);
    case 3:
        return save_converted(
            "RawFPT_2_PackedFTP",
            [&](TemplateBuffer &packed) { return RawFPT_2_PackedFTP(&raw, &packed); }, path);
    case 4: {
        // Nearest integer, then its low byte, as the record's finger quality.
        const double rounded = quality + 0.5;
        const bool representable = rounded > -2147483648.0 && rounded < 2147483648.0;
        const int finger_quality = representable ? static_cast<int>(rounded) & 0xff : 0;
        return save_converted(
            "RawFPT_2_FMR378FPT",
            [&](TemplateBuffer &record) {
                return RawFPT_2_FMR378FPT(&raw, finger_quality, 0, 0, height, width, &record);
            },
            path);
    }
    default:
        std::printf("format: 1=raw txt, 2=raw binary, 3=packed, 4=fmr378\n");
        return -1;
    }
}

} // namespace ridge
