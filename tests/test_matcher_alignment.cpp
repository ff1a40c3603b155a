// Correspondences, the least-squares alignment, its fixed-point mapping,
// the rotation gate and the greedy pairing.
#include "matcher/alignment.h"
#include "matcher/int32_arith.h"
#include "matcher/pairing.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

using ridge::Alignment;
using ridge::CorrespondenceList;

namespace {

RawMinutia at(int x, int y, int angle = 0, int type = 1) { return RawMinutia{type, x, y, angle}; }

// Pairs base k with live k for k = 0..n-1.
CorrespondenceList one_to_one(int n)
{
    CorrespondenceList list{};
    for (int k = 0; k < n; ++k)
        list.pairs[k] = {k, k};
    list.count = n;
    return list;
}

Alignment estimate(const std::vector<RawMinutia> &base, const std::vector<RawMinutia> &live)
{
    Alignment a{};
    EXPECT_TRUE(ridge::estimateAlignment(one_to_one(static_cast<int>(base.size())), base.data(),
                                         live.data(), &a));
    return a;
}

std::vector<RawMinutia> shifted(const std::vector<RawMinutia> &m, int dx, int dy)
{
    std::vector<RawMinutia> out = m;
    for (RawMinutia &r : out) {
        r.x += dx;
        r.y += dy;
    }
    return out;
}

const std::vector<RawMinutia> kPoints = {at(120, 80), at(200, 95), at(150, 210), at(90, 160), at(240, 190)};

} // namespace

TEST(CollectCorrespondences, MatchedNeighboursInBasePositionOrderThenTheCandidate)
{
    ridge::Neighbourhood base{}, live{};
    const int base_index[7] = {9, 3, 12, 5, 1, 7, 8};
    for (int k = 0; k < 7; ++k) {
        base.records[k].index = base_index[k];
        live.records[k].index = 20 + k;
    }
    ridge::NeighbourMatch match{4, {2, -1, 0, 6, 1, -1, -1}};
    CorrespondenceList list{};
    ridge::collectCorrespondences(base, live, match, 40, 41, &list);
    ASSERT_EQ(5, list.count);
    const int want_base[5] = {1, 5, 9, 12, 40};
    const int want_live[5] = {21, 26, 22, 20, 41};
    for (int p = 0; p < 5; ++p) {
        EXPECT_EQ(want_base[p], list.pairs[p].base) << p;
        EXPECT_EQ(want_live[p], list.pairs[p].live) << p;
    }
}

TEST(EstimateAlignment, IdenticalPointsGiveTheIdentity)
{
    const Alignment a = estimate(kPoints, kPoints);
    EXPECT_EQ(256, a.c);
    EXPECT_EQ(0, a.s);
    EXPECT_EQ(0, a.rotation);
    EXPECT_EQ(0, a.tx256);
    EXPECT_EQ(0, a.ty256);
}

TEST(EstimateAlignment, ShiftedPointsGiveTheTranslationInFixedPoint)
{
    const Alignment a = estimate(kPoints, shifted(kPoints, -5, -3));
    EXPECT_EQ(256, a.c);
    EXPECT_EQ(0, a.s);
    EXPECT_EQ(0, a.rotation);
    EXPECT_EQ(1280, a.tx256);
    EXPECT_EQ(768, a.ty256);
}

TEST(EstimateAlignment, TranslationIsTruncatedToWholePixelsBeforeScaling)
{
    // Live points centred on the origin make the translation the mean of
    // the base points: 11 / 4 = 2.75, or -2.75.
    const std::vector<RawMinutia> live = {at(-10, -10), at(10, -10), at(10, 10), at(-10, 10)};
    std::vector<RawMinutia> base = live;
    const int offsets[4] = {2, 3, 3, 3};
    for (int k = 0; k < 4; ++k)
        base[static_cast<size_t>(k)].x += offsets[k];
    EXPECT_EQ(512, estimate(base, live).tx256);
    EXPECT_EQ(0, estimate(base, live).ty256);
    for (int k = 0; k < 4; ++k)
        base[static_cast<size_t>(k)].x -= 2 * offsets[k];
    EXPECT_EQ(-512, estimate(base, live).tx256);
}

