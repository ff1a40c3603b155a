// FMR378FPT_2_RawFPT on arbitrary bytes of any length: the record is copied
// into a block of exactly its size so that any read past it is caught.
#include "ridgesdk.h"

#include "fuzz_input.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::vector<unsigned char> bytes(data, data + size);
    TemplateBuffer record{bytes.empty() ? nullptr : bytes.data(), static_cast<std::uint32_t>(size),
                          FPT_FORMAT_FMR378};
    TemplateBuffer raw{nullptr, 0, FPT_FORMAT_PACKED};
    const SdkStatus status = FMR378FPT_2_RawFPT(&record, &raw);
    if (status != FPT_OK) {
        // Every refusal leaves the output as it was.
        FUZZ_REQUIRE(raw.data == nullptr && raw.size == 0 && raw.format == FPT_FORMAT_PACKED);
        return 0;
    }
    FUZZ_REQUIRE(raw.format == FPT_FORMAT_RAW);
    FUZZ_REQUIRE(raw.size % 16 == 0 && raw.size <= 16u * FPT_MAX_MINUTIAE);
    FUZZ_REQUIRE(raw.size == 0 || raw.data != nullptr);
    // The announced minutiae were all in the buffer.
    FUZZ_REQUIRE(size >= 30u + 6u * (raw.size / 16));

    // What was read can be written again, with the same minutiae.
    TemplateBuffer again{nullptr, 0, 0};
    FUZZ_REQUIRE(RawFPT_2_FMR378FPT(&raw, 0, 0, 0, 0, 0, &again) == FPT_OK);
    FUZZ_REQUIRE(again.size == 32 + 6 * (raw.size / 16));
    TemplateBuffer back{nullptr, 0, 0};
    FUZZ_REQUIRE(FMR378FPT_2_RawFPT(&again, &back) == FPT_OK);
    FUZZ_REQUIRE(back.size == raw.size);
    FUZZ_REQUIRE(raw.size == 0 || std::memcmp(back.data, raw.data, raw.size) == 0);
    free_FPAPI_mem(back.data);
    free_FPAPI_mem(again.data);
    free_FPAPI_mem(raw.data);
    return 0;
}
