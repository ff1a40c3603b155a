// Contour tracing on small binary images: neighbour order, the step rule,
// traces, searches and centred contours, with their found / not found /
// ignored outcomes.
#include "lfs/contour.h"
#include "support/binary_art.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

namespace {

using ridge_test::binary_art;
using Points = std::vector<std::pair<int, int>>;

Points points_of(const lfs::Contour &c)
{
    Points p;
    for (int i = 0; i < c.num(); i++)
        p.emplace_back(c.x[i], c.y[i]);
    return p;
}

// A 3x3 ridge blob in the middle of a 5x5 image.
ridge_test::BinaryArt blob()
{
    return binary_art({".....", ".###.", ".###.", ".###.", "....."});
}

TEST(ContourNeighbours, ClockwiseVisitsNorthThenRoundToNorthWest)
{
    // Clockwise from north: N, NE, E, SE, S, SW, W, NW (rows grow downwards).
    const int want_dx[8] = {0, 1, 1, 1, 0, -1, -1, -1};
    const int want_dy[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
    int i = lfs::NORTH;
    for (int k = 0; k < 8; k++) {
        EXPECT_EQ(lfs::nbr8_dx[i], want_dx[k]) << k;
        EXPECT_EQ(lfs::nbr8_dy[i], want_dy[k]) << k;
        i = lfs::next_scan_nbr(i, lfs::SCAN_CLOCKWISE);
    }
    EXPECT_EQ(i, lfs::NORTH);
}

TEST(ContourNeighbours, CounterClockwiseIsTheReverseOrder)
{
    int i = lfs::NORTH;
    const int want[8] = {lfs::NORTH_WEST, lfs::WEST, lfs::SOUTH_WEST, lfs::SOUTH,
                         lfs::SOUTH_EAST, lfs::EAST, lfs::NORTH_EAST, lfs::NORTH};
    for (int k = 0; k < 8; k++) {
        i = lfs::next_scan_nbr(i, lfs::SCAN_COUNTER_CLOCKWISE);
        EXPECT_EQ(i, want[k]) << k;
    }
}

TEST(ContourNeighbours, StartIsTheEdgeSideOrInvalid)
{
    EXPECT_EQ(lfs::start_scan_nbr(5, 5, 5, 4), lfs::NORTH);
    EXPECT_EQ(lfs::start_scan_nbr(5, 5, 6, 5), lfs::EAST);
    EXPECT_EQ(lfs::start_scan_nbr(5, 5, 5, 6), lfs::SOUTH);
    EXPECT_EQ(lfs::start_scan_nbr(5, 5, 4, 5), lfs::WEST);
    EXPECT_EQ(lfs::start_scan_nbr(5, 5, 6, 6), lfs::INVALID_DIR);
    EXPECT_EQ(lfs::start_scan_nbr(5, 5, 5, 5), lfs::INVALID_DIR);
}

TEST(ContourStep, ClockwiseAndCounterClockwiseGoOppositeWays)
{
    auto img = blob();
    int x, y, ex, ey;
    // From the top middle with the edge above: clockwise turns east.
    ASSERT_TRUE(lfs::next_contour_pixel(&x, &y, &ex, &ey, 2, 1, 2, 0, lfs::SCAN_CLOCKWISE, img.data(), 5, 5));
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(3, 1));
    EXPECT_EQ(std::make_pair(ex, ey), std::make_pair(3, 0));
    ASSERT_TRUE(
        lfs::next_contour_pixel(&x, &y, &ex, &ey, 2, 1, 2, 0, lfs::SCAN_COUNTER_CLOCKWISE, img.data(), 5, 5));
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(1, 1));
    EXPECT_EQ(std::make_pair(ex, ey), std::make_pair(1, 0));
}

TEST(ContourStep, DiagonalStepKeepsAFourNeighbourEdge)
{
    // From (1,1) with the edge above, clockwise: NE (2,0) is a ridge pixel
    // and so is the east neighbour after it, so the step goes diagonally and
    // the north neighbour becomes the edge.
    auto img = binary_art({"..#", ".##", "..."});
    int x, y, ex, ey;
    ASSERT_TRUE(lfs::next_contour_pixel(&x, &y, &ex, &ey, 1, 1, 1, 0, lfs::SCAN_CLOCKWISE, img.data(), 3, 3));
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(2, 0));
    EXPECT_EQ(std::make_pair(ex, ey), std::make_pair(1, 0));
}

