// The match driver through matchRawFPTs: argument checks, the self-match
// formula, small templates, trace lines, roles and symmetry.
#include "matcher/compare_templates.h"
#include "matcher/random_minutiae.h"
#include "support/matcher_templates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using ridge_test::match_score;
using ridge_test::Minutiae;
using ridge_test::random_template;
using ridge_test::raw_buffer;

namespace {

// Runs matchRawFPTs and returns what it printed on standard output.
std::string printed_by_match(const Minutiae &a, const Minutiae &b, double *score)
{
    testing::internal::CaptureStdout();
    *score = match_score(a, b);
    return testing::internal::GetCapturedStdout();
}

} // namespace

TEST(MatchExportChecks, FormatIsTestedBeforeSize)
{
    std::vector<unsigned char> big(5000, 0);
    TemplateBuffer first{big.data(), 5000, FPT_FORMAT_RAW};
    TemplateBuffer second{big.data(), 16, FPT_FORMAT_PACKED};
    double score = 7.0;
    EXPECT_EQ(FPT_ERR_FORMAT, matchRawFPTs(&first, &second, &score));
    EXPECT_EQ(0.0, score);
    score = 7.0;
    EXPECT_EQ(FPT_ERR_FORMAT, matchRawFPTs(&second, &first, &score));
    EXPECT_EQ(0.0, score);
}

TEST(MatchExportChecks, SizeBoundIs2048Bytes)
{
    const Minutiae full = random_template(3, 128, 1000, 1000, 20);
    ASSERT_EQ(128u, full.size());
    std::vector<unsigned char> bytes(2049, 0);
    std::memcpy(bytes.data(), full.data(), 2048);
    TemplateBuffer exact{bytes.data(), 2048, FPT_FORMAT_RAW};
    TemplateBuffer over{bytes.data(), 2049, FPT_FORMAT_RAW};
    double score = 7.0;
    EXPECT_EQ(FPT_OK, matchRawFPTs(&exact, &exact, &score));
    EXPECT_GT(score, 100.0);
    score = 7.0;
    EXPECT_EQ(FPT_ERR_SIZE, matchRawFPTs(&exact, &over, &score));
    EXPECT_EQ(0.0, score);
    score = 7.0;
    EXPECT_EQ(FPT_ERR_SIZE, matchRawFPTs(&over, &exact, &score));
    EXPECT_EQ(0.0, score);
}

TEST(MatchExportChecks, TemplateWithoutWholeRecordScoresZeroSilently)
{
    const Minutiae good = random_template(4, 20);
    std::vector<unsigned char> bytes(15, 1);
    for (uint32_t size : {0u, 15u}) {
        TemplateBuffer empty{size ? bytes.data() : nullptr, size, FPT_FORMAT_RAW};
        const TemplateBuffer other = raw_buffer(good);
        double score = 7.0;
        testing::internal::CaptureStdout();
        EXPECT_EQ(FPT_OK, matchRawFPTs(&empty, &other, &score));
        EXPECT_EQ(0.0, score);
        score = 7.0;
        EXPECT_EQ(FPT_OK, matchRawFPTs(&other, &empty, &score));
        EXPECT_EQ(0.0, score);
        EXPECT_EQ("", testing::internal::GetCapturedStdout());
    }
}

TEST(MatchExportChecks, TrailingBytesAreIgnoredAndInputsUnchanged)
{
    const Minutiae m = random_template(5, 128, 900, 900, 20);
    Minutiae first(m.begin(), m.begin() + 127);
    std::vector<unsigned char> bytes(2047, 0xAB);
    std::memcpy(bytes.data(), first.data(), 127 * 16);
    const std::vector<unsigned char> before = bytes;
    TemplateBuffer odd{bytes.data(), 2047, FPT_FORMAT_RAW};
    const TemplateBuffer whole = raw_buffer(first);
    double from_odd = 0, from_whole = 0;
    EXPECT_EQ(FPT_OK, matchRawFPTs(&odd, &whole, &from_odd));
    EXPECT_EQ(FPT_OK, matchRawFPTs(&whole, &whole, &from_whole));
    EXPECT_EQ(from_whole, from_odd);
    EXPECT_EQ(before, bytes);
}

TEST(SelfMatch, RidgeEndingsOnlyScore106_5)
{
    for (int count : {9, 30, 60, 128}) {
        const Minutiae m =
            ridge_test::with_type(random_template(100u + count, count, 700, 700, 20), 1);
        ASSERT_EQ(static_cast<size_t>(count), m.size());
        EXPECT_DOUBLE_EQ(106.5, match_score(m, m)) << count;
    }
}

TEST(SelfMatch, BifurcationsOnlyScore130)
{
    const Minutiae m = ridge_test::with_type(random_template(7, 40, 700, 700, 20), 2);
    EXPECT_DOUBLE_EQ(130.0, match_score(m, m));
}

