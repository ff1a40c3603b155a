// Screening of ridge endings: the line transition count, endings near void
// blocks and open endings.
#include "extract/minutiae/ridge_ending_screening.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr unsigned char kRidge = 0;
constexpr unsigned char kValley = 255;

struct Binary {
    int w, h;
    std::vector<unsigned char> px;
    Binary(int width, int height, unsigned char fill)
        : w(width), h(height), px(static_cast<size_t>(width * height), fill)
    {
    }
    void set(int x, int y, unsigned char v) { px[static_cast<size_t>(y * w + x)] = v; }
    void fill_rect(int x0, int y0, int x1, int y1, unsigned char v)
    {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                set(x, y, v);
    }
    int count(int x0, int y0, int x1, int y1) const
    {
        return ridge::count_line_transitions(px.data(), x0, y0, x1, y1, w, h);
    }
};

lfs::Minutia minutia(int x, int y, int direction, int type)
{
    lfs::Minutia m;
    lfs::create_minutia(m, x, y, x, y - 1, direction, 0.5f, type, lfs::APPEARING, 0);
    return m;
}

lfs::Minutiae list_of(std::initializer_list<lfs::Minutia> ms)
{
    lfs::Minutiae out;
    lfs::alloc_minutiae(out, 16);
    for (const auto &m : ms)
        out.list.push_back(m);
    return out;
}

// ---------------------------------------------------------------- transitions

TEST(CountLineTransitions, UniformImagesCountOnlyTheStartValley)
{
    EXPECT_EQ(Binary(40, 10, kValley).count(5, 5, 30, 5), 1);
    EXPECT_EQ(Binary(40, 10, kRidge).count(5, 5, 30, 5), 0);
    EXPECT_EQ(Binary(40, 40, kRidge).count(5, 5, 5, 35), 0);
    EXPECT_EQ(Binary(40, 40, kValley).count(5, 5, 5, 5), 1);
}

TEST(CountLineTransitions, CountsChangesAlongEitherMajorAxis)
{
    Binary vertical_stripe(40, 40, kRidge);
    vertical_stripe.fill_rect(10, 0, 12, 39, kValley);
    EXPECT_EQ(vertical_stripe.count(2, 5, 30, 5), 2);  // into and out of the stripe
    EXPECT_EQ(vertical_stripe.count(2, 5, 11, 5), 1);  // ends inside it
    EXPECT_EQ(vertical_stripe.count(30, 5, 2, 8), 2);  // walking leftwards

    Binary horizontal_stripe(40, 40, kRidge);
    horizontal_stripe.fill_rect(0, 20, 39, 21, kValley);
    EXPECT_EQ(horizontal_stripe.count(7, 2, 9, 35), 2);
    EXPECT_EQ(horizontal_stripe.count(9, 35, 7, 2), 2);
}

TEST(CountLineTransitions, NeverExceedsTwo)
{
    Binary stripes(60, 10, kRidge);
    for (int x = 6; x < 60; x += 4)
        stripes.fill_rect(x, 0, x + 1, 9, kValley);
    EXPECT_EQ(stripes.count(0, 5, 59, 5), 2);
    stripes.set(0, 5, kValley);  // a valley start already counts one
    EXPECT_EQ(stripes.count(0, 5, 59, 5), 2);
}

TEST(CountLineTransitions, IgnoresChangesWithinThreePixelsOfTheStart)
{
    Binary near(40, 10, kRidge);
    near.fill_rect(4, 0, 4, 9, kValley);  // change at distance 2, back at distance 3
    EXPECT_EQ(near.count(2, 5, 30, 5), 0);

    Binary at_four(40, 10, kRidge);
    at_four.fill_rect(6, 0, 6, 9, kValley);  // changes at distances 4 and 5
    EXPECT_EQ(at_four.count(2, 5, 30, 5), 2);

    Binary end_close(40, 10, kRidge);
    end_close.set(5, 5, kValley);  // the end point itself, 3 pixels away
    EXPECT_EQ(end_close.count(2, 5, 5, 5), 0);
    Binary end_far(40, 10, kRidge);
    end_far.set(6, 5, kValley);
    EXPECT_EQ(end_far.count(2, 5, 6, 5), 1);  // 4 pixels away
}

TEST(CountLineTransitions, FollowsBresenhamPixels)
{
    // From (0,0) to (8,2) the walk visits (4,1), (5,1), (6,2), (7,2), (8,2).
    Binary on_line(20, 10, kRidge);
    on_line.set(5, 1, kValley);
    EXPECT_EQ(on_line.count(0, 0, 8, 2), 2);
    Binary off_line(20, 10, kRidge);
    off_line.set(5, 2, kValley);
    EXPECT_EQ(off_line.count(0, 0, 8, 2), 0);
    // An error term of zero steps the minor axis: (6,2), not (6,1).
    Binary tie(20, 10, kRidge);
    tie.set(6, 2, kValley);
    EXPECT_EQ(tie.count(0, 0, 8, 2), 2);
    Binary tie_other(20, 10, kRidge);
    tie_other.set(6, 1, kValley);
    EXPECT_EQ(tie_other.count(0, 0, 8, 2), 0);
}

