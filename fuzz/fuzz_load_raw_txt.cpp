// load_raw_txt on arbitrary text, handed over as an in-memory stream.
#include "ridgesdk.h"

#include "formats/raw_text_file.h"
#include "fuzz_input.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // fmemopen wants at least one byte; an empty text is one blank.
    std::vector<char> text(data, data + size);
    if (text.empty())
        text.push_back(' ');
    std::FILE *stream = fmemopen(text.data(), text.size(), "r");
    if (stream == nullptr)
        return 0;
    TemplateBuffer raw{nullptr, 0, FPT_FORMAT_PACKED};
    const int status = ridge::load_raw_txt(stream, &raw); // closes the stream
    if (status != 1) {
        FUZZ_REQUIRE(status == -1);
        FUZZ_REQUIRE(raw.data == nullptr);
        return 0;
    }
    FUZZ_REQUIRE(raw.format == FPT_FORMAT_RAW);
    FUZZ_REQUIRE(raw.size % 16 == 0 && raw.size <= 16u * FPT_MAX_MINUTIAE);
    FUZZ_REQUIRE(raw.data != nullptr);
    // Every record the template claims is readable.
    unsigned sum = 0;
    for (std::uint32_t i = 0; i < raw.size; ++i)
        sum += raw.data[i];
    (void)sum;
    free_FPAPI_mem(raw.data);
    return 0;
}