TEST(ContourStep, DoesNotCrossACornerOnlyPinch)
{
    // (1,1) touches (2,0) at a corner only; clockwise from the north edge
    // the step must not jump there but go on round to the south.
    auto img = binary_art({"..#", ".#.", ".#."});
    int x, y, ex, ey;
    ASSERT_TRUE(lfs::next_contour_pixel(&x, &y, &ex, &ey, 1, 1, 1, 0, lfs::SCAN_CLOCKWISE, img.data(), 3, 3));
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(1, 2));
    EXPECT_EQ(std::make_pair(ex, ey), std::make_pair(2, 2));
}

TEST(ContourStep, IsolatedPixelOrImageBorderStops)
{
    auto lone = binary_art({"...", ".#.", "..."});
    int x, y, ex, ey;
    EXPECT_FALSE(lfs::next_contour_pixel(&x, &y, &ex, &ey, 1, 1, 1, 0, lfs::SCAN_CLOCKWISE, lone.data(), 3, 3));
    // A pixel on the left column: scanning counter-clockwise from the east,
    // north-east and north hold no ridge and north-west is outside.
    auto top = binary_art({"...", "#..", "..."});
    EXPECT_FALSE(lfs::next_contour_pixel(&x, &y, &ex, &ey, 0, 1, 1, 1, lfs::SCAN_COUNTER_CLOCKWISE, top.data(), 3, 3));
}

TEST(ContourStep, UncheckedStepAgreesWithTheCheckedOne)
{
    // Every pixel of binary noise as the current pixel, with each of its
    // four neighbours, a diagonal and a far pixel as the edge, both ways
    // round: the step away from the border must give what the step that
    // checks every neighbour gives, at the border and inside alike.
    std::mt19937 rng(29);
    for (int density : {2, 4}) {
        const int iw = 13, ih = 11;
        std::vector<unsigned char> img(static_cast<size_t>(iw * ih));
        for (auto &v : img)
            v = static_cast<unsigned char>(rng() % static_cast<unsigned>(density) == 0);
        const int edges[][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}, {1, 1}, {5, -3}};
        for (int y = 0; y < ih; ++y)
            for (int x = 0; x < iw; ++x)
                for (const auto &e : edges)
                    for (int clock : {lfs::SCAN_CLOCKWISE, lfs::SCAN_COUNTER_CLOCKWISE}) {
                        int fast[4] = {-9, -9, -9, -9}, plain[4] = {-9, -9, -9, -9};
                        const int rf = lfs::next_contour_pixel(&fast[0], &fast[1], &fast[2], &fast[3], x, y,
                                                               x + e[0], y + e[1], clock, img.data(), iw, ih);
                        const int rp = lfs::next_contour_pixel_plain(&plain[0], &plain[1], &plain[2], &plain[3], x,
                                                                     y, x + e[0], y + e[1], clock, img.data(), iw, ih);
                        ASSERT_EQ(rf, rp) << x << "," << y;
                        for (int k = 0; k < 4; ++k)
                            ASSERT_EQ(fast[k], plain[k]) << x << "," << y << " edge " << e[0] << "," << e[1];
                    }
    }
}

