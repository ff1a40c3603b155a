// Every real image of the shared data gives exactly the template, quality
// figure and block maps it gave when the digests below were taken: one
// digest per set over all its images, so any change of a single byte of a
// single template (or of a map cell) shows. Work on the speed of the
// extraction must leave these untouched. Skipped without the shared data.
#include "extract/maps/map_stage.h"
#include "ridgesdk.h"

#include "support/grey_bmp.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// FNV-1a, 64 bits: enough to tell one byte apart in a few hundred kilobytes.
class Digest {
public:
    void bytes(const void *data, size_t n)
    {
        const auto *p = static_cast<const unsigned char *>(data);
        for (size_t i = 0; i < n; ++i) {
            h_ ^= p[i];
            h_ *= 0x100000001b3ull;
        }
    }
    template <typename T> void value(const T &v) { bytes(&v, sizeof v); }
    void ints(const std::vector<int> &v)
    {
        value(v.size());
        bytes(v.data(), v.size() * sizeof(int));
    }
    uint64_t get() const { return h_; }

private:
    uint64_t h_ = 0xcbf29ce484222325ull;
};

struct SetDigests {
    uint64_t templates, quality, maps;
};

// Taken before the extraction was made faster.
const std::map<std::string, SetDigests> kPinned = {
    {"fvc2002_db1_b", {0x5b91772ffa1d435dull, 0xbbc4c7ead57a1945ull, 0x18d4165345b949f7ull}},
    {"fvc2002_db2_b", {0x3f98ddc94f468367ull, 0x5d78de068459ecf4ull, 0xeb81fec195ceb301ull}},
    {"fvc2002_db3_b", {0x3e6e8b7b8180a337ull, 0xaf8f456974f554b3ull, 0x12b75696cda59b43ull}},
};

SetDigests digest_set(const std::string &set, size_t &images)
{
    Digest templates, quality, maps;
    images = 0;
    for (const std::string &path : ridge_test::shared_set_images(set)) {
        ridge_test::GreyImage img;
        if (!ridge_test::load_grey_bmp(path, img))
            continue;
        ++images;

        TemplateBuffer t{nullptr, 0, 0};
        const SdkStatus st = generateRawFPT(img.pixels.data(), img.width, img.height, &t);
        templates.value(st);
        templates.value(t.size);
        templates.value(t.format);
        templates.bytes(t.data, t.size);
        free_FPAPI_mem(t.data);

        double q = -1.0;
        int32_t area = -1;
        quality.value(getFpImgQuality(img.pixels.data(), img.width, img.height, &q, &area));
        quality.value(q);
        quality.value(area);

        lfs::BlockMaps m;
        maps.value(ridge::lfs_detect_maps_V2(m, img.pixels.data(), img.width, img.height));
        maps.value(m.mw);
        maps.value(m.mh);
        maps.ints(m.direction_map);
        maps.ints(m.low_contrast_map);
        maps.ints(m.low_flow_map);
        maps.ints(m.high_curve_map);
    }
    return {templates.get(), quality.get(), maps.get()};
}

TEST(ExtractionDigest, RealImagesGiveThePinnedTemplatesQualityAndMaps)
{
    const auto sets = ridge_test::shared_image_sets();
    if (sets.empty())
        GTEST_SKIP() << "no shared data";
    int checked = 0;
    for (const std::string &set : sets) {
        const auto pinned = kPinned.find(set);
        if (pinned == kPinned.end())
            continue;
        size_t images = 0;
        const SetDigests got = digest_set(set, images);
        EXPECT_EQ(images, 80u) << set;
        EXPECT_EQ(got.templates, pinned->second.templates) << set << " templates";
        EXPECT_EQ(got.quality, pinned->second.quality) << set << " quality";
        EXPECT_EQ(got.maps, pinned->second.maps) << set << " maps";
        if (got.templates != pinned->second.templates || got.quality != pinned->second.quality ||
            got.maps != pinned->second.maps)
            std::printf("%s: templates 0x%016llxull, quality 0x%016llxull, maps 0x%016llxull\n", set.c_str(),
                    static_cast<unsigned long long>(got.templates), static_cast<unsigned long long>(got.quality),
                    static_cast<unsigned long long>(got.maps));
        ++checked;
    }
    EXPECT_EQ(checked, 3);
}

} // namespace
