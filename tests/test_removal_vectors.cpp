// The NBIS removal tests and the reliability against the captured vectors.
#include "extract/detector_params.h"
#include "lfs/remove.h"
#include "lfs/remove_variants.h"
#include "support/lfs_vectors.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using ridge_test::load_i32;
using ridge_test::load_minutiae_tsv;
using ridge_test::VectorFolder;

const ridge_test::RemovalStep *find_step(const std::vector<ridge_test::RemovalStep> &steps, const char *routine)
{
    for (const auto &s : steps)
        if (s.routine == routine)
            return &s;
    return nullptr;
}

TEST(RemovalVectors, NearInvalidBlockAgreesExactly)
{
    for (const VectorFolder &f : ridge_test::vector_folders()) {
        const auto steps = ridge_test::load_steps(f.file("steps.tsv"));
        const auto *step = find_step(steps, "remove_near_invblock_V2");
        ASSERT_NE(step, nullptr) << f.name;
        auto in = load_minutiae_tsv(f.file(step->minutiae_before));
        const auto want = load_minutiae_tsv(f.file(step->minutiae_after));
        const auto dmap = load_i32(f.file("map_direction.i32"));
        ASSERT_EQ(lfs::remove_near_invblock_V2(in.minutiae, dmap, f.meta_int("mw"), f.meta_int("mh"),
                                               ridge::DetectorParams),
                  0);
        EXPECT_EQ(ridge_test::compare_minutiae(in.minutiae, want.minutiae), "") << f.name;
        EXPECT_LT(want.minutiae.num(), load_minutiae_tsv(f.file(step->minutiae_before)).minutiae.num())
            << f.name << ": the step should remove something";
    }
}

struct QualityInputs {
    ridge_test::VectorMinutiae minutiae;
    std::vector<int> quality_map;
    std::vector<unsigned char> image;
    std::vector<double> want;
};

QualityInputs load_quality_inputs(const VectorFolder &f)
{
    return {load_minutiae_tsv(f.file("min_ridgecount.tsv")), load_i32(f.file("quality_map.i32")),
            ridge_test::load_u8(f.file("image.u8")), ridge_test::load_f64(f.file("reliability.f64"))};
}

// With the original library's real standard deviation, the reliability
// reproduces the captured values.
TEST(RemovalVectors, CombinedQualityWithRealStdevWithinOneMillionth)
{
    lfs::RemovalArithmetic original;
    original.real_stdev = true;
    for (const VectorFolder &f : ridge_test::vector_folders()) {
        auto q = load_quality_inputs(f);
        ASSERT_EQ(q.want.size(), static_cast<size_t>(q.minutiae.minutiae.num())) << f.name;
        ASSERT_EQ(lfs::combined_miutia_quality_with(q.minutiae.minutiae, q.quality_map, f.meta_int("mw"),
                                                    f.meta_int("mh"), 8, q.image.data(), f.meta_int("iw"),
                                                    f.meta_int("ih"), 19.68504f, original),
                  0);
        for (size_t i = 0; i < q.want.size(); ++i)
            EXPECT_NEAR(q.minutiae.minutiae.list[i].reliability, q.want[i], 1e-6) << f.name << " minutia " << i;
    }
}

// This system takes the integer square root of the rounded variance. The
// result differs from the captured one only where the contrast term is the
// smaller factor (a standard deviation below 64), and then by less than
// one step of 1/64 of the level's span, never upwards.
TEST(RemovalVectors, CombinedQualityDiffersOnlyByTheIntegerStdev)
{
    int same = 0, differ = 0;
    for (const VectorFolder &f : ridge_test::vector_folders()) {
        auto q = load_quality_inputs(f);
        const auto levels = q.quality_map;
        ASSERT_EQ(lfs::combined_miutia_quality(q.minutiae.minutiae, q.quality_map, f.meta_int("mw"),
                                               f.meta_int("mh"), 8, q.image.data(), f.meta_int("iw"),
                                               f.meta_int("ih"), 19.68504f),
                  0);
        const float span[5] = {0.0f, 0.04f, 0.14f, 0.24f, 0.49f};
        for (size_t i = 0; i < q.want.size(); ++i) {
            const double got = q.minutiae.minutiae.list[i].reliability;
            if (std::fabs(got - q.want[i]) <= 1e-6) {
                ++same;
                continue;
            }
            ++differ;
            const auto &m = q.minutiae.minutiae.list[i];
            // Level of the minutia's block as the pixelised map assigns it.
            const int iw = f.meta_int("iw"), ih = f.meta_int("ih"), mw = f.meta_int("mw"), mh = f.meta_int("mh");
            const int bx = m.x >= iw - 8 ? mw - 1 : m.x / 8, by = m.y >= ih - 8 ? mh - 1 : m.y / 8;
            const int level = levels[static_cast<size_t>(by * mw + bx)];
            ASSERT_GE(level, 1) << f.name << " minutia " << i;
            EXPECT_LT(got, q.want[i]) << f.name << " minutia " << i;
            EXPECT_LT(q.want[i] - got, span[level] / 64.0 + 1e-6) << f.name << " minutia " << i;
        }
    }
    EXPECT_GT(same, differ);
    std::printf("reliability: %d within 1e-6, %d lower by the integer standard deviation\n", same, differ);
}

} // namespace
