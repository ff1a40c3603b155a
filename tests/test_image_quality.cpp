// Image quality: the figure's arithmetic, getFpImgQuality on real and
// degenerate images, and concurrent calls.
#include "extract/maps/image_quality.h"
#include "ridgesdk.h"

#include "support/grey_bmp.h"
#include "support/lfs_vectors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

namespace {

void figure_of(const std::vector<int> &levels, float &quality, int &area)
{
    quality = -1.0f;
    area = -1;
    ridge::quality_from_levels(levels, quality, area);
}

TEST(QualityFigure, MeanLevelOfMoreThan100UsableBlocks)
{
    float q;
    int area;
    // 101 blocks summing to 202 (one level 3, one level 1, the rest 2),
    // among unusable ones.
    std::vector<int> levels(101, 2);
    levels[0] = 3;
    levels[1] = 1;
    levels.insert(levels.end(), 40, 0);
    figure_of(levels, q, area);
    EXPECT_EQ(q, 50.0f);
    EXPECT_EQ(area, 6464);

    figure_of(std::vector<int>(100, 2), q, area);
    EXPECT_EQ(q, 0.0f);
    EXPECT_EQ(area, 6400);

    std::vector<int> mixed(60, 4);
    mixed.insert(mixed.end(), 60, 2);
    figure_of(mixed, q, area);
    EXPECT_EQ(q, 75.0f);
    EXPECT_EQ(area, 120 * 64);
}

TEST(QualityFigure, ExtremesAndSkippedLevels)
{
    float q;
    int area;
    figure_of(std::vector<int>(200, 4), q, area);
    EXPECT_EQ(q, 100.0f);
    figure_of(std::vector<int>(200, 1), q, area);
    EXPECT_EQ(q, 25.0f);
    figure_of(std::vector<int>(500, 0), q, area);
    EXPECT_EQ(q, 0.0f);
    EXPECT_EQ(area, 0);
    std::vector<int> with_negative(150, 3);
    with_negative.push_back(-2);
    figure_of(with_negative, q, area);
    EXPECT_EQ(q, 75.0f);
    EXPECT_EQ(area, 150 * 64);
}

TEST(QualityFigure, SumInSinglePrecisionScaledInDouble)
{
    // 3 blocks of level 4 and 100 of level 1: 25 / 103 * 112 in double,
    // stored in single precision.
    std::vector<int> levels(100, 1);
    levels.insert(levels.end(), 3, 4);
    float q;
    int area;
    figure_of(levels, q, area);
    EXPECT_EQ(q, static_cast<float>(25.0 / 103 * 112.0));
}

bool valid_figure(double q)
{
    return q == 0.0 || (q >= 25.0 && q <= 100.0);
}

TEST(GetFpImgQuality, RealImagesOfTheProject)
{
    for (const ridge_test::VectorFolder &f : ridge_test::vector_folders()) {
        SCOPED_TRACE(f.name);
        const int iw = f.meta_int("iw"), ih = f.meta_int("ih");
        const std::vector<unsigned char> image = ridge_test::load_u8(f.file("image.u8"));
        double q = -1.0;
        int32_t area = -1;
        ASSERT_EQ(getFpImgQuality(image.data(), iw, ih, &q, &area), FPT_OK);
        EXPECT_GT(q, 50.0);
        EXPECT_LE(q, 100.0);
        EXPECT_EQ(area % 64, 0);
        EXPECT_GT(area, 0);
        EXPECT_LE(area, ((iw + 7) / 8) * ((ih + 7) / 8) * 64);
        EXPECT_EQ(q, static_cast<double>(static_cast<float>(q))); // widened single
    }
}

TEST(GetFpImgQuality, SampleBitmapsOfTheProject)
{
    const std::vector<std::string> files = ridge_test::bmp_files(std::string(RIDGESDK_TEST_DATA) + "/samples");
    ASSERT_FALSE(files.empty());
    for (const std::string &path : files) {
        ridge_test::GreyImage img;
        ASSERT_TRUE(ridge_test::load_grey_bmp(path, img)) << path;
        double q = -1.0;
        int32_t area = -1;
        ASSERT_EQ(getFpImgQuality(img.pixels.data(), img.width, img.height, &q, &area), FPT_OK) << path;
        EXPECT_GE(q, 25.0) << path;
        EXPECT_LE(q, 100.0) << path;
        EXPECT_GT(area, 100 * 64) << path;
        EXPECT_LE(area, ((img.width + 7) / 8) * ((img.height + 7) / 8) * 64) << path;
    }
    // The bitmap read top row first is the captured image of the same print.
    ridge_test::GreyImage first;
    ASSERT_TRUE(ridge_test::load_grey_bmp(files[0], first));
    bool compared = false;
    for (const ridge_test::VectorFolder &f : ridge_test::vector_folders()) {
        if (f.name == "fvc2002_db1_b_" + first.name.substr(0, first.name.size() - 4)) {
            EXPECT_EQ(first.pixels, ridge_test::load_u8(f.file("image.u8")));
            compared = true;
        }
    }
    EXPECT_TRUE(compared) << first.name;
}

TEST(GetFpImgQuality, EveryImageOfTheSharedSets)
{
    const std::vector<std::string> sets = ridge_test::shared_image_sets();
    if (sets.empty())
        GTEST_SKIP() << "shared image sets not present";
    for (const std::string &set : sets) {
        double sum = 0.0;
        int n = 0;
        for (const std::string &path : ridge_test::shared_set_images(set)) {
            ridge_test::GreyImage img;
            ASSERT_TRUE(ridge_test::load_grey_bmp(path, img)) << path;
            double q = -1.0;
            int32_t area = -1;
            ASSERT_EQ(getFpImgQuality(img.pixels.data(), img.width, img.height, &q, &area), FPT_OK) << path;
            EXPECT_TRUE(valid_figure(q)) << path << " " << q;
            EXPECT_GE(area, 0);
            EXPECT_LE(area, ((img.width + 7) / 8) * ((img.height + 7) / 8) * 64) << path;
            sum += q;
            ++n;
        }
        if (n > 0)
            std::printf("%s: %d images, mean quality %.2f\n", set.c_str(), n, sum / n);
    }
}

// Calls that must fail: quality 0, area untouched. The buffer is one byte
// so any read of the image would be caught by the sanitizers.
void expect_refused(int width, int height)
{
    const unsigned char pixel = 100;
    double q = 42.0;
    int32_t area = 1234;
    testing::internal::CaptureStderr();
    EXPECT_EQ(getFpImgQuality(&pixel, width, height, &q, &area), FPT_FAILED) << width << "x" << height;
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(q, 0.0);
    EXPECT_EQ(area, 1234);
}

TEST(GetFpImgQuality, RefusesSizesTheDetectorCannotTake)
{
    expect_refused(0, 100);
    expect_refused(100, 0);
    expect_refused(-5, 100);
    expect_refused(100, -1);
    expect_refused(-100, -100);
    expect_refused(70000, 70000);     // width x height beyond 32 bits
    expect_refused(46340, 46340);     // fits, the padded image does not
    expect_refused(2147483647, 2);
}

TEST(GetFpImgQuality, ImagesSmallerThanTheAnalysisWindow)
{
    for (int w : {1, 8, 24}) {
        std::vector<unsigned char> img(static_cast<size_t>(w * 200), 90);
        double q = 42.0;
        int32_t area = 7;
        testing::internal::CaptureStderr();
        EXPECT_EQ(getFpImgQuality(img.data(), w, 200, &q, &area), FPT_FAILED);
        EXPECT_EQ(getFpImgQuality(img.data(), 200, w, &q, &area), FPT_FAILED);
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(q, 0.0);
        EXPECT_EQ(area, 7);
    }
    // The smallest accepted size works on noise.
    std::mt19937 rng(9);
    std::vector<unsigned char> noise(25 * 25);
    for (unsigned char &p : noise)
        p = static_cast<unsigned char>(rng());
    double q = -1.0;
    int32_t area = -1;
    EXPECT_EQ(getFpImgQuality(noise.data(), 25, 25, &q, &area), FPT_OK);
    EXPECT_TRUE(valid_figure(q));
    EXPECT_LE(area, 4 * 4 * 64);
}

TEST(GetFpImgQuality, BlankImageHasNoUsableBlocks)
{
    for (int level : {0, 128, 255}) {
        std::vector<unsigned char> blank(388 * 374, static_cast<unsigned char>(level));
        double q = -1.0;
        int32_t area = -1;
        EXPECT_EQ(getFpImgQuality(blank.data(), 388, 374, &q, &area), FPT_OK);
        EXPECT_EQ(q, 0.0);
        EXPECT_EQ(area, 0);
    }
}

// One image's results from both image exports.
struct ImageResults {
    SdkStatus quality_status = 0;
    double quality = -1.0;
    int32_t area = -1;
    SdkStatus extract_status = 0;
    std::vector<unsigned char> raw;
    bool operator==(const ImageResults &o) const
    {
        return quality_status == o.quality_status && quality == o.quality && area == o.area &&
               extract_status == o.extract_status && raw == o.raw;
    }
};

ImageResults run_exports(const std::vector<unsigned char> &image, int iw, int ih)
{
    ImageResults r;
    r.quality_status = getFpImgQuality(image.data(), iw, ih, &r.quality, &r.area);
    TemplateBuffer raw = {nullptr, 0, 0};
    r.extract_status = generateRawFPT(image.data(), iw, ih, &raw);
    if (raw.data != nullptr)
        r.raw.assign(raw.data, raw.data + raw.size);
    free_FPAPI_mem(raw.data);
    return r;
}

TEST(GetFpImgQuality, ConcurrentWithExtractionsGivesTheSameResults)
{
    std::vector<std::vector<unsigned char>> images;
    std::vector<int> widths, heights;
    for (const ridge_test::VectorFolder &f : ridge_test::vector_folders()) {
        images.push_back(ridge_test::load_u8(f.file("image.u8")));
        widths.push_back(f.meta_int("iw"));
        heights.push_back(f.meta_int("ih"));
    }
    ASSERT_FALSE(images.empty());
    std::vector<ImageResults> want;
    for (size_t i = 0; i < images.size(); ++i) {
        want.push_back(run_exports(images[i], widths[i], heights[i]));
        ASSERT_EQ(want.back().quality_status, FPT_OK);
    }

    const int nthreads = 4, rounds = 2;
    std::vector<int> mismatches(nthreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < nthreads; ++t)
        threads.emplace_back([&, t] {
            for (int r = 0; r < rounds; ++r)
                for (size_t k = 0; k < images.size(); ++k) {
                    const size_t i = (k + static_cast<size_t>(t)) % images.size();
                    if (!(run_exports(images[i], widths[i], heights[i]) == want[i]))
                        ++mismatches[static_cast<size_t>(t)];
                }
        });
    for (std::thread &th : threads)
        th.join();
    for (int m : mismatches)
        EXPECT_EQ(m, 0);
}

TEST(GetFpImgQuality, FewUsableBlocksGiveFigureZeroWithTheirArea)
{
    // 80 x 80 pixels: 100 blocks at most, all ridged.
    const int iw = 80, ih = 80;
    std::vector<unsigned char> img(static_cast<size_t>(iw * ih));
    for (int y = 0; y < ih; ++y)
        for (int x = 0; x < iw; ++x)
            img[static_cast<size_t>(y * iw + x)] = static_cast<unsigned char>(128.0 + 100.0 * std::sin(x * 0.7));
    double q = -1.0;
    int32_t area = -1;
    ASSERT_EQ(getFpImgQuality(img.data(), iw, ih, &q, &area), FPT_OK);
    EXPECT_EQ(q, 0.0);
    EXPECT_GE(area, 64);
    EXPECT_LE(area, 6400);
}

} // namespace
