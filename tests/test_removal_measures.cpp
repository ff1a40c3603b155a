// Measures shared by the removal tests: the direction table, the minutia
// distance, the direction difference, the relative extrema of a contour
// and the join line.
#include "lfs/direction_table.h"
#include "extract/minutiae/join_line.h"
#include "extract/minutiae/minutia_distance.h"
#include "lfs/minmaxs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

TEST(DirectionTable, SixDigitValuesWithTheTwoOddEntries)
{
    for (int d = 0; d < 32; ++d) {
        const double a = d * 11.25 * M_PI / 180.0;
        const bool odd_sin = d == 18, odd_cos = d == 26;
        EXPECT_NEAR(ridge::direction_sin(d), std::sin(a), odd_sin ? 1.2e-6 : 6e-7) << d;
        EXPECT_NEAR(ridge::direction_cos(d), std::cos(a), odd_cos ? 1.2e-6 : 6e-7) << d;
    }
    EXPECT_EQ(ridge::direction_sin(18), -0.382684f);
    EXPECT_EQ(ridge::direction_cos(26), 0.382684f);
    EXPECT_EQ(ridge::direction_sin(30), -0.382683f);
    EXPECT_EQ(ridge::direction_cos(6), 0.382683f);
    EXPECT_EQ(ridge::direction_sin(8), 1.0f);
    EXPECT_EQ(ridge::direction_cos(16), -1.0f);
    EXPECT_EQ(ridge::direction_sin(-1), ridge::direction_sin(31));
    EXPECT_EQ(ridge::direction_cos(33), ridge::direction_cos(1));
}

TEST(MinutiaDistance, WholeWhenExactHalfAboveOtherwise)
{
    EXPECT_EQ(ridge::minutia_distance(3, 4), 5.0f);
    EXPECT_EQ(ridge::minutia_distance(-4, -3), 5.0f);
    EXPECT_EQ(ridge::minutia_distance(1, 7), 7.5f); // s = 50
    EXPECT_EQ(ridge::minutia_distance(5, 5), 7.5f); // s = 50
    EXPECT_EQ(ridge::minutia_distance(0, 0), 0.0f);
    EXPECT_EQ(ridge::minutia_distance(1, 1), 1.5f);
    EXPECT_EQ(ridge::minutia_distance(0, 15), 15.0f);
    EXPECT_EQ(ridge::minutia_distance(6, 8), 10.0f);
    EXPECT_EQ(ridge::minutia_distance(7, 7), 9.5f); // s = 98, r = 9
    EXPECT_EQ(ridge::minutia_distance(30000, 40000), 50000.0f);
    lfs::Minutia a, b;
    a.x = 10;
    a.y = 20;
    b.x = 13;
    b.y = 24;
    EXPECT_EQ(ridge::minutia_distance(a, b), 5.0f);
    EXPECT_EQ(ridge::minutia_distance(b, a), 5.0f);
}

TEST(MinutiaDistance, DirectionDifferenceFoldsOntoHalfTurn)
{
    EXPECT_EQ(ridge::minutia_direction_difference(0, 16), 16);
    EXPECT_EQ(ridge::minutia_direction_difference(2, 30), 4);
    EXPECT_EQ(ridge::minutia_direction_difference(30, 2), 4);
    EXPECT_EQ(ridge::minutia_direction_difference(5, 5), 0);
    EXPECT_EQ(ridge::minutia_direction_difference(3, 18), 15);
    EXPECT_EQ(ridge::minutia_direction_difference(0, 17), 15);
}

std::vector<int> extrema_positions(const lfs::MinMaxs &m)
{
    std::vector<int> out;
    for (int i = 0; i < m.num(); ++i)
        out.push_back(m.type[i] * 100 + m.index[i]);
    return out;
}