TEST(EstimateAlignment, TurnedPointsGiveTheRotationTruncated)
{
    // Live points turned by -30 degrees (clockwise on the image) about the
    // origin need +30 to come back; y grows downwards on the image, so the
    // transform's own sense is the mathematical one in (x, y).
    std::vector<RawMinutia> live;
    const double t = 30.0 * M_PI / 180.0;
    for (const RawMinutia &p : kPoints) {
        const double x = p.x * std::cos(-t) - p.y * std::sin(-t);
        const double y = p.x * std::sin(-t) + p.y * std::cos(-t);
        live.push_back(at(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))));
    }
    const Alignment a = estimate(kPoints, live);
    EXPECT_TRUE(a.rotation == 29 || a.rotation == 30) << a.rotation;
    EXPECT_NEAR(256 * std::cos(t), a.c, 2);
    EXPECT_NEAR(256 * std::sin(t), a.s, 2);
}

TEST(EstimateAlignment, AllLivePointsAtOnePlaceAreRefused)
{
    const std::vector<RawMinutia> live(5, at(70, 70));
    Alignment a{};
    EXPECT_FALSE(ridge::estimateAlignment(one_to_one(5), kPoints.data(), live.data(), &a));
}

TEST(EstimateAlignment, QuotientsWithoutA32BitValueAreRefused)
{
    int32_t q = 5;
    EXPECT_FALSE(ridge::divide32(7, 0, &q));
    EXPECT_FALSE(ridge::divide32(INT32_MIN, -1, &q));
    EXPECT_TRUE(ridge::divide32(INT32_MIN, 1, &q));
    EXPECT_EQ(INT32_MIN, q);
    EXPECT_TRUE(ridge::divide32(-7, 2, &q));
    EXPECT_EQ(-3, q);
}

TEST(RotationGate, NinetyEitherWayPassesNinetyOneDoesNot)
{
    EXPECT_TRUE(ridge::rotationWithinGate(90));
    EXPECT_TRUE(ridge::rotationWithinGate(-90));
    EXPECT_TRUE(ridge::rotationWithinGate(0));
    EXPECT_FALSE(ridge::rotationWithinGate(91));
    EXPECT_FALSE(ridge::rotationWithinGate(-91));
}

TEST(ApplyAlignment, FixedPointMappingShiftsArithmetically)
{
    const RawMinutia live[3] = {at(0, 0, 10, 2), at(1, 0, 350), at(100, 50, 360)};
    RawMinutia out[3];
    ridge::applyAlignment(live, 3, Alignment{255, 0, 30, -256, 0}, out);
    EXPECT_EQ(-1, out[0].x); // -256 >> 8
    EXPECT_EQ(-1, out[1].x); // (255 - 256) >> 8 = -1, not 0
    EXPECT_EQ(0, out[1].y);
    EXPECT_EQ(340, out[0].angle); // 10 - 30
    EXPECT_EQ(2, out[0].type);
    ridge::applyAlignment(live, 3, Alignment{256, 0, -20, 0, 0}, out);
    EXPECT_EQ(10, out[1].angle); // 350 + 20
    EXPECT_EQ(20, out[2].angle); // 360 + 20
    ridge::applyAlignment(live, 3, Alignment{0, 256, 90, 512, -256}, out);
    // Quarter turn: (x, y) -> (-y + 2, x - 1).
    EXPECT_EQ(-48, out[2].x);
    EXPECT_EQ(99, out[2].y);
    EXPECT_EQ(270, out[2].angle);
}

TEST(ApplyAlignment, OverflowWrapsInsteadOfTrapping)
{
    const RawMinutia live[1] = {at(INT32_MAX, INT32_MIN, INT32_MIN)};
    RawMinutia out[1];
    ridge::applyAlignment(live, 1, Alignment{INT32_MAX, INT32_MIN, 179, INT32_MAX, INT32_MIN}, out);
    const uint32_t x = (uint32_t(INT32_MAX) * uint32_t(INT32_MAX) - uint32_t(INT32_MIN) * uint32_t(INT32_MIN) +
                        uint32_t(INT32_MAX));
    EXPECT_EQ(ridge::shift_right_8(static_cast<int32_t>(x)), out[0].x);
    EXPECT_GE(out[0].angle, 0);
    EXPECT_LT(out[0].angle, 360);
}

TEST(ScorePairing, DistanceAndRowLimits)
{
    struct Case { int dx, dy; bool paired; };
    const Case cases[] = {{8, 0, true}, {2, 8, true}, {8, 1, true}, {-8, -1, true}, {6, 6, false},
                          {8, 3, false}, {0, 9, false}, {0, -9, false}, {9, 0, false}};
    for (const Case &c : cases) {
        const RawMinutia base[1] = {at(100, 100, 40)};
        const RawMinutia live[1] = {at(100 - c.dx, 100 - c.dy, 40)};
        EXPECT_EQ(c.paired ? 1065 : 0, ridge::scorePairing(base, 1, live, 1)) << c.dx << "," << c.dy;
    }
}

