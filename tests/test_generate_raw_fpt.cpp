// generateRawFPT end to end: real images give well-formed templates, the
// extraction is deterministic and thread-safe, and degenerate images fail
// cleanly.
#include "ridgesdk.h"

#include "support/grey_bmp.h"
#include "support/lfs_vectors.h"
#include "support/matcher_templates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

namespace {

struct GreyImage {
    std::string name;
    int w = 0, h = 0;
    std::vector<unsigned char> px;
};

std::vector<GreyImage> real_images()
{
    std::vector<GreyImage> out;
    for (const auto &f : ridge_test::vector_folders()) {
        GreyImage img;
        img.name = f.name;
        img.w = f.meta_int("iw");
        img.h = f.meta_int("ih");
        img.px = ridge_test::load_u8(f.file("image.u8"));
        if (img.px.size() == static_cast<size_t>(img.w) * static_cast<size_t>(img.h))
            out.push_back(std::move(img));
    }
    return out;
}

struct Extracted {
    SdkStatus status;
    std::vector<RawMinutia> minutiae;
    uint32_t size;
    int32_t format;
};

Extracted extract(const unsigned char *px, int w, int h)
{
    TemplateBuffer t{nullptr, 12345u, 7};
    Extracted e{};
    e.status = generateRawFPT(px, w, h, &t);
    e.size = t.size;
    e.format = t.format;
    if (t.data != nullptr && t.size >= sizeof(RawMinutia)) {
        e.minutiae.resize(t.size / sizeof(RawMinutia));
        std::memcpy(e.minutiae.data(), t.data, e.minutiae.size() * sizeof(RawMinutia));
    }
    free_FPAPI_mem(t.data);
    return e;
}

bool same(const std::vector<RawMinutia> &a, const std::vector<RawMinutia> &b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(RawMinutia)) == 0);
}

// The shape every template must have, whatever the image.
void expect_well_formed(const Extracted &e, int w, int h, const std::string &what)
{
    SCOPED_TRACE(what);
    EXPECT_EQ(e.format, FPT_FORMAT_RAW);
    if (e.status != FPT_OK) {
        EXPECT_EQ(e.status, FPT_FAILED);
        EXPECT_EQ(e.size, 0u);
        return;
    }
    EXPECT_EQ(e.size % 16u, 0u);
    EXPECT_LE(e.size, 2048u);
    EXPECT_EQ(e.minutiae.size(), e.size / 16u);
    for (size_t i = 0; i < e.minutiae.size(); ++i) {
        const RawMinutia &m = e.minutiae[i];
        EXPECT_TRUE(m.type == FPT_MINUTIA_RIDGE_ENDING || m.type == FPT_MINUTIA_BIFURCATION);
        EXPECT_TRUE(m.x >= 0 && m.x < w && m.y >= 0 && m.y < h) << m.x << "," << m.y;
        EXPECT_EQ(m.angle % 2, 0);
        EXPECT_TRUE(m.angle >= 0 && m.angle <= 360) << m.angle;
        if (i > 0) {
            const RawMinutia &p = e.minutiae[i - 1];
            EXPECT_TRUE(p.y < m.y || (p.y == m.y && p.x <= m.x)) << "order at " << i;
        }
    }
}

TEST(GenerateRawFPT, OutputInUseIsRefusedUntouched)
{
    unsigned char byte = 0;
    std::vector<unsigned char> img(64 * 64, 128);
    TemplateBuffer t{&byte, 99u, 2};
    EXPECT_EQ(generateRawFPT(img.data(), 64, 64, &t), FPT_ERR_OUTPUT_IN_USE);
    EXPECT_EQ(t.data, &byte);
    EXPECT_EQ(t.size, 99u);
    EXPECT_EQ(t.format, 2);
}

