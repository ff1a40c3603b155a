// The detector's removal tests and the reliability against the captured vectors.
#include "extract/detector_params.h"
#include "lfs/remove.h"
#include "lfs/remove_variants.h"
#include "support/lfs_vectors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

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
    EXPECT_GT(same, 0);
    std::printf("reliability: %d within 1e-6, %d lower by the integer standard deviation\n", same, differ);
}

struct StepInputs {
    ridge_test::VectorMinutiae before, after;
    std::vector<unsigned char> binary;
    std::vector<int> direction_map, low_flow_map, high_curve_map;
    int iw = 0, ih = 0, mw = 0, mh = 0;
};

StepInputs load_step(const VectorFolder &f, const char *routine)
{
    const auto steps = ridge_test::load_steps(f.file("steps.tsv"));
    const auto *step = find_step(steps, routine);
    if (!step)
        throw std::runtime_error(std::string("no step ") + routine);
    StepInputs in;
    in.before = load_minutiae_tsv(f.file(step->minutiae_before));
    in.after = load_minutiae_tsv(f.file(step->minutiae_after));
    in.binary = ridge_test::load_u8(f.file(step->binary_before));
    in.direction_map = load_i32(f.file("map_direction.i32"));
    in.low_flow_map = load_i32(f.file("map_low_flow.i32"));
    in.high_curve_map = load_i32(f.file("map_high_curve.i32"));
    in.iw = f.meta_int("iw");
    in.ih = f.meta_int("ih");
    in.mw = f.meta_int("mw");
    in.mh = f.meta_int("mh");
    return in;
}

lfs::Minutiae run_side(StepInputs &in, const lfs::RemovalArithmetic &arith)
{
    lfs::Minutiae m = in.before.minutiae;
    std::vector<unsigned char> image = in.binary;
    const int ret = lfs::remove_or_adjust_side_minutiae_with(m, image.data(), in.iw, in.ih, in.direction_map, in.mw,
                                                             in.mh, ridge::DetectorParams, arith);
    EXPECT_EQ(ret, 0);
    EXPECT_EQ(image, in.binary) << "the side test only reads the image";
    return m;
}

// With the sine and cosine computed as the original library does, the
// side-minutia step reproduces the captured lists exactly.
TEST(RemovalVectors, SideMinutiaeWithComputedTrigAgreeExactly)
{
    lfs::RemovalArithmetic original;
    original.computed_trig = true;
    for (const VectorFolder &f : ridge_test::vector_folders()) {
        auto in = load_step(f, "remove_or_adjust_side_minutiae_V2");
        const auto got = run_side(in, original);
        EXPECT_EQ(ridge_test::compare_minutiae(got, in.after.minutiae), "") << f.name;
    }
}

// The table's six-digit values could move a rotated coordinate across a
// rounding boundary; on the captured images they never do, so the step
// with the table agrees exactly as well.
TEST(RemovalVectors, SideMinutiaeWithTheTableAgreeExactly)
{
    for (const VectorFolder &f : ridge_test::vector_folders()) {
        auto in = load_step(f, "remove_or_adjust_side_minutiae_V2");
        const auto got = run_side(in, lfs::RemovalArithmetic{});
        EXPECT_EQ(ridge_test::compare_minutiae(got, in.after.minutiae), "") << f.name;
    }
}

lfs::Minutiae run_pores(StepInputs &in, const lfs::RemovalArithmetic &arith)
{
    lfs::Minutiae m = in.before.minutiae;
    std::vector<unsigned char> image = in.binary;
    const int ret = lfs::remove_pores_with(m, image.data(), in.iw, in.ih, in.direction_map, in.low_flow_map,
                                           in.high_curve_map, in.mw, in.mh, ridge::DetectorParams, arith);
    EXPECT_EQ(ret, 0);
    EXPECT_EQ(image, in.binary) << "the pore test only reads the image";
    return m;
}

// Applying the last ratio to every type, as the original library does,
// reproduces the captured lists exactly.
TEST(RemovalVectors, PoresWithTheRatioOnAllTypesAgreeExactly)
{
    lfs::RemovalArithmetic original;
    original.pore_ratio_all_types = true;
    for (const VectorFolder &f : ridge_test::vector_folders()) {
        auto in = load_step(f, "remove_pores_V2");
        const auto got = run_pores(in, original);
        EXPECT_EQ(ridge_test::compare_minutiae(got, in.after.minutiae), "") << f.name;
    }
}

// This system's rule keeps every ridge ending the ratio would have
// removed: its list is the captured one plus ridge endings only.
TEST(RemovalVectors, PoresKeepTheRidgeEndingsTheRatioWouldRemove)
{
    int kept_endings = 0;
    for (const VectorFolder &f : ridge_test::vector_folders()) {
        auto in = load_step(f, "remove_pores_V2");
        const auto got = run_pores(in, lfs::RemovalArithmetic{});
        const auto &want = in.after.minutiae.list;
        size_t w = 0;
        for (const auto &m : got.list) {
            if (w < want.size() && m.x == want[w].x && m.y == want[w].y && m.direction == want[w].direction &&
                m.type == want[w].type) {
                ++w;
                continue;
            }
            EXPECT_EQ(m.type, lfs::RIDGE_ENDING) << f.name << " extra minutia at " << m.x << "," << m.y;
            ++kept_endings;
        }
        EXPECT_EQ(w, want.size()) << f.name << ": every captured survivor survives";
    }
    std::printf("pores: %d ridge ending(s) kept that the original ratio test removes\n", kept_endings);
}

} // namespace
