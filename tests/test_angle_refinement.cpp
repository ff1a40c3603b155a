// Angle refinement: the contour bisector for sharp turns, the detector
// direction otherwise.
#include "extract/minutiae/angle_refinement.h"
#include "extract/minutiae/raw_conversion.h"
#include "lfs/contour.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr unsigned char kRidge = 0;
constexpr unsigned char kValley = 255;

struct Binary {
    int w, h;
    std::vector<unsigned char> px;
    Binary(int width, int height) : w(width), h(height), px(static_cast<size_t>(width * height), kValley) {}
    void ridge_rect(int x0, int y0, int x1, int y1)
    {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                px[static_cast<size_t>(y * w + x)] = kRidge;
    }
};

// Refined angle of one ridge ending at (x, y) with its edge pixel (ex, ey).
float refined(const Binary &img, int x, int y, int ex, int ey, int direction)
{
    lfs::Minutiae ms;
    lfs::alloc_minutiae(ms, 2);
    lfs::Minutia m;
    lfs::create_minutia(m, x, y, ex, ey, direction, 0.5f, lfs::RIDGE_ENDING, lfs::APPEARING, 0);
    ms.list.push_back(m);
    ridge::refine_minutia_angles(ms, img.px.data(), img.w, img.h);
    return ms.list[0].angle;
}

TEST(DirectionAngle, CountsCounterClockwiseFromTheRight)
{
    EXPECT_FLOAT_EQ(ridge::direction_angle(0), lfs::PI_F / 2.0f);  // up
    EXPECT_FLOAT_EQ(ridge::direction_angle(8), 0.0f);               // right
    EXPECT_FLOAT_EQ(ridge::direction_angle(16), 1.5f * lfs::PI_F);  // down
    EXPECT_FLOAT_EQ(ridge::direction_angle(24), lfs::PI_F);         // left
    EXPECT_EQ(ridge::raw_angle_degrees(ridge::direction_angle(0)), 90);
    EXPECT_EQ(ridge::raw_angle_degrees(ridge::direction_angle(4)), 46);
    EXPECT_EQ(ridge::raw_angle_degrees(ridge::direction_angle(8)), 0);
    for (int d = 0; d < 32; ++d) {
        EXPECT_GE(ridge::direction_angle(d), 0.0f);
        EXPECT_LT(ridge::direction_angle(d), lfs::TWO_PI_F);
    }
}

TEST(RefineMinutiaAngles, SharpTipTakesTheContourBisector)
{
    // A ridge three pixels thick coming from the left and ending at x = 50.
    Binary img(100, 100);
    img.ridge_rect(0, 49, 50, 51);
    // The contour closes in on the tip from the left: the angle points left,
    // whatever the detector direction said.
    EXPECT_FLOAT_EQ(refined(img, 50, 50, 51, 50, 0), lfs::PI_F);
    EXPECT_FLOAT_EQ(refined(img, 50, 50, 51, 50, 13), lfs::PI_F);

    // The same tip mirrored points right: angle 0, not 2pi.
    Binary mirrored(100, 100);
    mirrored.ridge_rect(50, 49, 99, 51);
    EXPECT_EQ(ridge::raw_angle_degrees(refined(mirrored, 50, 50, 49, 50, 3)), 0);
}

TEST(RefineMinutiaAngles, SlantedTipGivesItsOwnAngle)
{
    // A ridge running down-right from the top-left corner region, ending at
    // (50, 50): the body lies up-left, so the angle is near 135 degrees.
    Binary img(100, 100);
    for (int i = 0; i <= 30; ++i)
        img.ridge_rect(20 + i, 20 + i, 21 + i, 21 + i);
    const int deg = ridge::raw_angle_degrees(refined(img, 51, 51, 52, 51, 0));
    EXPECT_GE(deg, 126);
    EXPECT_LE(deg, 144);
}

TEST(RefineMinutiaAngles, BluntEndFallsBackOnTheDirection)
{
    // A wide flat end: the contour runs straight up and down from the
    // minutia, an opening of half a turn.
    Binary img(100, 100);
    img.ridge_rect(0, 20, 50, 80);
    EXPECT_FLOAT_EQ(refined(img, 50, 50, 51, 50, 24), ridge::direction_angle(24));
    EXPECT_FLOAT_EQ(refined(img, 50, 50, 51, 50, 5), ridge::direction_angle(5));
}

TEST(RefineMinutiaAngles, LoopFallsBackOnTheDirection)
{
    // A small island: its contour closes on itself before 14 steps.
    Binary img(60, 60);
    img.ridge_rect(30, 30, 32, 32);
    lfs::Contour contour;
    ASSERT_EQ(lfs::get_centered_contour(contour, 14, 32, 31, 33, 31, img.px.data(), img.w, img.h), lfs::LOOP_FOUND);
    EXPECT_FLOAT_EQ(refined(img, 32, 31, 33, 31, 7), ridge::direction_angle(7));
    EXPECT_EQ(ridge::raw_angle_degrees(refined(img, 32, 31, 33, 31, 0)), 90);
}

TEST(RefineMinutiaAngles, ContourLeavingTheImageFallsBack)
{
    Binary img(40, 40);
    img.ridge_rect(0, 19, 5, 21);  // a stub cut by the left border
    lfs::Contour contour;
    ASSERT_NE(lfs::get_centered_contour(contour, 14, 5, 20, 6, 20, img.px.data(), img.w, img.h), 0);
    EXPECT_FLOAT_EQ(refined(img, 5, 20, 6, 20, 9), ridge::direction_angle(9));
}

TEST(RefineMinutiaAngles, EveryMinutiaOfTheListIsSet)
{
    Binary img(100, 100);
    img.ridge_rect(0, 49, 50, 51);
    img.ridge_rect(0, 10, 99, 12);
    lfs::Minutiae ms;
    lfs::alloc_minutiae(ms, 4);
    lfs::Minutia tip, flat;
    lfs::create_minutia(tip, 50, 50, 51, 50, 0, 0.5f, lfs::RIDGE_ENDING, lfs::APPEARING, 0);
    lfs::create_minutia(flat, 40, 12, 40, 13, 20, 0.5f, lfs::RIDGE_ENDING, lfs::APPEARING, 0);
    ms.list = {tip, flat, tip};
    for (auto &m : ms.list)
        m.angle = -1.0f;
    ridge::refine_minutia_angles(ms, img.px.data(), img.w, img.h);
    EXPECT_FLOAT_EQ(ms.list[0].angle, lfs::PI_F);
    EXPECT_FLOAT_EQ(ms.list[1].angle, ridge::direction_angle(20));
    EXPECT_FLOAT_EQ(ms.list[2].angle, lfs::PI_F);
}

} // namespace