TEST(GenerateRawFPT, RealImagesGiveOrderedTemplates)
{
    const auto images = real_images();
    ASSERT_FALSE(images.empty());
    for (const auto &img : images) {
        const Extracted e = extract(img.px.data(), img.w, img.h);
        ASSERT_EQ(e.status, FPT_OK) << img.name;
        expect_well_formed(e, img.w, img.h, img.name);
        // A fingerprint of this size carries dozens of minutiae; a handful
        // means a stage lost them.
        EXPECT_GE(e.minutiae.size(), 15u) << img.name;
        size_t endings = 0;
        for (const auto &m : e.minutiae)
            endings += m.type == FPT_MINUTIA_RIDGE_ENDING;
        EXPECT_GT(endings, 0u) << img.name;
        EXPECT_LT(endings, e.minutiae.size()) << img.name;
    }
}

TEST(GenerateRawFPT, DeterministicAcrossCallsAndThreads)
{
    const auto images = real_images();
    ASSERT_FALSE(images.empty());
    std::vector<std::vector<RawMinutia>> reference;
    for (const auto &img : images)
        reference.push_back(extract(img.px.data(), img.w, img.h).minutiae);

    constexpr int kThreads = 3;
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (size_t i = 0; i < images.size(); ++i) {
                // Each thread starts at a different image, so different
                // images are extracted at the same time.
                const size_t k = (i + static_cast<size_t>(t)) % images.size();
                const auto &img = images[k];
                if (!same(extract(img.px.data(), img.w, img.h).minutiae, reference[k]))
                    ++mismatches[static_cast<size_t>(t)];
            }
        });
    }
    for (auto &th : threads)
        th.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(mismatches[static_cast<size_t>(t)], 0) << "thread " << t;
}

TEST(GenerateRawFPT, SampleTemplatesTellFingersApart)
{
    // Three impressions each of three fingers: every genuine pair must score
    // above every impostor pair, which fails on any fault that moves,
    // turns or loses minutiae wholesale.
    const std::string dir = std::string(RIDGESDK_TEST_DATA) + "/samples/";
    std::vector<std::vector<RawMinutia>> templates;
    std::vector<int> finger;
    for (int f = 101; f <= 103; ++f) {
        for (int i = 1; i <= 3; ++i) {
            ridge_test::GreyImage img;
            const std::string name = std::to_string(f) + "_" + std::to_string(i) + ".bmp";
            ASSERT_TRUE(ridge_test::load_grey_bmp(dir + name, img)) << name;
            const Extracted e = extract(img.pixels.data(), img.width, img.height);
            ASSERT_EQ(e.status, FPT_OK) << name;
            expect_well_formed(e, img.width, img.height, name);
            templates.push_back(e.minutiae);
            finger.push_back(f);
        }
    }
    double lowest_genuine = 1e9, highest_impostor = -1e9;
    for (size_t a = 0; a < templates.size(); ++a) {
        for (size_t b = a + 1; b < templates.size(); ++b) {
            const double s = ridge_test::match_score(templates[a], templates[b]);
            if (finger[a] == finger[b])
                lowest_genuine = std::min(lowest_genuine, s);
            else
                highest_impostor = std::max(highest_impostor, s);
        }
    }
    EXPECT_GT(lowest_genuine, highest_impostor);
}

// Ridges of a 9-pixel period with one extra ridge starting at (150, 150),
// seen through `view`, which maps each image pixel to the pattern's
// coordinates. The extra ridge runs towards the pattern's +x.
template <typename View>
std::vector<unsigned char> dislocation(View view, bool inverted)
{
    const int size = 300;
    std::vector<unsigned char> img(static_cast<size_t>(size * size));
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            int px = x, py = y;
            view(x, y, px, py);
            const double phase = 2.0 * 3.14159265358979 * py / 9.0 + std::atan2(py - 150.0, px - 150.0);
            const double v = 128.0 + 100.0 * std::cos(phase);
            img[static_cast<size_t>(y * size + x)] = static_cast<unsigned char>(inverted ? 255.0 - v : v);
        }
    }
    return img;
}

int angle_gap(int a, int b)
{
    const int d = std::abs(a - b) % 360;
    return std::min(d, 360 - d);
}