TEST(SelfMatch, MixedTypesFollowTheShareFormula)
{
    Minutiae m = random_template(8, 40, 700, 700, 20);
    int endings = 0, bifurcations = 0;
    // Include an unknown type: it pairs for 1000 points alone.
    m[0].type = 3;
    for (const RawMinutia &r : m) {
        endings += r.type == 1;
        bifurcations += r.type == 2;
    }
    const double n = static_cast<double>(m.size());
    const double expected = 100.0 + 6.5 * endings / n + 30.0 * bifurcations / n;
    EXPECT_NEAR(expected, match_score(m, m), 1e-9);
}

TEST(SelfMatch, FourToEightMinutiaeUseTheirOwnCount)
{
    for (int count = 4; count <= 8; ++count) {
        const Minutiae m = ridge_test::with_type(random_template(200u + count, count, 300, 300, 25), 1);
        double score = 0;
        printed_by_match(m, m, &score);
        EXPECT_DOUBLE_EQ(106.5, score) << count;
    }
}

TEST(SmallTemplates, OneToThreeMinutiaeScoreZeroAgainstThemselves)
{
    for (int count = 1; count <= 3; ++count) {
        const Minutiae m = random_template(300u + count, count);
        double score = 7.0;
        printed_by_match(m, m, &score);
        EXPECT_EQ(0.0, score) << count;
    }
}

TEST(SmallTemplates, TraceLinesNameRolesCountsAndAddedMinutiae)
{
    const Minutiae five = random_template(11, 5);
    const Minutiae eight = random_template(12, 8);
    const Minutiae nine = random_template(13, 9);
    const Minutiae twenty = random_template(14, 20);
    double score = 0;
    EXPECT_EQ("\n baseElements = 5; 3 random minutiae added\n"
              "\n liveElements = 5; 3 random minutiae added\n",
              printed_by_match(five, five, &score));
    // The template with more minutiae is the base, whichever argument it is.
    EXPECT_EQ("\n liveElements = 5; 3 random minutiae added\n",
              printed_by_match(five, twenty, &score));
    EXPECT_EQ("\n liveElements = 5; 3 random minutiae added\n",
              printed_by_match(twenty, five, &score));
    EXPECT_EQ("\n baseElements = 8; 0 random minutiae added\n"
              "\n liveElements = 5; 3 random minutiae added\n",
              printed_by_match(five, eight, &score));
    EXPECT_EQ("", printed_by_match(nine, twenty, &score));
}

TEST(RandomMinutiae, FirstDrawsOfSeedOneAre41And18467)
{
    ridge::MatchRandom random(1);
    EXPECT_EQ(41, random.next());
    EXPECT_EQ(18467, random.next());
    EXPECT_EQ(6334, random.next());
}