TEST(ContourTrace, ClosesRoundABlobBothWays)
{
    auto img = blob();
    lfs::Contour c;
    ASSERT_EQ(lfs::trace_contour(c, 20, 2, 1, 2, 1, 2, 0, lfs::SCAN_CLOCKWISE, img.data(), 5, 5), lfs::LOOP_FOUND);
    EXPECT_EQ(points_of(c), (Points{{3, 1}, {3, 2}, {3, 3}, {2, 3}, {1, 3}, {1, 2}, {1, 1}}));
    ASSERT_EQ(lfs::trace_contour(c, 20, 2, 1, 2, 1, 2, 0, lfs::SCAN_COUNTER_CLOCKWISE, img.data(), 5, 5),
              lfs::LOOP_FOUND);
    EXPECT_EQ(points_of(c), (Points{{1, 1}, {1, 2}, {1, 3}, {2, 3}, {3, 3}, {3, 2}, {3, 1}}));
    // Every edge pixel is a 4-neighbour of its contour pixel, of the other value.
    for (int i = 0; i < c.num(); i++) {
        EXPECT_EQ(std::abs(c.x[i] - c.ex[i]) + std::abs(c.y[i] - c.ey[i]), 1) << i;
        EXPECT_NE(img.at(c.x[i], c.y[i]), img.at(c.ex[i], c.ey[i])) << i;
    }
}

TEST(ContourTrace, StopsAtTheStepLimitOrWhereItCannotGoOn)
{
    auto img = blob();
    lfs::Contour c;
    EXPECT_EQ(lfs::trace_contour(c, 3, 2, 1, 2, 1, 2, 0, lfs::SCAN_CLOCKWISE, img.data(), 5, 5), 0);
    EXPECT_EQ(points_of(c), (Points{{3, 1}, {3, 2}, {3, 3}}));
    // A ridge along the image's top row runs off the image.
    auto edge = binary_art({"#####", ".....", "....."});
    EXPECT_EQ(lfs::trace_contour(c, 10, -1, -1, 2, 0, 2, 1, lfs::SCAN_CLOCKWISE, edge.data(), 5, 3), 0);
    EXPECT_EQ(points_of(c), (Points{{1, 0}, {0, 0}}));
}

TEST(ContourTrace, IgnoredWhenStartAndEdgeMatchOrLieOutside)
{
    auto img = blob();
    lfs::Contour c;
    EXPECT_EQ(lfs::trace_contour(c, 10, 2, 2, 2, 2, 2, 1, lfs::SCAN_CLOCKWISE, img.data(), 5, 5), lfs::IGNORE);
    EXPECT_EQ(c.num(), 0);
    EXPECT_EQ(lfs::trace_contour(c, 10, 0, 0, 0, 0, 0, -1, lfs::SCAN_CLOCKWISE, img.data(), 5, 5), lfs::IGNORE);
    EXPECT_EQ(lfs::trace_contour(c, 10, 9, 9, 9, 9, 9, 8, lfs::SCAN_CLOCKWISE, img.data(), 5, 5), lfs::IGNORE);
}

TEST(ContourSearch, FoundNotFoundIgnored)
{
    auto img = blob();
    // (1,3) is 4 steps clockwise from (2,1) and 4 counter-clockwise.
    EXPECT_EQ(lfs::search_contour(2, 3, 4, 2, 1, 2, 0, lfs::SCAN_CLOCKWISE, img.data(), 5, 5), lfs::FOUND);
    EXPECT_EQ(lfs::search_contour(2, 3, 3, 2, 1, 2, 0, lfs::SCAN_CLOCKWISE, img.data(), 5, 5), lfs::NOT_FOUND);
    EXPECT_EQ(lfs::search_contour(1, 1, 1, 2, 1, 2, 0, lfs::SCAN_COUNTER_CLOCKWISE, img.data(), 5, 5), lfs::FOUND);
    EXPECT_EQ(lfs::search_contour(1, 1, 6, 2, 1, 2, 0, lfs::SCAN_CLOCKWISE, img.data(), 5, 5), lfs::NOT_FOUND);
    // A pixel not on this contour is never found.
    EXPECT_EQ(lfs::search_contour(2, 2, 50, 2, 1, 2, 0, lfs::SCAN_CLOCKWISE, img.data(), 5, 5), lfs::NOT_FOUND);
    EXPECT_EQ(lfs::search_contour(2, 3, 4, 2, 2, 2, 1, lfs::SCAN_CLOCKWISE, img.data(), 5, 5), lfs::IGNORE);
}

// A wide horizontal band of ridge: its top boundary is a straight contour.
ridge_test::BinaryArt band()
{
    return binary_art({"....................", "....................", "####################",
                       "####################", "####################"});
}

