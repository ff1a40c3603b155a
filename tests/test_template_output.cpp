// The last steps of the extraction: the cap of 128 by reliability, the
// final order and the conversion to raw minutiae.
#include "extract/minutiae/minutiae_limit.h"
#include "extract/minutiae/raw_conversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>

namespace {

lfs::Minutia at(int x, int y, float reliability)
{
    lfs::Minutia m;
    lfs::create_minutia(m, x, y, x, y - 1, 0, reliability, lfs::RIDGE_ENDING, lfs::APPEARING, 0);
    return m;
}

float radians(double degrees)
{
    return static_cast<float>(degrees * 3.14159265358979323846 / 180.0);
}

TEST(LimitMinutiae, KeepsTheMostReliableWhenOverTheCap)
{
    lfs::Minutiae ms;
    lfs::alloc_minutiae(ms, 1000);
    // 200 minutiae, reliability rising with the index, in shuffled order.
    std::vector<int> ids(200);
    for (int i = 0; i < 200; ++i)
        ids[static_cast<size_t>(i)] = i;
    std::mt19937 rng(7);
    std::shuffle(ids.begin(), ids.end(), rng);
    for (int id : ids)
        ms.list.push_back(at(id % 17, 300 - id, 0.01f + 0.004f * static_cast<float>(id)));

    ridge::limit_minutiae(ms);
    ASSERT_EQ(ms.num(), ridge::kMaxTemplateMinutiae);
    std::set<int> kept;
    for (const auto &m : ms.list)
        kept.insert(300 - m.y);
    EXPECT_EQ(*kept.begin(), 72);  // ids 72..199 are the 128 most reliable
    EXPECT_EQ(*kept.rbegin(), 199);
    EXPECT_EQ(kept.size(), 128u);
}

TEST(LimitMinutiae, OrdersByYThenX)
{
    lfs::Minutiae ms;
    lfs::alloc_minutiae(ms, 10);
    ms.list = {at(5, 9, 0.5f), at(3, 2, 0.1f), at(1, 9, 0.9f), at(7, 2, 0.3f), at(0, 4, 0.2f)};
    ridge::limit_minutiae(ms);
    ASSERT_EQ(ms.num(), 5);  // under the cap nothing is dropped, however unreliable
    const int want[5][2] = {{3, 2}, {7, 2}, {0, 4}, {1, 9}, {5, 9}};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(ms.list[i].x, want[i][0]);
        EXPECT_EQ(ms.list[i].y, want[i][1]);
    }
}

TEST(LimitMinutiae, ExactlyTheCapIsKeptWhole)
{
    lfs::Minutiae ms;
    lfs::alloc_minutiae(ms, 200);
    for (int i = 0; i < 128; ++i)
        ms.list.push_back(at(i, 128 - i, 0.01f));
    ridge::limit_minutiae(ms);
    ASSERT_EQ(ms.num(), 128);
    EXPECT_EQ(ms.list.front().y, 1);
    EXPECT_EQ(ms.list.back().y, 128);
    ridge::limit_minutiae(ms);  // idempotent
    EXPECT_EQ(ms.list.front().y, 1);
}

TEST(RawConversion, SixteenthsOfAHalfTurnRoundHalvesUp)
{
    // k * pi/16 in single precision, as the direction-based angles are made.
    for (int k = 0; k < 32; ++k) {
        const float a = static_cast<float>(k) * (lfs::PI_F / 16.0f);
        const int want = 2 * static_cast<int>(std::floor(5.625 * k + 0.5));
        EXPECT_EQ(ridge::raw_angle_degrees(a), want) << "k = " << k;
    }
    EXPECT_EQ(ridge::raw_angle_degrees(4.0f * (lfs::PI_F / 16.0f)), 46);
}

TEST(RawConversion, AnglesNearAFullTurnGive360)
{
    EXPECT_EQ(ridge::raw_angle_degrees(radians(359.5)), 360);
    EXPECT_EQ(ridge::raw_angle_degrees(radians(359.0)), 360);
    EXPECT_EQ(ridge::raw_angle_degrees(radians(358.9)), 358);
    EXPECT_EQ(ridge::raw_angle_degrees(radians(1.0)), 2);   // halves round away from zero
    EXPECT_EQ(ridge::raw_angle_degrees(radians(0.9)), 0);
    EXPECT_EQ(ridge::raw_angle_degrees(radians(-1.0)), 358);
    for (int tenth = 0; tenth < 3600; ++tenth) {
        const int deg = ridge::raw_angle_degrees(radians(tenth / 10.0));
        EXPECT_EQ(deg % 2, 0);
        EXPECT_GE(deg, 0);
        EXPECT_LE(deg, 360);
    }
}

TEST(RawConversion, TypesAndPositions)
{
    lfs::Minutiae ms;
    lfs::alloc_minutiae(ms, 4);
    lfs::Minutia ending = at(12, 34, 0.5f);
    ending.angle = radians(90.0);
    lfs::Minutia fork = at(56, 78, 0.5f);
    fork.type = lfs::BIFURCATION;
    fork.angle = radians(200.0);
    ms.list = {ending, fork};
    const auto raw = ridge::to_raw_minutiae(ms);
    ASSERT_EQ(raw.size(), 2u);
    EXPECT_EQ(raw[0].type, FPT_MINUTIA_RIDGE_ENDING);
    EXPECT_EQ(raw[0].x, 12);
    EXPECT_EQ(raw[0].y, 34);
    EXPECT_EQ(raw[0].angle, 90);
    EXPECT_EQ(raw[1].type, FPT_MINUTIA_BIFURCATION);
    EXPECT_EQ(raw[1].x, 56);
    EXPECT_EQ(raw[1].y, 78);
    EXPECT_EQ(raw[1].angle, 200);
    static_assert(sizeof(RawMinutia) == 16, "raw record is 16 bytes");
}

} // namespace
