// PackedFTP_2_RawFPT on arbitrary words: every in-bound packed template
// converts, and packing the result gives back the words without bit 31.
#include "ridgesdk.h"

#include "fuzz_input.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::vector<unsigned char> bytes(data, data + size);
    TemplateBuffer packed{bytes.empty() ? nullptr : bytes.data(), static_cast<std::uint32_t>(size),
                          FPT_FORMAT_PACKED};
    TemplateBuffer raw{nullptr, 0, FPT_FORMAT_FMR378};
    const SdkStatus status = PackedFTP_2_RawFPT(&packed, &raw);
    if (size > 512) {
        FUZZ_REQUIRE(status == FPT_ERR_SIZE);
        FUZZ_REQUIRE(raw.data == nullptr && raw.format == FPT_FORMAT_FMR378);
        return 0;
    }
    FUZZ_REQUIRE(status == FPT_OK);
    const std::size_t words = size / 4;
    FUZZ_REQUIRE(raw.format == FPT_FORMAT_RAW && raw.size == 16 * words);

    TemplateBuffer repacked{nullptr, 0, 0};
    FUZZ_REQUIRE(RawFPT_2_PackedFTP(&raw, &repacked) == FPT_OK);
    FUZZ_REQUIRE(repacked.size == 4 * words);
    for (std::size_t i = 0; i < words; ++i) {
        std::uint32_t original = 0;
        std::uint32_t again = 0;
        std::memcpy(&original, bytes.data() + 4 * i, 4);
        std::memcpy(&again, repacked.data + 4 * i, 4);
        FUZZ_REQUIRE(again == (original & 0x7fffffffu));
    }
    free_FPAPI_mem(repacked.data);
    free_FPAPI_mem(raw.data);
    return 0;
}