TEST(GenerateRawFPT, ParallelRidgesGiveAnEmptySuccessfulTemplate)
{
    for (int period = 8; period <= 10; ++period) {
        std::vector<unsigned char> img(300 * 300);
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 300; ++x)
                img[static_cast<size_t>(y * 300 + x)] = static_cast<unsigned char>(
                    128.0 + 100.0 * std::sin(2.0 * 3.14159265358979 * (0.8 * x + 0.6 * y) / period));
        const Extracted e = extract(img.data(), 300, 300);
        EXPECT_EQ(e.status, FPT_OK) << "period " << period;
        EXPECT_EQ(e.size, 0u) << "period " << period;
        EXPECT_EQ(e.format, FPT_FORMAT_RAW);
    }
}

TEST(GenerateRawFPT, RidgeDislocationGivesOneMinutiaPointingAlongTheNewRidge)
{
    struct Case {
        const char *what;
        void (*view)(int, int, int &, int &);
        int angle;
    };
    const Case cases[] = {
        {"as drawn", [](int, int, int &, int &) {}, 0},
        {"mirrored", [](int x, int, int &px, int &) { px = 299 - x; }, 180},
        {"transposed", [](int x, int y, int &px, int &py) { px = y; py = x; }, 270},
        {"turned", [](int x, int y, int &px, int &py) { px = y; py = 299 - x; }, 270},
    };
    for (const Case &c : cases) {
        for (bool inverted : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (inverted ? ", inverted" : ""));
            const auto img = dislocation(c.view, inverted);
            const Extracted e = extract(img.data(), 300, 300);
            ASSERT_EQ(e.status, FPT_OK);
            ASSERT_EQ(e.minutiae.size(), 1u);
            const RawMinutia &m = e.minutiae[0];
            // Dark ridges make the new ridge's start an ending; inverted, the
            // new valley's start, a bifurcation.
            EXPECT_EQ(m.type, inverted ? FPT_MINUTIA_BIFURCATION : FPT_MINUTIA_RIDGE_ENDING);
            EXPECT_LE(std::abs(m.x - 150), 3);
            EXPECT_LE(std::abs(m.y - 150), 3);
            EXPECT_LE(angle_gap(m.angle, c.angle), 12) << m.angle;
        }
    }
}

TEST(GenerateRawFPT, DegenerateImagesFailCleanlyOrGiveValidTemplates)
{
    struct Case {
        const char *what;
        int w, h;
        int fill; // -1: random noise
    };
    const Case cases[] = {
        {"constant grey", 300, 300, 128}, {"all black", 300, 300, 0},  {"all white", 200, 240, 255},
        {"1x1", 1, 1, 90},                {"8x8", 8, 8, 40},            {"24x24", 24, 24, 200},
        {"one pixel wide", 1, 300, 60},   {"one pixel high", 300, 1, 60}, {"noise", 300, 300, -1},
        {"noise, odd size", 37, 53, -1},  {"two rows", 257, 2, -1},
    };
    std::mt19937 rng(1234);
    for (const Case &c : cases) {
        std::vector<unsigned char> img(static_cast<size_t>(c.w) * static_cast<size_t>(c.h));
        for (auto &p : img)
            p = static_cast<unsigned char>(c.fill >= 0 ? c.fill : static_cast<int>(rng() % 256));
        expect_well_formed(extract(img.data(), c.w, c.h), c.w, c.h, c.what);
    }
}

TEST(GenerateRawFPT, ImpossibleSizesFailWithAnEmptyTemplate)
{
    // A buffer far smaller than the sizes claim: none of them may be read.
    std::vector<unsigned char> small(16, 128);
    const int sizes[][2] = {{0, 100}, {100, 0}, {-1, 300}, {300, -7}, {0, 0}, {INT_MIN, INT_MIN},
                            {65536, 65536}, {INT_MAX, 2}, {2, INT_MAX}, {46341, 46341}, {INT_MAX, INT_MAX}};
    for (const auto &s : sizes) {
        const Extracted e = extract(small.data(), s[0], s[1]);
        EXPECT_EQ(e.status, FPT_FAILED) << s[0] << "x" << s[1];
        EXPECT_EQ(e.size, 0u);
        EXPECT_EQ(e.format, FPT_FORMAT_RAW);
    }
}

} // namespace
