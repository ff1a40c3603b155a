// The templates of every real image of the shared sets, pinned by a digest:
// work on the detector's speed must leave each of them byte for byte as it
// was. Skipped when the shared data is absent.
#include "support/grey_bmp.h"

#include "ridgesdk.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

// 64-bit FNV-1a.
struct Digest {
    uint64_t value = 1469598103934665603ull;
    void add(const unsigned char *bytes, std::size_t n)
    {
        for (std::size_t i = 0; i < n; ++i) {
            value ^= bytes[i];
            value *= 1099511628211ull;
        }
    }
    void add_u32(uint32_t v)
    {
        const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                    static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
        add(b, 4);
    }
};

std::string hex(uint64_t v)
{
    char text[20];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
    return text;
}

} // namespace

TEST(RealTemplateDigest, EveryImageOfTheSharedSetsGivesItsPinnedTemplate)
{
    const std::vector<std::string> sets = ridge_test::shared_image_sets();
    if (sets.empty())
        GTEST_SKIP() << "shared image sets not present";
    Digest all;
    int images = 0;
    for (const std::string &set : sets) {
        for (const std::string &path : ridge_test::shared_set_images(set)) {
            ridge_test::GreyImage img;
            ASSERT_TRUE(ridge_test::load_grey_bmp(path, img)) << path;
            TemplateBuffer t{nullptr, 0, -1};
            const SdkStatus status = generateRawFPT(img.pixels.data(), img.width, img.height, &t);
            all.add_u32(static_cast<uint32_t>(status));
            all.add_u32(t.size);
            if (t.data != nullptr)
                all.add(t.data, t.size);
            free_FPAPI_mem(t.data);
            ++images;
        }
    }
    ASSERT_EQ(images, 240);
    EXPECT_EQ(hex(all.value), "cb5d2614e34dd91f");
}
