// The checks shared by the fuzz targets of the record readers: any bytes
// of any length, copied into a block of exactly their size so that a read
// past them is caught, read as views 0 and 1 of one record format.
#ifndef RIDGESDK_FUZZ_FUZZ_RECORD_READER_H
#define RIDGESDK_FUZZ_FUZZ_RECORD_READER_H

#include "ridgeinterop.h"

#include "fuzz_input.h"

#include <cstring>
#include <vector>

namespace ridge_fuzz {

inline void read_and_rewrite(int32_t format, const std::uint8_t *data, std::size_t size, int32_t view)
{
    std::vector<unsigned char> bytes(data, data + size);
    TemplateBuffer raw{nullptr, 0, -3};
    ridge_record_info info{};
    const int32_t status = ridge_record_read(bytes.empty() ? nullptr : bytes.data(), size, format, view,
                                             &raw, &info);
    if (status != RIDGE_OK) {
        // Every refusal says why and leaves the output as it was.
        FUZZ_REQUIRE(raw.data == nullptr && raw.size == 0 && raw.format == -3);
        FUZZ_REQUIRE(ridge_last_error()[0] != '\0');
        return;
    }
    FUZZ_REQUIRE(raw.format == FPT_FORMAT_RAW && raw.data != nullptr);
    FUZZ_REQUIRE(raw.size % 16 == 0 && raw.size <= 16u * FPT_MAX_MINUTIAE);
    FUZZ_REQUIRE(ridge_check_template(&raw) == RIDGE_OK); // what is read can be matched
    FUZZ_REQUIRE(info.view_count > view);

    // Written again in the same format and read back, the minutiae do not
    // move: the units of the record survive the trip through the template.
    TemplateBuffer again{nullptr, 0, 0};
    FUZZ_REQUIRE(ridge_record_write(&raw, format, nullptr, &again) == RIDGE_OK);
    TemplateBuffer back{nullptr, 0, 0};
    FUZZ_REQUIRE(ridge_record_read(again.data, again.size, format, 0, &back, nullptr) == RIDGE_OK);
    FUZZ_REQUIRE(back.size == raw.size);
    FUZZ_REQUIRE(std::memcmp(back.data, raw.data, raw.size) == 0);
    ridge_free(back.data);
    ridge_free(again.data);
    ridge_free(raw.data);
}

inline int fuzz_record_reader(int32_t format, const std::uint8_t *data, std::size_t size)
{
    read_and_rewrite(format, data, size, 0);
    read_and_rewrite(format, data, size, 1);
    std::vector<unsigned char> bytes(data, data + size);
    int32_t detected = 0;
    if (ridge_record_detect(bytes.empty() ? nullptr : bytes.data(), size, &detected) == RIDGE_OK)
        FUZZ_REQUIRE(detected != RIDGE_FORMAT_ISO_CARD && ridge_record_format_name(detected) != nullptr);
    return 0;
}

} // namespace ridge_fuzz

#endif