TEST(CountLineTransitions, StopsAtTheImageBorder)
{
    Binary img(20, 10, kRidge);
    img.fill_rect(10, 0, 19, 9, kValley);  // valley up to the right edge
    EXPECT_EQ(img.count(2, 5, 40, 5), 1);   // leaves the image after one change
    EXPECT_EQ(img.count(2, 5, 2, -30), 0);  // upwards, out through the top
    EXPECT_EQ(img.count(-1, 5, 10, 5), 0);  // start outside
    EXPECT_EQ(img.count(2, 10, 10, 5), 0);  // start below the last row
    // The row below must not be read as a continuation of the row.
    Binary wrap(10, 3, kRidge);
    wrap.set(0, 2, kValley);
    EXPECT_EQ(wrap.count(2, 1, 12, 1), 0);
}

// ---------------------------------------------------------- endings near void

struct QualityMap {
    int mw, mh;
    std::vector<int> q;
    QualityMap(int w, int h) : mw(w), mh(h), q(static_cast<size_t>(w * h), 4) {}
    void set(int bx, int by, int v) { q[static_cast<size_t>(by * mw + bx)] = v; }
};

TEST(RemoveEndingsNearVoid, RemovesEndingsWithVoidUpToThirteenPixelsBehind)
{
    QualityMap qm(5, 5);
    qm.set(2, 3, 0);  // pixels x 16..23, y 24..31
    // Direction 0 points up, so the probe walks down.
    lfs::Minutiae ms = list_of({minutia(20, 11, 0, lfs::RIDGE_ENDING),    // 13 behind reaches y 24
                                minutia(20, 10, 0, lfs::RIDGE_ENDING),    // reaches y 23 only
                                minutia(20, 11, 0, lfs::BIFURCATION),     // bifurcations stay
                                minutia(20, 11, 16, lfs::RIDGE_ENDING),   // walks up, away from the void
                                minutia(20, 26, 16, lfs::RIDGE_ENDING)}); // sits in the void
    ridge::remove_endings_near_void(ms, qm.q, qm.mw, 8, 40, 40);
    ASSERT_EQ(ms.num(), 3);
    EXPECT_EQ(ms.list[0].y, 10);
    EXPECT_EQ(ms.list[1].type, lfs::BIFURCATION);
    EXPECT_EQ(ms.list[2].direction, 16);
}

TEST(RemoveEndingsNearVoid, ProbeFollowsTheDirectionTable)
{
    QualityMap qm(5, 5);
    qm.set(0, 2, 0);  // x 0..7, y 16..23
    // Direction 8 points right: the probe walks left, 13 pixels from x 20 to 7.
    lfs::Minutiae ms = list_of({minutia(20, 20, 8, lfs::RIDGE_ENDING), minutia(21, 20, 8, lfs::RIDGE_ENDING)});
    ridge::remove_endings_near_void(ms, qm.q, qm.mw, 8, 40, 40);
    ASSERT_EQ(ms.num(), 1);
    EXPECT_EQ(ms.list[0].x, 21);

    // Direction 4 points up-right: the probe walks down-left by 0.707107 a
    // step; 13 steps from (20, 7) end at (11, 16), a block of row 2.
    QualityMap diag(5, 5);
    diag.set(1, 2, 0);  // x 8..15, y 16..23
    lfs::Minutiae d = list_of({minutia(20, 7, 4, lfs::RIDGE_ENDING), minutia(20, 6, 4, lfs::RIDGE_ENDING)});
    ridge::remove_endings_near_void(d, diag.q, diag.mw, 8, 40, 40);
    ASSERT_EQ(d.num(), 1);
    EXPECT_EQ(d.list[0].y, 6);
}

TEST(RemoveEndingsNearVoid, ProbesOutsideTheImageNeverRemove)
{
    // The map covers x up to 39 but the image is only 32 wide.
    QualityMap qm(5, 5);
    qm.set(4, 2, 0);
    lfs::Minutiae outside = list_of({minutia(28, 20, 24, lfs::RIDGE_ENDING)});  // probe walks right
    ridge::remove_endings_near_void(outside, qm.q, qm.mw, 8, 32, 40);
    EXPECT_EQ(outside.num(), 1);
    lfs::Minutiae inside = list_of({minutia(28, 20, 24, lfs::RIDGE_ENDING)});
    ridge::remove_endings_near_void(inside, qm.q, qm.mw, 8, 40, 40);
    EXPECT_EQ(inside.num(), 0);
}