TEST(MinMaxs, TurnsAreReportedAtTheItemBefore)
{
    lfs::MinMaxs m;
    // A sharp turn at index 2 is reported at index 1.
    lfs::minmaxs(m, {3, 2, 1, 2, 3});
    EXPECT_EQ(extrema_positions(m), (std::vector<int>{-100 + 1}));
    EXPECT_EQ(m.val[0], 2);
    // A plateau (indices 2..4) is reported midway between the last fall,
    // measured at index 1, and the rise at index 4.
    lfs::minmaxs(m, {5, 4, 3, 3, 3, 4});
    EXPECT_EQ(extrema_positions(m), (std::vector<int>{-100 + 2}));
    lfs::minmaxs(m, {0, 2, 1, 3, 0, 1});
    EXPECT_EQ(extrema_positions(m), (std::vector<int>{100 + 0, -100 + 1, 100 + 2, -100 + 3}));
    EXPECT_EQ(m.val, (std::vector<int>{0, 2, 1, 3}));
}

TEST(MinMaxs, LevelLeadInAndShortSequences)
{
    lfs::MinMaxs m;
    // A level lead-in of more than one step counts as an extremum.
    lfs::minmaxs(m, {2, 2, 2, 3});
    EXPECT_EQ(extrema_positions(m), (std::vector<int>{-100 + 1}));
    lfs::minmaxs(m, {2, 2, 3});
    EXPECT_TRUE(m.val.empty());
    lfs::minmaxs(m, {1, 0});
    EXPECT_TRUE(m.val.empty());
    lfs::minmaxs(m, {1, 2, 3, 4});
    EXPECT_TRUE(m.val.empty());
}

struct Canvas {
    int w, h;
    std::vector<unsigned char> px;
    Canvas(int width, int height) : w(width), h(height), px(static_cast<size_t>(width * height), 0) {}
    int at(int x, int y) const { return px[static_cast<size_t>(y * w + x)]; }
    int count() const
    {
        int n = 0;
        for (unsigned char v : px)
            n += v;
        return n;
    }
};

// Every line is 8-connected, sets max(|dx|, |dy|) + 1 pixels and both ends.
TEST(JoinLine, EightConnectedWithBothEnds)
{
    const int ends[][4] = {{2, 2, 12, 2}, {2, 2, 2, 12}, {2, 2, 9, 9}, {3, 4, 13, 8}, {13, 8, 3, 4},
                           {4, 3, 8, 13}, {12, 2, 2, 7}, {5, 5, 5, 5}, {2, 12, 11, 3}, {6, 2, 7, 13}};
    for (const auto &e : ends) {
        Canvas c(16, 16);
        ridge::draw_join_line(c.px.data(), c.w, c.h, e[0], e[1], e[2], e[3], 1);
        const int major = std::max(std::abs(e[2] - e[0]), std::abs(e[3] - e[1]));
        EXPECT_EQ(c.count(), major + 1) << e[0] << "," << e[1] << " to " << e[2] << "," << e[3];
        EXPECT_EQ(c.at(e[0], e[1]), 1);
        EXPECT_EQ(c.at(e[2], e[3]), 1);
    }
}

TEST(JoinLine, DecisionStepsMinorAxisWhenNotNegative)
{
    // From (0,0) to (4,2): decision 0 at the start steps y at once.
    Canvas c(6, 4);
    ridge::draw_join_line(c.px.data(), c.w, c.h, 0, 0, 4, 2, 1);
    EXPECT_EQ(c.at(0, 0), 1);
    EXPECT_EQ(c.at(1, 1), 1);
    EXPECT_EQ(c.at(2, 1), 1);
    EXPECT_EQ(c.at(3, 2), 1);
    EXPECT_EQ(c.at(4, 2), 1);
    EXPECT_EQ(c.count(), 5);
    // Equal extents step the vertical axis: a pure diagonal.
    Canvas d(6, 6);
    ridge::draw_join_line(d.px.data(), d.w, d.h, 4, 0, 0, 4, 1);
    for (int i = 0; i <= 4; ++i)
        EXPECT_EQ(d.at(4 - i, i), 1);
}

TEST(JoinLine, PixelsOutsideTheImageAreSkipped)
{
    Canvas c(8, 8);
    ridge::draw_join_line(c.px.data(), c.w, c.h, -3, 2, 10, 2, 1);
    EXPECT_EQ(c.count(), 8);
    ridge::draw_join_line(c.px.data(), c.w, c.h, -5, -5, -1, -9, 1);
    EXPECT_EQ(c.count(), 8);
}

} // namespace
