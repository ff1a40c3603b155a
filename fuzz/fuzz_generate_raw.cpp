// generateRawFPT on small arbitrary images.
#include "ridgesdk.h"

#include "fuzz_image_size.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const ridge_fuzz::FuzzImage image = ridge_fuzz::fuzz_image(data, size);
    TemplateBuffer raw{nullptr, 77, FPT_FORMAT_PACKED};
    const SdkStatus status = generateRawFPT(image.pixels.data(), image.width, image.height, &raw);
    FUZZ_REQUIRE(status == FPT_OK || status == FPT_FAILED);
    // Success or failure, the output is a raw template to release.
    FUZZ_REQUIRE(raw.format == FPT_FORMAT_RAW);
    FUZZ_REQUIRE(raw.size % 16 == 0 && raw.size <= 16u * FPT_MAX_MINUTIAE);
    if (status == FPT_FAILED)
        FUZZ_REQUIRE(raw.size == 0);
    for (std::uint32_t i = 0; i < raw.size / 16; ++i) {
        const auto *m = reinterpret_cast<const RawMinutia *>(raw.data) + i;
        FUZZ_REQUIRE(m->type == FPT_MINUTIA_RIDGE_ENDING || m->type == FPT_MINUTIA_BIFURCATION);
        FUZZ_REQUIRE(m->x >= 0 && m->x < image.width && m->y >= 0 && m->y < image.height);
        FUZZ_REQUIRE(m->angle >= 0 && m->angle <= 360);
    }
    free_FPAPI_mem(raw.data);
    return 0;
}
