// Digital straight lines: both ends included, one pixel per step along the
// longer axis, the other coordinate rounded.
#include "lfs/contour.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

using Xs = std::vector<int>;

TEST(LinePoints, ShallowSlopeRoundsTheMinorAxis)
{
    Xs xs, ys;
    ASSERT_EQ(lfs::line_points(xs, ys, 0, 0, 5, 2), 0);
    EXPECT_EQ(xs, (Xs{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(ys, (Xs{0, 0, 1, 1, 2, 2}));
}

TEST(LinePoints, SteepAndReversed)
{
    Xs xs, ys;
    ASSERT_EQ(lfs::line_points(xs, ys, 3, 4, 2, 0), 0);
    EXPECT_EQ(ys, (Xs{4, 3, 2, 1, 0}));
    EXPECT_EQ(xs, (Xs{3, 3, 3, 2, 2}));
}

TEST(LinePoints, DiagonalAxisAndSinglePoint)
{
    Xs xs, ys;
    ASSERT_EQ(lfs::line_points(xs, ys, 2, 2, 5, -1), 0);
    EXPECT_EQ(xs, (Xs{2, 3, 4, 5}));
    EXPECT_EQ(ys, (Xs{2, 1, 0, -1}));
    ASSERT_EQ(lfs::line_points(xs, ys, 0, 7, 6, 7), 0);
    EXPECT_EQ(ys, Xs(7, 7));
    ASSERT_EQ(lfs::line_points(xs, ys, 4, 4, 4, 4), 0);
    EXPECT_EQ(xs, (Xs{4}));
    EXPECT_EQ(ys, (Xs{4}));
}

TEST(LinePoints, EveryLineIsEightConnectedAndEndsOnTarget)
{
    Xs xs, ys;
    for (int x2 = 0; x2 <= 12; x2++) {
        for (int y2 = 0; y2 <= 12; y2++) {
            ASSERT_EQ(lfs::line_points(xs, ys, 6, 6, x2, y2), 0);
            const size_t n = static_cast<size_t>(std::max(std::abs(x2 - 6), std::abs(y2 - 6))) + 1;
            ASSERT_EQ(xs.size(), n) << x2 << "," << y2;
            EXPECT_EQ(xs.back(), x2);
            EXPECT_EQ(ys.back(), y2);
            for (size_t i = 1; i < n; i++) {
                EXPECT_LE(std::abs(xs[i] - xs[i - 1]), 1);
                EXPECT_LE(std::abs(ys[i] - ys[i - 1]), 1);
            }
        }
    }
}

} // namespace