TEST(ScorePairing, AngleLimitAroundTheCircle)
{
    struct Case { int base_angle, live_angle; bool paired; };
    const Case cases[] = {{40, 65, true}, {40, 66, false}, {65, 40, true}, {350, 10, true},
                          {10, 345, true}, {10, 344, false}, {0, 359, true}, {360, 0, true}};
    for (const Case &c : cases) {
        const RawMinutia base[1] = {at(100, 100, c.base_angle)};
        const RawMinutia live[1] = {at(101, 100, c.live_angle)};
        EXPECT_EQ(c.paired ? 1065 : 0, ridge::scorePairing(base, 1, live, 1))
            << c.base_angle << " " << c.live_angle;
    }
}

TEST(ScorePairing, PointsByTypes)
{
    const RawMinutia base[3] = {at(10, 10, 0, 1), at(50, 10, 0, 2), at(90, 10, 0, 1)};
    const RawMinutia live[3] = {at(10, 10, 0, 1), at(50, 10, 0, 2), at(90, 10, 0, 2)};
    EXPECT_EQ(1065 + 1300 + 1000, ridge::scorePairing(base, 3, live, 3));
    EXPECT_EQ(1000, ridge::pair_points(3, 3));
    EXPECT_EQ(1000, ridge::pair_points(2, 1));
}

TEST(ScorePairing, NearestWinsAndEqualDistancesKeepTheLowerPosition)
{
    const RawMinutia base[1] = {at(100, 100)};
    const RawMinutia live[3] = {at(103, 100), at(98, 100), at(100, 102)};
    // Squared distances 9, 4, 4: live 1 is taken, so a second base minutia
    // at the same place takes live 2.
    const RawMinutia two[2] = {at(100, 100, 0, 1), at(100, 100, 0, 2)};
    const RawMinutia typed[3] = {at(103, 100, 0, 2), at(98, 100, 0, 1), at(100, 102, 0, 2)};
    EXPECT_EQ(1065, ridge::scorePairing(base, 1, live, 3));
    EXPECT_EQ(1065 + 1300, ridge::scorePairing(two, 2, typed, 3));
}

TEST(ScorePairing, GreedyInBaseOrder)
{
    // Base 0 takes live 0 (its only partner would be fine for base 1 too,
    // which is closer); base 1 then falls back to live 1 or stays unpaired.
    const RawMinutia base[2] = {at(100, 100), at(106, 100)};
    const RawMinutia live_one[1] = {at(105, 100)};
    EXPECT_EQ(1065, ridge::scorePairing(base, 2, live_one, 1));
    const RawMinutia live_two[2] = {at(105, 100), at(112, 100)};
    EXPECT_EQ(2130, ridge::scorePairing(base, 2, live_two, 2));
    const RawMinutia live_far[2] = {at(105, 100), at(115, 100)};
    EXPECT_EQ(1065, ridge::scorePairing(base, 2, live_far, 2));
}

TEST(EvaluateCandidate, RejectsTurnsBeyondTheGate)
{
    // Identical neighbourhoods of template points; the live copy turned by
    // 120 degrees is refused, by 60 degrees it pairs every minutia.
    std::vector<RawMinutia> base = {at(0, 0),    at(40, 0),    at(0, 40),  at(-40, 0),
                                    at(0, -40),  at(30, 30),   at(-30, 30), at(30, -30)};
    for (double degrees : {60.0, 120.0}) {
        const double t = degrees * M_PI / 180.0;
        std::vector<RawMinutia> live;
        for (const RawMinutia &p : base) {
            const double x = p.x * std::cos(t) - p.y * std::sin(t);
            const double y = p.x * std::sin(t) + p.y * std::cos(t);
            // The alignment turns live angles by -rotation; give them the
            // matching turn so that the pairs agree.
            int angle = static_cast<int>(std::lround(-degrees)) % 360;
            live.push_back(at(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)),
                              angle < 0 ? angle + 360 : angle));
        }
        ridge::Neighbourhood bh{}, lh{};
        for (int k = 0; k < 7; ++k) {
            bh.records[k].index = k + 1;
            lh.records[k].index = k + 1;
        }
        const ridge::NeighbourMatch match{7, {0, 1, 2, 3, 4, 5, 6}};
        const int32_t score =
            ridge::evaluateCandidate(base.data(), 8, live.data(), 8, 0, 0, bh, lh, match);
        if (degrees > 90)
            EXPECT_EQ(ridge::kCandidateRejected, score);
        else
            EXPECT_EQ(8 * 1065, score);
    }
}
