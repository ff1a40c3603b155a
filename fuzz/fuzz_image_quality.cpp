// getFpImgQuality on small arbitrary images.
#include "ridgesdk.h"

#include "fuzz_image_size.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const ridge_fuzz::FuzzImage image = ridge_fuzz::fuzz_image(data, size);
    double quality = -5.0;
    std::int32_t area = -5;
    const SdkStatus status =
        getFpImgQuality(image.pixels.data(), image.width, image.height, &quality, &area);
    if (status == FPT_FAILED) {
        FUZZ_REQUIRE(quality == 0.0 && area == -5);
        return 0;
    }
    FUZZ_REQUIRE(status == FPT_OK);
    FUZZ_REQUIRE(quality == 0.0 || (quality >= 25.0 && quality <= 100.0));
    // 64 pixels per usable 8 x 8 block, edge blocks cut short included.
    const std::int64_t blocks = std::int64_t(image.width + 7) / 8 * ((image.height + 7) / 8);
    FUZZ_REQUIRE(area >= 0 && area % 64 == 0 && area / 64 <= blocks);
    FUZZ_REQUIRE((quality == 0.0) == (area / 64 <= 100));
    return 0;
}
