// The whole removal sequence on the captured detection results of real
// images. The sequence differs from the original library's by design, so
// the lists are not compared with its output; what must hold is checked.
#include "extract/minutiae/false_minutiae.h"
#include "support/lfs_vectors.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

struct SequenceRun {
    lfs::Minutiae minutiae;
    std::vector<unsigned char> binary;
    int detected = 0;
    int ret = 0;
};

SequenceRun run_sequence(const ridge_test::VectorFolder &f)
{
    SequenceRun r;
    r.minutiae = ridge_test::load_minutiae_tsv(f.file("min_detected.tsv")).minutiae;
    r.detected = r.minutiae.num();
    r.binary = ridge_test::load_u8(f.file("bin_detect_out.u8"));
    r.ret = ridge::remove_false_minutiae(r.minutiae, r.binary.data(), f.meta_int("iw"), f.meta_int("ih"),
                                         ridge_test::load_i32(f.file("map_direction.i32")),
                                         ridge_test::load_i32(f.file("map_low_flow.i32")),
                                         ridge_test::load_i32(f.file("map_high_curve.i32")), f.meta_int("mw"),
                                         f.meta_int("mh"));
    return r;
}

TEST(FalseMinutiaeVectors, SurvivorsAreWellFormed)
{
    for (const auto &f : ridge_test::vector_folders()) {
        const SequenceRun r = run_sequence(f);
        ASSERT_EQ(r.ret, 0) << f.name;
        const int iw = f.meta_int("iw"), ih = f.meta_int("ih"), mw = f.meta_int("mw");
        const auto dmap = ridge_test::load_i32(f.file("map_direction.i32"));
        const int captured = ridge_test::load_minutiae_tsv(f.file("min_removed.tsv")).minutiae.num();
        std::printf("%s: %d detected, %d kept (the original sequence keeps %d)\n", f.name.c_str(), r.detected,
                    r.minutiae.num(), captured);
        EXPECT_GT(r.minutiae.num(), 0) << f.name;
        EXPECT_LT(r.minutiae.num(), r.detected / 2) << f.name;
        for (const auto &m : r.minutiae.list) {
            ASSERT_TRUE(m.x >= 0 && m.y >= 0 && m.x < iw && m.y < ih) << f.name;
            EXPECT_EQ(r.binary[static_cast<size_t>(m.y * iw + m.x)], m.type) << f.name << " " << m.x << "," << m.y;
            EXPECT_GE(dmap[static_cast<size_t>((m.y / 8) * mw + m.x / 8)], 0) << f.name << " " << m.x << "," << m.y;
            EXPECT_TRUE(m.direction >= 0 && m.direction < 32) << f.name;
        }
    }
}

TEST(FalseMinutiaeVectors, RepeatableOnTheSameInput)
{
    for (const auto &f : ridge_test::vector_folders()) {
        const SequenceRun a = run_sequence(f), b = run_sequence(f);
        EXPECT_EQ(ridge_test::compare_minutiae(a.minutiae, b.minutiae), "") << f.name;
        EXPECT_EQ(a.binary, b.binary) << f.name;
    }
}

} // namespace
