// Direction table, fixed-point arctangent, neighbour averaging, and the
// removal and smoothing passes built on it.
#include "extract/detector_params.h"
#include "extract/maps/dir2rad.h"
#include "extract/maps/fixed_atan2.h"
#include "extract/maps/neighbour_direction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

lfs::Dir2Rad table16()
{
    lfs::Dir2Rad t;
    EXPECT_EQ(ridge::init_dir2rad(t, 16), 0);
    return t;
}

// A mw x mh map filled with `fill`.
std::vector<int> map_of(int mw, int mh, int fill)
{
    return std::vector<int>(static_cast<size_t>(mw * mh), fill);
}

TEST(Dir2Rad, FixedPointTablesOfSixteenDirections)
{
    const lfs::Dir2Rad t = table16();
    ASSERT_EQ(t.ndirs, 16);
    const std::vector<int> ncos = {65536,  60548,  46340,  25080,  0,     -25080, -46340, -60548,
                                   -65536, -60548, -46340, -25080, 0,     25080,  46340,  60548};
    EXPECT_EQ(t.ncos, ncos);
    std::vector<int> nsin(16);
    for (int i = 0; i < 16; ++i)
        nsin[static_cast<size_t>(i)] = ncos[static_cast<size_t>((i + 12) % 16)];
    EXPECT_EQ(t.nsin, nsin);
}

TEST(Dir2Rad, RealTablesAreKeptTo14FractionalBits)
{
    const lfs::Dir2Rad t = table16();
    for (int i = 0; i < 16; ++i) {
        const float c = t.cos[static_cast<size_t>(i)];
        EXPECT_EQ(c * 16384.0f, std::round(c * 16384.0f));
        EXPECT_NEAR(c, std::cos(i * M_PI / 8.0), 1.0 / 32768.0);
        EXPECT_NEAR(t.sin[static_cast<size_t>(i)], std::sin(i * M_PI / 8.0), 1.0 / 32768.0);
    }
    EXPECT_EQ(t.cos[4], 0.0f);
    EXPECT_EQ(t.sin[4], 1.0f);
}

TEST(FixedAtan2, GivenValues)
{
    EXPECT_EQ(ridge::fixed_atan2(-65536, 0), 11796495);
    EXPECT_EQ(ridge::fixed_atan2(0, -65536), -5898253);
}

TEST(FixedAtan2, FollowsTheTrueAngleAllRoundTheCircle)
{
    for (int deg = -179; deg <= 180; ++deg) {
        const double rad = deg * M_PI / 180.0;
        const int32_t x = static_cast<int32_t>(std::lround(400000.0 * std::cos(rad)));
        const int32_t y = static_cast<int32_t>(std::lround(400000.0 * std::sin(rad)));
        const double got = ridge::fixed_atan2(x, y) / 65536.0;
        double diff = got - std::atan2(y, x) * 180.0 / M_PI;
        if (diff > 180.0)
            diff -= 360.0;
        if (diff < -180.0)
            diff += 360.0;
        EXPECT_LT(std::fabs(diff), 0.01) << "at " << deg << " degrees";
    }
}

TEST(NeighbourAverage, EightAgreeingNeighbours)
{
    const lfs::Dir2Rad t = table16();
    std::vector<int> m = map_of(3, 3, 5);
    m[4] = 11; // the block's own direction is not part of its average
    const ridge::NeighbourAverage avg = ridge::average_neighbour_direction(m.data(), 1, 1, 3, 3, t);
    EXPECT_EQ(avg.valid, 8);
    EXPECT_EQ(8 * t.ncos[5], -200640);
    EXPECT_EQ(8 * t.nsin[5], 484384);
    EXPECT_EQ(avg.strength, 65537.0f);
    EXPECT_EQ(avg.direction, 5);
}

TEST(NeighbourAverage, OppositeDirectionsCancel)
{
    const lfs::Dir2Rad t = table16();
    std::vector<int> m = map_of(3, 3, -1);
    m[0] = 0;
    m[8] = 8;
    const ridge::NeighbourAverage avg = ridge::average_neighbour_direction(m.data(), 1, 1, 3, 3, t);
    EXPECT_EQ(avg.valid, 2);
    EXPECT_EQ(avg.strength, 0.0f);
    EXPECT_EQ(avg.direction, -1);
}

