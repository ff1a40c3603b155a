// The zoned islands-and-lakes and hole tests against the captured removal
// steps. With one zone covering every block and the original limits (16
// pixels for islands and lakes, a 15-step loop for holes) they must repeat
// the captured lists and images exactly: a minutia_distance of at most 16 is
// a Euclidean distance of at most 16, so only the zoning and the limits set
// the two versions apart.
#include "extract/minutiae/removal_tests.h"
#include "support/lfs_vectors.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using ridge_test::VectorFolder;

constexpr int kOriginalIslandLimit = 16;
constexpr int kOriginalHoleLoop = 15;

struct CapturedStep {
    ridge_test::VectorMinutiae before, after;
    std::vector<unsigned char> binary_before, binary_after;
    int iw = 0, ih = 0, mw = 0, mh = 0;
    std::vector<int> whole_map_zone() const { return std::vector<int>(static_cast<size_t>(mw * mh), 1); }
};

CapturedStep load_captured(const VectorFolder &f, const std::string &routine)
{
    for (const auto &step : ridge_test::load_steps(f.file("steps.tsv"))) {
        if (step.routine != routine)
            continue;
        CapturedStep c;
        c.before = ridge_test::load_minutiae_tsv(f.file(step.minutiae_before));
        c.after = ridge_test::load_minutiae_tsv(f.file(step.minutiae_after));
        c.binary_before = ridge_test::load_u8(f.file(step.binary_before));
        c.binary_after = ridge_test::load_u8(f.file(step.binary_after));
        c.iw = f.meta_int("iw");
        c.ih = f.meta_int("ih");
        c.mw = f.meta_int("mw");
        c.mh = f.meta_int("mh");
        return c;
    }
    throw std::runtime_error("no step " + routine + " in " + f.name);
}

TEST(ZonedRemovalVectors, IslandsAndLakesWithTheOriginalLimitRepeatTheCapturedStep)
{
    for (const VectorFolder &f : ridge_test::vector_folders()) {
        CapturedStep c = load_captured(f, "remove_islands_and_lakes");
        lfs::Minutiae got = c.before.minutiae;
        std::vector<unsigned char> image = c.binary_before;
        ASSERT_EQ(ridge::remove_islands_and_lakes(got, image.data(), c.iw, c.ih, c.whole_map_zone(), c.mw, c.mh,
                                                  kOriginalIslandLimit, kOriginalIslandLimit),
                  0)
            << f.name;
        EXPECT_EQ(ridge_test::compare_minutiae(got, c.after.minutiae), "") << f.name;
        EXPECT_TRUE(image == c.binary_after) << f.name << ": filled islands and lakes differ";
        EXPECT_LT(got.num(), c.before.minutiae.num()) << f.name << ": the step should remove something";
    }
}

TEST(ZonedRemovalVectors, HolesWithTheOriginalLoopRepeatTheCapturedStep)
{
    int removed = 0;
    for (const VectorFolder &f : ridge_test::vector_folders()) {
        CapturedStep c = load_captured(f, "remove_holes");
        lfs::Minutiae got = c.before.minutiae;
        ASSERT_EQ(ridge::remove_hole_minutiae(got, c.binary_before.data(), c.iw, c.ih, c.whole_map_zone(), c.mw,
                                              c.mh, kOriginalHoleLoop),
                  0)
            << f.name;
        EXPECT_EQ(ridge_test::compare_minutiae(got, c.after.minutiae), "") << f.name;
        removed += c.before.minutiae.num() - got.num();
    }
    // The project's own folders carry at least one hole (db3_b_103_1).
    EXPECT_GT(removed, 0);
}

} // namespace