TEST(RandomMinutiae, BaseThenLiveContinueOneSequence)
{
    RawMinutia base[8] = {}, live[8] = {};
    ridge::MatchRandom random(1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(8, ridge::topUpTemplate(base, 6, ridge::kBaseRandomOrigin, "baseElements", &random));
    EXPECT_EQ(8, ridge::topUpTemplate(live, 7, ridge::kLiveRandomOrigin, "liveElements", &random));
    testing::internal::GetCapturedStdout();

    ridge::MatchRandom expected(1);
    for (int k = 6; k < 8; ++k) {
        const int rx = expected.next(), ry = expected.next();
        EXPECT_EQ(static_cast<int>(rx / 32767.0 * 100 + 2000), base[k].x);
        EXPECT_EQ(static_cast<int>(ry / 32767.0 * 100 + 2000), base[k].y);
        EXPECT_EQ(1, base[k].type);
        EXPECT_EQ(0, base[k].angle);
    }
    EXPECT_EQ(2000, base[6].x);
    EXPECT_EQ(2056, base[6].y);
    const int rx = expected.next(), ry = expected.next();
    EXPECT_EQ(static_cast<int>(rx / 32767.0 * 100 + 1000), live[7].x);
    EXPECT_EQ(static_cast<int>(ry / 32767.0 * 100 + 1000), live[7].y);
}

TEST(RandomMinutiae, TopUpOfNineLeavesTemplateAndPrintsNothing)
{
    RawMinutia m[9] = {};
    ridge::MatchRandom random(1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(9, ridge::topUpTemplate(m, 9, ridge::kBaseRandomOrigin, "baseElements", &random));
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    EXPECT_EQ(41, random.next()); // no draw was taken
}

TEST(Roles, MoreMinutiaeThenLargerBoxThenFirst)
{
    const Minutiae small_box = random_template(21, 12, 100, 100, 5);
    const Minutiae large_box = random_template(22, 12, 400, 400, 5);
    const Minutiae more = random_template(23, 13, 50, 50, 3);
    ASSERT_LT(ridge::boundingBoxArea(small_box.data(), 12), ridge::boundingBoxArea(large_box.data(), 12));
    EXPECT_TRUE(ridge::secondIsBase(small_box.data(), large_box.data(), 12, 12));
    EXPECT_FALSE(ridge::secondIsBase(large_box.data(), small_box.data(), 12, 12));
    EXPECT_FALSE(ridge::secondIsBase(small_box.data(), small_box.data(), 12, 12));
    EXPECT_TRUE(ridge::secondIsBase(large_box.data(), more.data(), 12, 13));
    EXPECT_FALSE(ridge::secondIsBase(more.data(), large_box.data(), 13, 12));
}

TEST(Roles, BoundingBoxAreaUsesExtremesOfBothAxes)
{
    const RawMinutia m[3] = {{1, 10, 50, 0}, {1, 40, 20, 0}, {1, 25, 90, 0}};
    EXPECT_EQ(30 * 70, ridge::boundingBoxArea(m, 3));
}

TEST(Symmetry, SwappingArgumentsKeepsScoreWhenRolesAreDecided)
{
    ridge_test::Distortion how;
    how.rotation_degrees = 12;
    how.shift_x = 9;
    how.shift_y = -14;
    how.jitter = 2;
    how.angle_jitter = 4;
    how.dropped = 5;
    how.added = 2;
    int nonzero = 0;
    for (uint32_t seed = 0; seed < 20; ++seed) {
        const Minutiae a = random_template(1000 + seed, 35);
        const Minutiae b = ridge_test::distorted_copy(a, how, seed);
        ASSERT_NE(a.size(), b.size());
        const double ab = match_score(a, b);
        EXPECT_EQ(ab, match_score(b, a)) << seed;
        nonzero += ab > 0;
        // Equal counts: the larger bounding box is the base either way.
        Minutiae c = ridge_test::distorted_copy(a, how, seed + 77);
        c.resize(std::min(a.size(), c.size()));
        const Minutiae a_cut(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(c.size()));
        if (ridge::boundingBoxArea(a_cut.data(), static_cast<int>(c.size())) !=
            ridge::boundingBoxArea(c.data(), static_cast<int>(c.size()))) {
            EXPECT_EQ(match_score(a_cut, c), match_score(c, a_cut)) << seed;
        }
    }
    EXPECT_GT(nonzero, 15);
}

TEST(ScoreRange, GenuineLikeHighImpostorLowAllWithinBounds)
{
    ridge_test::Distortion how;
    how.rotation_degrees = -20;
    how.shift_x = -30;
    how.shift_y = 12;
    how.jitter = 2;
    how.angle_jitter = 6;
    how.dropped = 8;
    how.added = 6;
    for (uint32_t seed = 0; seed < 10; ++seed) {
        const Minutiae a = random_template(2000 + seed, 50);
        const Minutiae genuine = ridge_test::distorted_copy(a, how, seed);
        const Minutiae impostor = random_template(3000 + seed, 50);
        const double g = match_score(a, genuine), i = match_score(a, impostor);
        EXPECT_GT(g, 40.0) << seed;
        EXPECT_LT(i, 40.0) << seed;
        EXPECT_GE(i, 0.0);
        EXPECT_LE(g, 130.0);
    }
}

TEST(CandidateLoop, AngleGateAtItsEdgeAndAroundTheCircle)
{
    EXPECT_TRUE(ridge::withinCandidateAngle(100, 10));  // 90
    EXPECT_FALSE(ridge::withinCandidateAngle(101, 10)); // 91
    EXPECT_TRUE(ridge::withinCandidateAngle(10, 300));  // 70 around the circle
    EXPECT_TRUE(ridge::withinCandidateAngle(0, 360));   // 0
    EXPECT_TRUE(ridge::withinCandidateAngle(315, 45));  // 90 around the circle
    EXPECT_FALSE(ridge::withinCandidateAngle(314, 45));
}

TEST(CandidateLoop, CoincidentMinutiaeGiveAZeroDenominatorAndScoreZero)
{
    // Every neighbourhood matches, but every alignment has all its live
    // points at one place: the candidates are skipped, nothing traps.
    const Minutiae same(12, RawMinutia{1, 150, 150, 40});
    EXPECT_EQ(0.0, match_score(same, same));
    Minutiae two_places = same;
    for (size_t k = 0; k < 6; ++k)
        two_places[k].x = 190;
    EXPECT_GE(match_score(two_places, two_places), 0.0);
}

TEST(ScoreFormula, MeanOfPerMinutiaScoresOverTen)
{
    EXPECT_DOUBLE_EQ((5000.0 / 20 + 5000.0 / 10) * 50 / 1000, ridge::similarityScore(5000, 10, 20));
    EXPECT_EQ(0.0, ridge::similarityScore(0, 10, 20));
}