TEST(NeighbourAverage, WrapsAcrossDirectionZero)
{
    const lfs::Dir2Rad t = table16();
    std::vector<int> m = map_of(3, 3, -1);
    m[1] = 15;
    m[3] = 0;
    const ridge::NeighbourAverage avg = ridge::average_neighbour_direction(m.data(), 1, 1, 3, 3, t);
    EXPECT_EQ(avg.valid, 2);
    EXPECT_EQ(avg.direction, 0);
}

TEST(NeighbourAverage, NoValidNeighboursAndMapEdges)
{
    const lfs::Dir2Rad t = table16();
    std::vector<int> m = map_of(4, 3, -1);
    ridge::NeighbourAverage avg = ridge::average_neighbour_direction(m.data(), 0, 0, 4, 3, t);
    EXPECT_EQ(avg.valid, 0);
    EXPECT_EQ(avg.direction, -1);
    // At a corner only the three neighbours inside the map count.
    m = map_of(4, 3, 6);
    avg = ridge::average_neighbour_direction(m.data(), 3, 2, 4, 3, t);
    EXPECT_EQ(avg.valid, 3);
    EXPECT_EQ(avg.direction, 6);
}

TEST(NeighbourAverage, WeakAgreementGivesNoDirection)
{
    // Directions 0, 4 and 8 on the doubled circle: 0 and 8 cancel, leaving
    // one unit vector over three neighbours: strength 65536/9 < 13107.
    const lfs::Dir2Rad t = table16();
    std::vector<int> m = map_of(3, 3, -1);
    m[0] = 0;
    m[1] = 4;
    m[2] = 8;
    const ridge::NeighbourAverage avg = ridge::average_neighbour_direction(m.data(), 1, 1, 3, 3, t);
    EXPECT_EQ(avg.valid, 3);
    EXPECT_EQ(avg.direction, -1);
    EXPECT_EQ(avg.strength, 0.0f);
}

TEST(NeighbourAverage, StrengthThresholdIsInclusive)
{
    // Neighbours 0, 0, 0, 4, 8: C = 131072, S = 65536, (C^2 + S^2) / 25 >> 16
    // = 13107, just strong enough; the average lies at 26.6 degrees on the
    // doubled circle, direction 1. Neighbours 0, 2, 2, 6, 8 give 13106.
    const lfs::Dir2Rad t = table16();
    std::vector<int> m = map_of(3, 3, -1);
    m[0] = 0;
    m[1] = 0;
    m[2] = 0;
    m[3] = 4;
    m[5] = 8;
    ridge::NeighbourAverage avg = ridge::average_neighbour_direction(m.data(), 1, 1, 3, 3, t);
    EXPECT_EQ(avg.valid, 5);
    EXPECT_EQ(avg.strength, 13107.0f);
    EXPECT_EQ(avg.direction, 1);

    m[1] = 2;
    m[2] = 2;
    m[3] = 6;
    avg = ridge::average_neighbour_direction(m.data(), 1, 1, 3, 3, t);
    EXPECT_EQ(avg.valid, 5);
    EXPECT_EQ(avg.strength, 0.0f);
    EXPECT_EQ(avg.direction, -1);
}

TEST(RemoveInconsistentDirections, TooFewValidNeighboursFailsEvenWhenAgreeing)
{
    const lfs::Dir2Rad t = table16();
    std::vector<int> m = map_of(5, 5, -1);
    m[12] = 3; // centre
    m[11] = 3;
    m[13] = 3;
    ridge::remove_inconsistent_directions(m, 5, 5, t, ridge::DetectorParams);
    // The centre has 2 valid neighbours, each of its neighbours 1: all fail.
    EXPECT_EQ(m, map_of(5, 5, -1));
}