TEST(CenteredContour, CompleteContourIsCentredOnTheFeature)
{
    auto img = band();
    lfs::Contour c;
    ASSERT_EQ(lfs::get_centered_contour(c, 3, 10, 2, 10, 1, img.data(), img.w, img.h), 0);
    // The clockwise half runs east; it comes first, reversed.
    EXPECT_EQ(points_of(c), (Points{{13, 2}, {12, 2}, {11, 2}, {10, 2}, {9, 2}, {8, 2}, {7, 2}}));
    for (int i = 0; i < c.num(); i++)
        EXPECT_EQ(c.ey[i], 1) << i;
}

TEST(CenteredContour, IncompleteLoopAndIgnored)
{
    auto img = band();
    lfs::Contour c;
    // Too close to the image's side for 3 points to the west.
    EXPECT_EQ(lfs::get_centered_contour(c, 3, 1, 2, 1, 1, img.data(), img.w, img.h), lfs::INCOMPLETE);
    EXPECT_EQ(c.num(), 0);
    // Round a 3x3 blob (8 boundary pixels) the first half closes.
    auto b = blob();
    EXPECT_EQ(lfs::get_centered_contour(c, 10, 2, 1, 2, 0, b.data(), 5, 5), lfs::LOOP_FOUND);
    // Half contours of 5 each way meet: the second half closes the loop.
    EXPECT_EQ(lfs::get_centered_contour(c, 5, 2, 1, 2, 0, b.data(), 5, 5), lfs::LOOP_FOUND);
    EXPECT_EQ(c.num(), 0);
    EXPECT_EQ(lfs::get_centered_contour(c, 3, 10, 3, 10, 2, img.data(), img.w, img.h), lfs::IGNORE);
}

TEST(HighCurvatureContour, EmptyUnlessCompleteAndLoopsStartAtTheFeature)
{
    auto img = band();
    lfs::Contour c;
    ASSERT_EQ(lfs::get_high_curvature_contour(c, 3, 10, 2, 10, 1, img.data(), img.w, img.h), 0);
    EXPECT_EQ(c.num(), 7);
    EXPECT_EQ(c.x[3], 10);
    EXPECT_EQ(lfs::get_high_curvature_contour(c, 3, 1, 2, 1, 1, img.data(), img.w, img.h), 0);
    EXPECT_EQ(c.num(), 0);
    EXPECT_EQ(lfs::get_high_curvature_contour(c, 3, 10, 3, 10, 2, img.data(), img.w, img.h), 0);
    EXPECT_EQ(c.num(), 0);

    auto b = blob();
    // Closed by the first (clockwise) half: feature, then that half reversed.
    ASSERT_EQ(lfs::get_high_curvature_contour(c, 10, 2, 1, 2, 0, b.data(), 5, 5), lfs::LOOP_FOUND);
    EXPECT_EQ(points_of(c), (Points{{2, 1}, {1, 1}, {1, 2}, {1, 3}, {2, 3}, {3, 3}, {3, 2}, {3, 1}}));
    // Closed by the second half: the halves joined as for a complete
    // contour, the same walk round from the first half's far end.
    ASSERT_EQ(lfs::get_high_curvature_contour(c, 5, 2, 1, 2, 0, b.data(), 5, 5), lfs::LOOP_FOUND);
    EXPECT_EQ(points_of(c), (Points{{1, 3}, {2, 3}, {3, 3}, {3, 2}, {3, 1}, {2, 1}, {1, 1}, {1, 2}}));
}