TEST(RemoveEndingsNearVoid, NegativeLevelsCountAsVoidAndRemovalsShiftTheList)
{
    QualityMap qm(5, 5);
    qm.set(1, 1, -1);
    lfs::Minutiae ms = list_of({minutia(10, 10, 0, lfs::RIDGE_ENDING), minutia(11, 10, 0, lfs::RIDGE_ENDING),
                                minutia(12, 10, 0, lfs::RIDGE_ENDING), minutia(30, 30, 0, lfs::RIDGE_ENDING)});
    ridge::remove_endings_near_void(ms, qm.q, qm.mw, 8, 40, 40);
    ASSERT_EQ(ms.num(), 1);
    EXPECT_EQ(ms.list[0].x, 30);
}

// ------------------------------------------------------------- open endings

// A horizontal ridge (rows 49..51) that ends at x = 50 in an otherwise empty
// 100 x 100 image; the ending at (50, 50) points right (direction 8).
Binary lone_ridge()
{
    Binary img(100, 100, kValley);
    img.fill_rect(0, 49, 50, 51, kRidge);
    return img;
}

int survivors(const Binary &img, int type)
{
    lfs::Minutiae ms = list_of({minutia(50, 50, 8, type)});
    ridge::remove_open_side_endings(ms, img.px.data(), img.w, img.h);
    return ms.num();
}

TEST(RemoveOpenSideEndings, RemovesAnEndingWithNothingAround)
{
    const Binary img = lone_ridge();
    // Every count stays below 2: back rays leave the ridge once, side rays
    // meet nothing beyond 3 pixels.
    EXPECT_EQ(img.count(50, 50, 30, 46), 1);
    EXPECT_EQ(img.count(49, 50, 49, 0), 0);
    EXPECT_EQ(img.count(51, 50, 51, 100), 1);
    EXPECT_EQ(survivors(img, lfs::RIDGE_ENDING), 0);
    EXPECT_EQ(survivors(img, lfs::BIFURCATION), 1);
}

TEST(RemoveOpenSideEndings, ABackRayMeetingARidgeKeepsIt)
{
    Binary upper = lone_ridge();
    upper.fill_rect(28, 46, 40, 47, kRidge);  // crosses the ray towards (30, 46)
    EXPECT_EQ(survivors(upper, lfs::RIDGE_ENDING), 1);
    Binary lower = lone_ridge();
    lower.fill_rect(28, 53, 40, 54, kRidge);  // crosses the ray towards (30, 54)
    EXPECT_EQ(survivors(lower, lfs::RIDGE_ENDING), 1);
}

TEST(RemoveOpenSideEndings, NeedsTwoOnBothSidePairsToBeKept)
{
    // t1: up from the pixel behind (49, 50); t4: down from the one ahead (51, 50).
    Binary t1_and_t4 = lone_ridge();
    t1_and_t4.fill_rect(45, 30, 49, 32, kRidge);
    t1_and_t4.fill_rect(51, 60, 55, 62, kRidge);
    EXPECT_EQ(t1_and_t4.count(49, 50, 49, 0), 2);
    EXPECT_EQ(t1_and_t4.count(51, 50, 51, 100), 2);
    EXPECT_EQ(survivors(t1_and_t4, lfs::RIDGE_ENDING), 1);

    // t1 alone leaves the other side open.
    Binary t1_only = lone_ridge();
    t1_only.fill_rect(45, 30, 49, 32, kRidge);
    EXPECT_EQ(survivors(t1_only, lfs::RIDGE_ENDING), 0);

    // t1 and t3 close one side only: still open on the other.
    Binary one_side = lone_ridge();
    one_side.fill_rect(45, 30, 55, 32, kRidge);
    EXPECT_EQ(survivors(one_side, lfs::RIDGE_ENDING), 0);

    // t1 and t2, both behind, cross the two side pairs.
    Binary behind = lone_ridge();
    behind.fill_rect(45, 30, 49, 32, kRidge);
    behind.fill_rect(45, 60, 49, 62, kRidge);
    EXPECT_EQ(survivors(behind, lfs::RIDGE_ENDING), 1);
}

TEST(RemoveOpenSideEndings, WalksTheListAfterRemovals)
{
    const Binary img = lone_ridge();
    lfs::Minutiae ms = list_of({minutia(50, 50, 8, lfs::RIDGE_ENDING), minutia(50, 50, 8, lfs::RIDGE_ENDING),
                                minutia(50, 50, 8, lfs::BIFURCATION), minutia(50, 50, 8, lfs::RIDGE_ENDING)});
    ridge::remove_open_side_endings(ms, img.px.data(), img.w, img.h);
    ASSERT_EQ(ms.num(), 1);
    EXPECT_EQ(ms.list[0].type, lfs::BIFURCATION);
}

TEST(RemoveOpenSideEndings, EndingsAtTheBorderAreHandled)
{
    Binary img(30, 30, kValley);
    img.fill_rect(0, 0, 5, 1, kRidge);
    for (int d = 0; d < 32; ++d) {
        lfs::Minutiae ms = list_of({minutia(0, 0, d, lfs::RIDGE_ENDING), minutia(29, 29, d, lfs::RIDGE_ENDING)});
        ridge::remove_open_side_endings(ms, img.px.data(), img.w, img.h);
        EXPECT_LE(ms.num(), 2);
    }
}

} // namespace
