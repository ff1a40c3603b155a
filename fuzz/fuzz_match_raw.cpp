// matchRawFPTs on two arbitrary raw templates: any type, coordinate and
// angle, at any size up to a little past the bound.
#include "ridgesdk.h"

#include "fuzz_input.h"

#include <cmath>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ridge_fuzz::InputReader input(data, size);
    // The first two bytes split the rest into the two templates; the third
    // picks rare format tags.
    const std::size_t split = input.u16();
    const std::uint8_t tags = input.byte();
    const std::size_t rest = input.remaining();
    const std::size_t first_size = rest == 0 ? 0 : split % (rest + 1);
    std::vector<unsigned char> first(input.rest(), input.rest() + first_size);
    std::vector<unsigned char> second(input.rest() + first_size, input.rest() + rest);

    TemplateBuffer a{first.empty() ? nullptr : first.data(), static_cast<std::uint32_t>(first.size()),
                     (tags & 0x0f) == 0x0f ? FPT_FORMAT_PACKED : FPT_FORMAT_RAW};
    TemplateBuffer b{second.empty() ? nullptr : second.data(),
                     static_cast<std::uint32_t>(second.size()),
                     (tags & 0xf0) == 0xf0 ? FPT_FORMAT_FMR378 : FPT_FORMAT_RAW};
    double score = -1.0;
    const SdkStatus status = matchRawFPTs(&a, &b, &score);
    if (a.format != FPT_FORMAT_RAW || b.format != FPT_FORMAT_RAW) {
        FUZZ_REQUIRE(status == FPT_ERR_FORMAT && score == 0.0);
        return 0;
    }
    if (a.size > 2048 || b.size > 2048) {
        FUZZ_REQUIRE(status == FPT_ERR_SIZE && score == 0.0);
        return 0;
    }
    FUZZ_REQUIRE(status == FPT_OK);
    FUZZ_REQUIRE(std::isfinite(score) && score >= 0.0);
    if (a.size < 16 || b.size < 16)
        FUZZ_REQUIRE(score == 0.0);

    // One pair always gets one score.
    double again = -1.0;
    FUZZ_REQUIRE(matchRawFPTs(&a, &b, &again) == FPT_OK);
    FUZZ_REQUIRE(again == score);
    return 0;
}
