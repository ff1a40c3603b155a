// Closed contours: their sense, chain codes, aspect, shapes, filling, and
// what detection does with a loop it meets.
#include "extract/detector_params.h"
#include "lfs/contour.h"
#include "lfs/detect.h"
#include "lfs/pixel_blocks.h"
#include "lfs/shape.h"
#include "support/binary_art.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

using ridge_test::art_text;
using ridge_test::binary_art;

// The loop round a region, traced from (x, y) with its edge pixel, in the
// order detection builds it: the start, then the clockwise trace reversed.
lfs::Contour loop_from(const ridge_test::BinaryArt &img, int x, int y, int ex, int ey)
{
    lfs::Contour c;
    EXPECT_EQ(lfs::get_high_curvature_contour(c, 200, x, y, ex, ey, img.pixels.data(), img.w, img.h),
              lfs::LOOP_FOUND);
    return c;
}

lfs::Contour contour_of(const std::vector<int> &xs, const std::vector<int> &ys)
{
    lfs::Contour c;
    c.x = xs;
    c.y = ys;
    c.ex = xs;
    c.ey = ys;
    return c;
}

TEST(ChainCode, CodesRunCounterClockwiseFromEast)
{
    // A unit square walked east, south, west, north (y down).
    std::vector<int> chain;
    ASSERT_EQ(lfs::chain_code_loop(chain, contour_of({0, 1, 1, 0}, {0, 0, 1, 1})), 0);
    EXPECT_EQ(chain, (std::vector<int>{0, 6, 4, 2}));
    ASSERT_EQ(lfs::chain_code_loop(chain, contour_of({1, 2, 1, 0}, {0, 1, 2, 1})), 0);
    EXPECT_EQ(chain, (std::vector<int>{7, 5, 3, 1}));
    // Three points or fewer: no chain.
    ASSERT_EQ(lfs::chain_code_loop(chain, contour_of({0, 1, 1}, {0, 0, 1})), 0);
    EXPECT_TRUE(chain.empty());
}

TEST(LoopSense, ClockwiseCounterClockwiseAndUndecided)
{
    // East, south, west, north on the displayed image turns right: clockwise.
    EXPECT_EQ(lfs::is_loop_clockwise(contour_of({0, 1, 1, 0}, {0, 0, 1, 1}), -7), lfs::LFS_TRUE);
    EXPECT_EQ(lfs::is_loop_clockwise(contour_of({0, 0, 1, 1}, {0, 1, 1, 0}), -7), lfs::LFS_FALSE);
    EXPECT_EQ(lfs::is_loop_clockwise(contour_of({0, 1, 2}, {0, 0, 0}), -7), -7);
    // Out and straight back along a line: the turns cancel.
    EXPECT_EQ(lfs::is_chain_clockwise({0, 0, 4, 4}, -7), -7);

    auto blob = binary_art({".....", ".###.", ".###.", ".###.", "....."});
    lfs::Contour c;
    ASSERT_EQ(lfs::trace_contour(c, 20, 2, 1, 2, 1, 2, 0, lfs::SCAN_CLOCKWISE, blob.data(), 5, 5), lfs::LOOP_FOUND);
    EXPECT_EQ(lfs::is_loop_clockwise(c, -7), lfs::LFS_TRUE);
    EXPECT_EQ(lfs::is_loop_clockwise(loop_from(blob, 2, 1, 2, 0), -7), lfs::LFS_FALSE);
}

TEST(LoopAspect, RectangleLongAndShortAxes)
{
    // A 2 x 8 loop of 16 points round a rectangle.
    std::vector<int> xs, ys;
    for (int x = 0; x < 8; x++) {
        xs.push_back(x);
        ys.push_back(0);
    }
    for (int x = 7; x >= 0; x--) {
        xs.push_back(x);
        ys.push_back(1);
    }
    int min_fr, min_to, max_fr, max_to;
    float min_dist, max_dist;
    ASSERT_EQ(lfs::get_loop_aspect(&min_fr, &min_to, &min_dist, &max_fr, &max_to, &max_dist, contour_of(xs, ys)), 0);
    // Point i faces point i+8, that is (i,0) faces (7-i,1): the pair nearest
    // the middle is closest (the first of two equal ones wins), the corners
    // are farthest apart.
    EXPECT_FLOAT_EQ(min_dist, std::sqrt(2.0f));
    EXPECT_EQ(min_fr, 3);
    EXPECT_EQ(min_to, 11);
    EXPECT_FLOAT_EQ(max_dist, std::sqrt(50.0f));
    EXPECT_EQ(max_fr, 0);
    EXPECT_EQ(max_to, 8);
    EXPECT_LT(lfs::get_loop_aspect(&min_fr, &min_to, &min_dist, &max_fr, &max_to, &max_dist, lfs::Contour{}), 0);
}

TEST(Shape, RowsSortedEachPointOnce)
{
    lfs::Shape shape;
    ASSERT_EQ(lfs::shape_from_contour(shape, contour_of({3, 1, 2, 1, 5}, {4, 4, 6, 4, 6})), 0);
    EXPECT_EQ(shape.ymin, 4);
    EXPECT_EQ(shape.ymax, 6);
    ASSERT_EQ(shape.rows.size(), 3u);
    EXPECT_EQ(shape.rows[0].xs, (std::vector<int>{1, 3}));
    EXPECT_TRUE(shape.rows[1].xs.empty());
    EXPECT_EQ(shape.rows[2].y, 6);
    EXPECT_EQ(shape.rows[2].xs, (std::vector<int>{2, 5}));
}