TEST(ContourTheta, SharpestBendOfAWedge)
{
    // Points down one side of a wedge and back up the other: the apex is
    // the sharpest bend.
    lfs::Contour c;
    const int xs[] = {0, 1, 2, 3, 4, 5, 6};
    const int ys[] = {0, 1, 2, 3, 2, 1, 0};
    for (int i = 0; i < 7; i++) {
        c.x.push_back(xs[i]);
        c.y.push_back(ys[i]);
        c.ex.push_back(xs[i]);
        c.ey.push_back(ys[i] + 1);
    }
    int min_i = -1;
    float theta = 0.0f;
    ASSERT_EQ(lfs::min_contour_theta(&min_i, &theta, 3, c), 0);
    EXPECT_EQ(min_i, 3);
    EXPECT_NEAR(theta, 3.14159265f / 2.0f, 1e-4f);
    // Too short for the arms, or straight: nothing found.
    EXPECT_EQ(lfs::min_contour_theta(&min_i, &theta, 4, c), lfs::IGNORE);
    lfs::Contour straight;
    for (int i = 0; i < 9; i++) {
        straight.x.push_back(i);
        straight.y.push_back(0);
    }
    EXPECT_EQ(lfs::min_contour_theta(&min_i, &theta, 3, straight), lfs::IGNORE);
}

TEST(ContourLimits, BoundingBox)
{
    lfs::Contour c;
    c.x = {4, 2, 9, 5};
    c.y = {7, 3, 5, 8};
    int minx, miny, maxx, maxy;
    lfs::contour_limits(&minx, &miny, &maxx, &maxy, c);
    EXPECT_EQ(minx, 2);
    EXPECT_EQ(miny, 3);
    EXPECT_EQ(maxx, 9);
    EXPECT_EQ(maxy, 8);
}

TEST(EdgePixelPair, DiagonalPairBecomesFourAdjacent)
{
    // Feature (1,1), edge (2,2) diagonal. (2,1) is a valley pixel: it
    // becomes the edge.
    auto a = binary_art({"...", ".#.", "..."});
    int fx = 1, fy = 1, ex = 2, ey = 2;
    lfs::fix_edge_pixel_pair(&fx, &fy, &ex, &ey, a.data(), 3, 3);
    EXPECT_EQ(std::make_pair(fx, fy), std::make_pair(1, 1));
    EXPECT_EQ(std::make_pair(ex, ey), std::make_pair(2, 1));
    // (2,1) is a ridge pixel like the feature: the feature moves onto it.
    auto b = binary_art({"...", ".##", "..."});
    fx = 1, fy = 1, ex = 2, ey = 2;
    lfs::fix_edge_pixel_pair(&fx, &fy, &ex, &ey, b.data(), 3, 3);
    EXPECT_EQ(std::make_pair(fx, fy), std::make_pair(2, 1));
    EXPECT_EQ(std::make_pair(ex, ey), std::make_pair(2, 2));
    // A 4-adjacent pair is left alone.
    fx = 1, fy = 1, ex = 1, ey = 0;
    lfs::fix_edge_pixel_pair(&fx, &fy, &ex, &ey, b.data(), 3, 3);
    EXPECT_EQ(std::make_pair(ex, ey), std::make_pair(1, 0));
}

TEST(DegenerateImages, TracesStayInside)
{
    // 1x1: the edge would be outside. One row and one column: traces run
    // along and stop at the ends.
    auto one = binary_art({"#"});
    lfs::Contour c;
    EXPECT_EQ(lfs::trace_contour(c, 5, 0, 0, 0, 0, 0, -1, lfs::SCAN_CLOCKWISE, one.data(), 1, 1), lfs::IGNORE);
    EXPECT_EQ(lfs::get_centered_contour(c, 2, 0, 0, 1, 0, one.data(), 1, 1), lfs::IGNORE);
    auto row = binary_art({"..###.."});
    EXPECT_EQ(lfs::trace_contour(c, 5, -1, -1, 2, 0, 1, 0, lfs::SCAN_CLOCKWISE, row.data(), 7, 1), 0);
    EXPECT_EQ(c.num(), 0);
    auto col = binary_art({".", "#", "#", "."});
    EXPECT_EQ(lfs::search_contour(0, 2, 5, 0, 1, 0, 0, lfs::SCAN_CLOCKWISE, col.data(), 1, 4), lfs::NOT_FOUND);
    auto all = binary_art({"####", "####"});
    EXPECT_EQ(lfs::get_centered_contour(c, 2, 1, 0, 1, 1, all.data(), 4, 2), lfs::IGNORE);
}

} // namespace
