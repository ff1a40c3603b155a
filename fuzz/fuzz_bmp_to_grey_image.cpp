// bmp_to_grey_image on arbitrary files: the file is held in a block of
// exactly its length so that any read past it is caught.
#include "bmp_image.h"
#include "fuzz_input.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::vector<unsigned char> file(data, data + size);
    std::vector<unsigned char> image;
    std::int32_t width = -7;
    std::int32_t height = -7;
    const int status =
        ridge::bmp_to_grey_image(file.empty() ? nullptr : file.data(), file.size(), image, width, height);
    if (status != 1) {
        FUZZ_REQUIRE(status == -1);
        FUZZ_REQUIRE(image.empty() && width == -7 && height == -7);
        return 0;
    }
    FUZZ_REQUIRE(width > 0 && height > 0);
    FUZZ_REQUIRE(image.size() == std::size_t(width) * std::size_t(height));
    // The image's top row is the file's last row.
    const std::size_t stride = (std::size_t(width) + 3) / 4 * 4;
    const std::size_t last_row = 1078 + (std::size_t(height) - 1) * stride;
    FUZZ_REQUIRE(last_row + std::size_t(width) <= size);
    FUZZ_REQUIRE(std::memcmp(image.data(), file.data() + last_row, std::size_t(width)) == 0);
    return 0;
}