TEST(RemoveInconsistentDirections, DisagreeingBlockIsRemovedOthersStay)
{
    const lfs::Dir2Rad t = table16();
    std::vector<int> m = map_of(5, 5, 2);
    m[12] = 6; // distance 4 from its neighbours' average
    std::vector<int> want = map_of(5, 5, 2);
    want[12] = -1;
    ridge::remove_inconsistent_directions(m, 5, 5, t, ridge::DetectorParams);
    EXPECT_EQ(m, want);

    m = map_of(5, 5, 2);
    m[12] = 5; // distance 3 is still consistent
    const std::vector<int> kept = m;
    ridge::remove_inconsistent_directions(m, 5, 5, t, ridge::DetectorParams);
    EXPECT_EQ(m, kept);
}

TEST(RemoveInconsistentDirections, PassesJudgeAgainstTheOldMap)
{
    //   . . . 0
    //   . 8 . .
    //   . 1 4 .
    //   . 4 4 .
    // In the first pass block (1,2) still counts (1,1) = 8 among its four
    // neighbours: their average is 5, four steps from its own 1, so it fails
    // together with (1,1) and (3,0). Judged after (1,1) had gone, it would
    // see three 4s (three steps) and stay. The 2x2 rest then falls apart
    // in the second pass, each block left with only 2 valid neighbours.
    const lfs::Dir2Rad t = table16();
    std::vector<int> m = {-1, -1, -1, 0, -1, 8, -1, -1, -1, 1, 4, -1, -1, 4, 4, -1};
    ridge::remove_inconsistent_directions(m, 4, 4, t, ridge::DetectorParams);
    EXPECT_EQ(m, map_of(4, 4, -1));
}

TEST(RemoveInconsistentDirections, RemovalInOnePassCanFailANeighbourInTheNext)
{
    //   . . . .
    //   . 4 4 b
    //   . 4 4 c
    // b = 12 has three valid neighbours averaging 4: eight steps, it fails.
    // c = 4 has three (4, 12, 4): 12 cancels one 4, the rest is too weak to
    // judge, so c passes the first pass; without b it has only two valid
    // neighbours and fails in the second.
    const lfs::Dir2Rad t = table16();
    const int mw = 4, mh = 3;
    std::vector<int> m = map_of(mw, mh, -1);
    for (int y : {1, 2})
        for (int x : {1, 2})
            m[static_cast<size_t>(y * mw + x)] = 4;
    const std::vector<int> square = m;
    m[1 * mw + 3] = 12;
    m[2 * mw + 3] = 4;
    ridge::remove_inconsistent_directions(m, mw, mh, t, ridge::DetectorParams);
    EXPECT_EQ(m, square);
}

// The removal as specified, written plainly: every pass judges all blocks
// against a snapshot, then removes the failures together.
std::vector<int> reference_removal(std::vector<int> m, int mw, int mh, const lfs::Dir2Rad &t)
{
    for (;;) {
        const std::vector<int> old = m;
        bool changed = false;
        for (int y = 0; y < mh; ++y)
            for (int x = 0; x < mw; ++x) {
                const int own = old[static_cast<size_t>(y * mw + x)];
                if (own < 0)
                    continue;
                const ridge::NeighbourAverage a = ridge::average_neighbour_direction(old.data(), x, y, mw, mh, t);
                bool fail = a.valid < 3;
                if (!fail && a.strength >= 13107.0f) {
                    const int d = std::abs(a.direction - own);
                    fail = std::min(d, 16 - d) > 3;
                }
                if (fail) {
                    m[static_cast<size_t>(y * mw + x)] = -1;
                    changed = true;
                }
            }
        if (!changed)
            return m;
    }
}

TEST(RemoveInconsistentDirections, MatchesSnapshotPassesOnRandomMaps)
{
    const lfs::Dir2Rad t = table16();
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> dir(-3, 15);
    std::uniform_int_distribution<int> jitter(-3, 3);
    for (int trial = 0; trial < 300; ++trial) {
        const int mw = 1 + trial % 23, mh = 1 + trial % 17;
        std::vector<int> m(static_cast<size_t>(mw * mh));
        // Odd trials: noise. Even trials: a slowly turning field with
        // jitter and holes, which takes several passes to settle.
        for (int y = 0; y < mh; ++y)
            for (int x = 0; x < mw; ++x) {
                int &d = m[static_cast<size_t>(y * mw + x)];
                if (trial % 2 == 1)
                    d = std::max(-1, dir(rng));
                else
                    d = rng() % 9 == 0 ? -1 : ((x + y) / 4 + jitter(rng) + 16) % 16;
            }
        std::vector<int> got = m;
        ridge::remove_inconsistent_directions(got, mw, mh, t, ridge::DetectorParams);
        EXPECT_EQ(got, reference_removal(m, mw, mh, t)) << "trial " << trial;
    }
}

