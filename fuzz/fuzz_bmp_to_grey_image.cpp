// bmp_to_grey_image (and the bitmap decoder under it) on arbitrary files:
// the file is held in a block of exactly its length so that any read past
// it is caught. A refusal gives a reason and leaves the outputs alone; an
// accepted file of the common layout (pixels at 1078 after a 40-byte header
// and a 256-level grey ramp, rows bottom first) gives its last row first.
#include "bmp_image.h"
#include "fuzz_input.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

std::uint32_t le32(const std::vector<unsigned char> &f, std::size_t at)
{
    return std::uint32_t(f[at]) | std::uint32_t(f[at + 1]) << 8 | std::uint32_t(f[at + 2]) << 16 |
           std::uint32_t(f[at + 3]) << 24;
}

bool common_layout(const std::vector<unsigned char> &f)
{
    if (f.size() < 1078 || le32(f, 10) != 1078 || le32(f, 14) != 40)
        return false;
    for (std::uint32_t i = 0; i < 256; ++i)
        if ((le32(f, 54 + 4 * i) & 0xffffff) != (i | i << 8 | i << 16))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::vector<unsigned char> file(data, data + size);
    std::vector<unsigned char> image;
    std::int32_t width = -7;
    std::int32_t height = -7;
    std::string reason;
    const int status = ridge::bmp_to_grey_image(file.empty() ? nullptr : file.data(), file.size(), image,
                                                width, height, &reason);
    if (status != 1) {
        FUZZ_REQUIRE(status == -1);
        FUZZ_REQUIRE(!reason.empty() && reason.find('\n') == std::string::npos);
        FUZZ_REQUIRE(image.empty() && width == -7 && height == -7);
        return 0;
    }
    FUZZ_REQUIRE(reason.empty());
    FUZZ_REQUIRE(width > 0 && height > 0);
    FUZZ_REQUIRE(image.size() == std::size_t(width) * std::size_t(height));
    if (common_layout(file) && static_cast<std::int32_t>(le32(file, 22)) > 0) {
        const std::size_t stride = (std::size_t(width) + 3) / 4 * 4;
        const std::size_t last_row = 1078 + (std::size_t(height) - 1) * stride;
        FUZZ_REQUIRE(last_row + std::size_t(width) <= size);
        FUZZ_REQUIRE(std::memcmp(image.data(), file.data() + last_row, std::size_t(width)) == 0);
    }
    return 0;
}