TEST(FillLoop, LakeInsideARingIsFilledAndNothingElse)
{
    auto img = binary_art({".........",
                           ".#######.",
                           ".#.....#.",
                           ".#.....#.",
                           ".#.....#.",
                           ".#######.",
                           "........."});
    // The lake's top-left pixel, with the ring pixel above it as its edge.
    ASSERT_EQ(lfs::fill_loop(loop_from(img, 2, 2, 2, 1), img.data(), img.w, img.h), 0);
    auto want = binary_art({".........",
                            ".#######.",
                            ".#######.",
                            ".#######.",
                            ".#######.",
                            ".#######.",
                            "........."});
    EXPECT_EQ(img.pixels, want.pixels) << art_text(img);
}

TEST(FillLoop, ConcaveLakeKeepsTheRidgeInItsBay)
{
    auto img = binary_art({"#########",
                           "#.#####.#",
                           "#.#####.#",
                           "#.......#",
                           "#########"});
    ASSERT_EQ(lfs::fill_loop(loop_from(img, 1, 1, 1, 0), img.data(), img.w, img.h), 0);
    EXPECT_EQ(img.pixels, std::vector<unsigned char>(img.pixels.size(), 1)) << art_text(img);
}

TEST(FillLoop, RidgeIslandBecomesValley)
{
    auto img = binary_art({"......", ".##...", ".###..", "..##..", "......"});
    ASSERT_EQ(lfs::fill_loop(loop_from(img, 1, 1, 1, 0), img.data(), img.w, img.h), 0);
    EXPECT_EQ(img.pixels, std::vector<unsigned char>(img.pixels.size(), 0)) << art_text(img);
}

TEST(FillLoop, RejectsContourOutsideTheImage)
{
    std::vector<unsigned char> img(9, 0);
    EXPECT_LT(lfs::fill_loop(contour_of({0, 1, 5}, {0, 1, 1}), img.data(), 3, 3), 0);
    EXPECT_EQ(lfs::fill_loop(lfs::Contour{}, img.data(), 3, 3), 0);
}

struct LoopFixture {
    std::vector<int> dmap, fmap, cmap;
    lfs::PixelBlocks blocks;
    LoopFixture(int iw, int ih, int low_flow)
    {
        const int mw = (iw + 7) / 8, mh = (ih + 7) / 8;
        dmap.assign(static_cast<size_t>(mw * mh), 0);
        fmap.assign(static_cast<size_t>(mw * mh), low_flow);
        cmap.assign(static_cast<size_t>(mw * mh), 0);
        EXPECT_EQ(blocks.init(iw, ih, mw, mh, 8), 0);
    }
    lfs::DetectMaps maps() const { return {dmap, fmap, cmap, blocks}; }
};

TEST(ProcessLoop, ShortLoopIsFilled)
{
    auto img = binary_art({"................",
                           "....#####.......",
                           "....#...#.......",
                           "....#####.......",
                           "................",
                           "................",
                           "................",
                           "................"});
    LoopFixture fx(img.w, img.h, 0);
    lfs::Minutiae minutiae;
    const auto loop = loop_from(img, 5, 2, 5, 1);
    ASSERT_LE(loop.num(), ridge::DetectorParams.min_loop_len);
    ASSERT_EQ(lfs::process_loop_V2(minutiae, loop, img.data(), img.w, img.h, fx.maps(), ridge::DetectorParams), 0);
    EXPECT_EQ(minutiae.num(), 0);
    EXPECT_EQ(img.at(6, 2), 1) << art_text(img);
}

TEST(ProcessLoop, LongNarrowLakeGivesTwoOpposedMinutiae)
{
    // A lake 14 pixels long and 1 high inside ridge: a valley with two ends.
    auto img = binary_art({"################",
                           "#..............#",
                           "################",
                           "################",
                           "################",
                           "################",
                           "################",
                           "################"});
    LoopFixture fx(img.w, img.h, 1);
    lfs::Minutiae minutiae;
    const auto loop = loop_from(img, 1, 1, 1, 0);
    ASSERT_GT(loop.num(), ridge::DetectorParams.min_loop_len);
    const auto before = img.pixels;
    ASSERT_EQ(lfs::process_loop_V2(minutiae, loop, img.data(), img.w, img.h, fx.maps(), ridge::DetectorParams), 0);
    EXPECT_EQ(img.pixels, before);
    ASSERT_EQ(minutiae.num(), 2);
    const auto &a = minutiae.list[0];
    const auto &b = minutiae.list[1];
    EXPECT_EQ(a.type, lfs::BIFURCATION);
    EXPECT_EQ(a.feature_id, lfs::LOOP_ID);
    EXPECT_EQ(b.feature_id, lfs::LOOP_ID);
    EXPECT_EQ(a.reliability, lfs::MEDIUM_RELIABILITY);
    EXPECT_EQ((a.direction + 16) % 32, b.direction);
    // The ends of the long axis: one near each end of the lake.
    EXPECT_EQ(std::abs(a.x - b.x) >= 12, true) << a.x << " " << b.x;
    EXPECT_TRUE(a.direction == 8 || a.direction == 24) << a.direction;
}

} // namespace