TEST(SmoothDirectionMap, ValidBlockTakesItsNeighboursAverage)
{
    const lfs::Dir2Rad t = table16();
    std::vector<int> m = map_of(3, 3, 7);
    m[4] = 9;
    std::vector<int> lcm = map_of(3, 3, 1);
    lcm[4] = 0; // only the centre is smoothed
    ridge::smooth_direction_map(m, lcm, 3, 3, t, ridge::DetectorParams);
    EXPECT_EQ(m, map_of(3, 3, 7));
}

TEST(SmoothDirectionMap, AverageOfExactlyThresholdStrengthIsTaken)
{
    const lfs::Dir2Rad t = table16();
    std::vector<int> m = {0, 0, 0, 4, 5, 8, -1, -1, -1}; // strength 13107, average 1
    std::vector<int> lcm = map_of(3, 3, 1);
    lcm[4] = 0; // only the centre is smoothed
    ridge::smooth_direction_map(m, lcm, 3, 3, t, ridge::DetectorParams);
    EXPECT_EQ(m[4], 1);
    m = {0, 2, 2, 6, 5, 8, -1, -1, -1}; // strength 13106: too weak
    ridge::smooth_direction_map(m, lcm, 3, 3, t, ridge::DetectorParams);
    EXPECT_EQ(m[4], 5);
}

TEST(SmoothDirectionMap, InvalidBlockNeedsSevenValidNeighbours)
{
    const lfs::Dir2Rad t = table16();
    std::vector<int> m = map_of(3, 3, 3);
    m[4] = -1;
    m[0] = -1;
    m[1] = -1; // 6 valid neighbours: stays invalid
    const std::vector<int> lcm = map_of(3, 3, 1);
    std::vector<int> lcm_centre = lcm;
    lcm_centre[4] = 0; // only the centre is smoothed
    std::vector<int> a = m;
    ridge::smooth_direction_map(a, lcm_centre, 3, 3, t, ridge::DetectorParams);
    EXPECT_EQ(a[4], -1);
    m[1] = 3; // 7 valid neighbours
    ridge::smooth_direction_map(m, lcm_centre, 3, 3, t, ridge::DetectorParams);
    EXPECT_EQ(m[4], 3);
}

TEST(SmoothDirectionMap, LowContrastBlocksAreLeftAlone)
{
    const lfs::Dir2Rad t = table16();
    std::vector<int> m = map_of(3, 3, 2);
    m[4] = 10;
    std::vector<int> lcm = map_of(3, 3, 0);
    lcm[4] = 1;
    ridge::smooth_direction_map(m, lcm, 3, 3, t, ridge::DetectorParams);
    EXPECT_EQ(m[4], 10);
}

TEST(SmoothDirectionMap, ReadsBlocksAlreadyUpdated)
{
    // All 7 with a 9 in the centre. Block (0,0) averages 7, 7, 9 to 8; block
    // (1,0) then sees that 8 and also turns to 8 (from the old map alone it
    // would average four 7s and a 9 to 7), and so on across the map.
    const lfs::Dir2Rad t = table16();
    std::vector<int> m = map_of(3, 3, 7);
    m[4] = 9;
    const ridge::NeighbourAverage from_old = ridge::average_neighbour_direction(m.data(), 1, 0, 3, 3, t);
    EXPECT_EQ(from_old.direction, 7);
    ridge::smooth_direction_map(m, map_of(3, 3, 0), 3, 3, t, ridge::DetectorParams);
    EXPECT_EQ(m, map_of(3, 3, 8));
}

} // namespace
