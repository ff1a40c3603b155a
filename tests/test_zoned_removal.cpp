// The zoned removal tests on small synthetic binary images (1 = ridge,
// 0 = valley): each case is built so that one limit decides it.
#include "extract/minutiae/false_minutiae.h"
#include "extract/minutiae/removal_tests.h"
#include "extract/minutiae/zone_maps.h"
#include "lfs/contour.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int kW = 120, kH = 120, kMw = 15, kMh = 15;

struct Image {
    std::vector<unsigned char> px = std::vector<unsigned char>(static_cast<size_t>(kW * kH), 0);
    void fill(int x0, int y0, int x1, int y1, unsigned char v)
    {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                px[static_cast<size_t>(y * kW + x)] = v;
    }
    int at(int x, int y) const { return px[static_cast<size_t>(y * kW + x)]; }
    unsigned char *data() { return px.data(); }
};

lfs::Minutia minutia(int x, int y, int ex, int ey, int direction, int type)
{
    lfs::Minutia m;
    m.x = x;
    m.y = y;
    m.ex = ex;
    m.ey = ey;
    m.direction = direction;
    m.type = type;
    return m;
}

lfs::Minutiae list_of(std::initializer_list<lfs::Minutia> ms)
{
    lfs::Minutiae l;
    l.list = ms;
    l.alloc = l.num();
    return l;
}

// Zones of the test image: every block valid gives an inner zone of blocks
// 3..11; invalid blocks at (7, 3) and (7, 11) turn blocks 6..8 of rows 5..9
// into border, among others.
ridge::ZoneMaps zones(bool invalid_near_middle)
{
    std::vector<int> dmap(static_cast<size_t>(kMw * kMh), 8);
    if (invalid_near_middle) {
        dmap[static_cast<size_t>(3 * kMw + 7)] = -1;
        dmap[static_cast<size_t>(11 * kMw + 7)] = -1;
        dmap[static_cast<size_t>(7 * kMw + 4)] = -1;
        dmap[static_cast<size_t>(7 * kMw + 10)] = -1;
    }
    ridge::ZoneMaps z;
    ridge::build_zone_maps(z, dmap, kMw, kMh);
    return z;
}

// An island: a ridge 3 pixels thick from x = 51 to 61 on rows 59..61, with
// one-pixel tips at (50, 60) and (62, 60): two ridge endings 12 apart
// facing each other.
struct Island {
    Image image;
    lfs::Minutiae minutiae;
    Island()
    {
        image.fill(51, 59, 61, 61, 1);
        image.fill(50, 60, 50, 60, 1);
        image.fill(62, 60, 62, 60, 1);
        minutiae = list_of({minutia(50, 60, 49, 60, 8, lfs::RIDGE_ENDING),
                            minutia(62, 60, 63, 60, 24, lfs::RIDGE_ENDING)});
    }
};

TEST(IslandsAndLakes, IslandRemovedAndFilledInTheBorderZone)
{
    Island is;
    const auto z = zones(true);
    ASSERT_TRUE(ridge::in_zone(z.border_zone_map, kMw, kMh, is.minutiae.list[0]));
    ASSERT_EQ(ridge::remove_islands_and_lakes(is.minutiae, is.image.data(), kW, kH, z.border_zone_map, kMw, kMh,
                                              15, 15),
              0);
    EXPECT_EQ(is.minutiae.num(), 0);
    EXPECT_EQ(is.image.at(56, 60), 0);
    EXPECT_EQ(is.image.at(50, 60), 0);
    EXPECT_EQ(is.image.at(62, 60), 0);
}

TEST(IslandsAndLakes, IslandKeptInTheInnerZoneWithItsTighterLimit)
{
    Island is;
    const auto z = zones(false);
    ASSERT_TRUE(ridge::in_zone(z.inner_zone_map, kMw, kMh, is.minutiae.list[0]));
    ASSERT_EQ(ridge::remove_islands_and_lakes(is.minutiae, is.image.data(), kW, kH, z.inner_zone_map, kMw, kMh, 10,
                                              10),
              0);
    EXPECT_EQ(is.minutiae.num(), 2);
    EXPECT_EQ(is.image.at(56, 60), 1);
}

TEST(IslandsAndLakes, OnlyPairsStartingInTheZoneAndFacingEachOther)
{
    {
        Island is; // the island's blocks are inner, so the border pass skips it
        const auto z = zones(false);
        ASSERT_EQ(ridge::remove_islands_and_lakes(is.minutiae, is.image.data(), kW, kH, z.border_zone_map, kMw,
                                                  kMh, 15, 15),
                  0);
        EXPECT_EQ(is.minutiae.num(), 2);
    }
    {
        Island is; // directions 11 apart: not facing each other
        is.minutiae.list[1].direction = 19;
        const auto z = zones(true);
        ASSERT_EQ(ridge::remove_islands_and_lakes(is.minutiae, is.image.data(), kW, kH, z.border_zone_map, kMw,
                                                  kMh, 15, 15),
                  0);
        EXPECT_EQ(is.minutiae.num(), 2);
    }
    {
        Island is; // a bifurcation is never paired with a ridge ending
        is.minutiae.list[1].type = lfs::BIFURCATION;
        const auto z = zones(true);
        ASSERT_EQ(ridge::remove_islands_and_lakes(is.minutiae, is.image.data(), kW, kH, z.border_zone_map, kMw,
                                                  kMh, 15, 15),
                  0);
        EXPECT_EQ(is.minutiae.num(), 2);
    }
}

TEST(IslandsAndLakes, InvalidDirectionIsAnError)
{
    Island is;
    is.minutiae.list[1].direction = -1;
    const auto z = zones(true);
    EXPECT_EQ(ridge::remove_islands_and_lakes(is.minutiae, is.image.data(), kW, kH, z.border_zone_map, kMw, kMh,
                                              15, 15),
              -611);
}

// A hole of 6 x 5 valley pixels in a ridge area; its boundary is an
// 18-pixel contour. The bifurcation sits on its left side.
struct Hole {
    Image image;
    lfs::Minutiae minutiae;
    Hole()
    {
        image.fill(40, 50, 80, 70, 1);
        image.fill(55, 58, 60, 62, 0);
        minutiae = list_of({minutia(55, 60, 54, 60, 8, lfs::BIFURCATION)});
    }
};

TEST(HoleMinutiae, EighteenPixelHoleRemovedInBorderKeptInInner)
{
    {
        Hole h;
        const auto &m = h.minutiae.list[0];
        ASSERT_EQ(lfs::search_contour(m.x, m.y, 18, m.x, m.y, m.ex, m.ey, lfs::SCAN_CLOCKWISE, h.image.data(), kW,
                                      kH),
                  lfs::FOUND);
        ASSERT_EQ(lfs::search_contour(m.x, m.y, 17, m.x, m.y, m.ex, m.ey, lfs::SCAN_CLOCKWISE, h.image.data(), kW,
                                      kH),
                  lfs::NOT_FOUND);
    }
    {
        Hole h;
        const auto z = zones(true);
        ASSERT_EQ(ridge::remove_hole_minutiae(h.minutiae, h.image.data(), kW, kH, z.border_zone_map, kMw, kMh, 20), 0);
        EXPECT_EQ(h.minutiae.num(), 0);
    }
    {
        Hole h;
        const auto z = zones(false);
        ASSERT_EQ(ridge::remove_hole_minutiae(h.minutiae, h.image.data(), kW, kH, z.inner_zone_map, kMw, kMh, 15), 0);
        EXPECT_EQ(h.minutiae.num(), 1);
    }
}

TEST(HoleMinutiae, RidgeEndingsAndMinutiaeOutsideTheZoneArePassedOver)
{
    Hole h;
    h.minutiae.list.push_back(minutia(56, 60, 55, 60, 8, lfs::RIDGE_ENDING));
    const auto z = zones(true);
    // The inner map excludes the hole's block here.
    ASSERT_EQ(ridge::remove_hole_minutiae(h.minutiae, h.image.data(), kW, kH, z.inner_zone_map, kMw, kMh, 20), 0);
    EXPECT_EQ(h.minutiae.num(), 2);
    ASSERT_EQ(ridge::remove_hole_minutiae(h.minutiae, h.image.data(), kW, kH, z.border_zone_map, kMw, kMh, 20), 0);
    ASSERT_EQ(h.minutiae.num(), 1);
    EXPECT_EQ(h.minutiae.list[0].type, lfs::RIDGE_ENDING);
}

// A spur: a ridge band on rows 60..62 and a 3-wide ridge rising from it at
// x = 56..58 for `length` rows. The ridge ending is the spur's tip; the
// bifurcation is the valley pixel in the left crotch.
struct Hook {
    Image image;
    lfs::Minutiae minutiae;
    explicit Hook(int length, int ending_dir, int fork_dir)
    {
        image.fill(30, 60, 90, 62, 1);
        image.fill(56, 60 - length, 58, 59, 1);
        const int tip_y = 60 - length;
        minutiae = list_of({minutia(57, tip_y, 57, tip_y - 1, ending_dir, lfs::RIDGE_ENDING),
                            minutia(55, 59, 56, 59, fork_dir, lfs::BIFURCATION)});
    }
};

TEST(Hooks, FarHookFacingAwayIsKeptInBothZones)
{
    // Tip 15 rows up: 14.5 apart, 16 contour steps, directions 16 apart.
    for (bool inner : {false, true}) {
        Hook h(15, 16, 0);
        const auto z = zones(!inner);
        const auto &zone = inner ? z.inner_zone_map : z.border_zone_map;
        ASSERT_TRUE(ridge::in_zone(zone, kMw, kMh, h.minutiae.list[0]));
        ASSERT_EQ(ridge::remove_hooks(h.minutiae, h.image.data(), kW, kH, zone, kMw, kMh, inner ? 14 : 0, inner), 0);
        EXPECT_EQ(h.minutiae.num(), 2) << (inner ? "inner" : "border");
    }
}

TEST(Hooks, FarHookNotFacingAwayIsRemovedInTheInnerZoneOnly)
{
    // Directions 12 apart: below the inner zone's 14.
    for (bool inner : {false, true}) {
        Hook h(15, 16, 28);
        const auto z = zones(!inner);
        const auto &zone = inner ? z.inner_zone_map : z.border_zone_map;
        ASSERT_EQ(ridge::remove_hooks(h.minutiae, h.image.data(), kW, kH, zone, kMw, kMh, inner ? 14 : 0, inner), 0);
        EXPECT_EQ(h.minutiae.num(), inner ? 0 : 2) << (inner ? "inner" : "border");
    }
}

TEST(Hooks, CloseHookIsRemovedInBothZones)
{
    // Tip 8 rows up: 7.5 apart.
    for (bool inner : {false, true}) {
        Hook h(8, 16, 0);
        const auto z = zones(!inner);
        const auto &zone = inner ? z.inner_zone_map : z.border_zone_map;
        ASSERT_EQ(ridge::remove_hooks(h.minutiae, h.image.data(), kW, kH, zone, kMw, kMh, inner ? 14 : 0, inner), 0);
        EXPECT_EQ(h.minutiae.num(), 0) << (inner ? "inner" : "border");
    }
}

TEST(Hooks, LongContourIsNoHook)
{
    // 17 rows of spur: the contour between them exceeds 16 steps.
    Hook h(17, 16, 28);
    const auto z = zones(false);
    ASSERT_EQ(ridge::remove_hooks(h.minutiae, h.image.data(), kW, kH, z.inner_zone_map, kMw, kMh, 14, true), 0);
    EXPECT_EQ(h.minutiae.num(), 2);
}

TEST(Hooks, ExclusivePassSkipsLikeTypes)
{
    Hook h(8, 16, 0);
    h.minutiae.list[1].type = lfs::RIDGE_ENDING;
    h.minutiae.list[1].x = 56;
    h.minutiae.list[1].y = 60 - 5; // on the spur's left edge
    h.minutiae.list[1].ex = 55;
    h.minutiae.list[1].ey = 55;
    const auto z = zones(false);
    ASSERT_EQ(ridge::remove_hooks(h.minutiae, h.image.data(), kW, kH, z.inner_zone_map, kMw, kMh, 14, true), 0);
    EXPECT_EQ(h.minutiae.num(), 2);
    ASSERT_EQ(ridge::remove_hooks(h.minutiae, h.image.data(), kW, kH, z.inner_zone_map, kMw, kMh, 14, false), 0);
    EXPECT_EQ(h.minutiae.num(), 0);
}

// A ridge broken by a 4-pixel gap: ridge endings at (40, 61) and (45, 61)
// facing each other, 5 apart.
struct Gap {
    Image image;
    lfs::Minutiae minutiae;
    Gap()
    {
        image.fill(10, 60, 40, 62, 1);
        image.fill(45, 60, 80, 62, 1);
        minutiae = list_of({minutia(40, 61, 41, 61, 24, lfs::RIDGE_ENDING),
                            minutia(45, 61, 44, 61, 8, lfs::RIDGE_ENDING)});
    }
};

TEST(Overlaps, FacingEndsAcrossAGapAreRemovedAndJoined)
{
    Gap g;
    ASSERT_EQ(ridge::remove_overlaps(g.minutiae, g.image.data(), kW, kH), 0);
    EXPECT_EQ(g.minutiae.num(), 0);
    for (int x = 40; x <= 45; ++x)
        EXPECT_EQ(g.image.at(x, 61), 1) << x;
    EXPECT_EQ(g.image.at(42, 60), 0);
    EXPECT_EQ(g.image.at(42, 62), 0);
}

TEST(Overlaps, BifurcationsAreJoinedWithValley)
{
    Gap g;
    for (auto &m : g.minutiae.list)
        m.type = lfs::BIFURCATION;
    // Invert the image so the pair sits on valley pixels.
    for (auto &p : g.image.px)
        p = static_cast<unsigned char>(1 - p);
    ASSERT_EQ(ridge::remove_overlaps(g.minutiae, g.image.data(), kW, kH), 0);
    EXPECT_EQ(g.minutiae.num(), 0);
    for (int x = 40; x <= 45; ++x)
        EXPECT_EQ(g.image.at(x, 61), 0) << x;
}

TEST(Overlaps, KeptWhenNotFacingOrPathCrossesARidge)
{
    {
        Gap g; // directions only 12 apart
        g.minutiae.list[1].direction = 12;
        ASSERT_EQ(ridge::remove_overlaps(g.minutiae, g.image.data(), kW, kH), 0);
        EXPECT_EQ(g.minutiae.num(), 2);
    }
    {
        Gap g; // a ridge pixel in the gap: four transitions on the path
        g.image.fill(42, 61, 42, 61, 1);
        ASSERT_EQ(ridge::remove_overlaps(g.minutiae, g.image.data(), kW, kH), 0);
        EXPECT_EQ(g.minutiae.num(), 2);
        EXPECT_EQ(g.image.at(41, 61), 0);
    }
    {
        Gap g; // 9 apart: beyond the overlap distance
        g.image.fill(41, 60, 44, 62, 1);
        g.image.fill(45, 60, 48, 62, 0);
        g.minutiae.list[1].x = 49;
        g.minutiae.list[1].ex = 48;
        ASSERT_EQ(ridge::remove_overlaps(g.minutiae, g.image.data(), kW, kH), 0);
        EXPECT_EQ(g.minutiae.num(), 2);
    }
}

TEST(Overlaps, InvalidDirectionIsAnError)
{
    Gap g;
    g.minutiae.list[0].direction = -1;
    EXPECT_EQ(ridge::remove_overlaps(g.minutiae, g.image.data(), kW, kH), -651);
}

// The whole sequence picks the limits by zone: in a valid strip six blocks
// wide there is no inner zone, so the island meets the border limit of 15
// and is filled; with every block valid it lies in the inner zone, where
// the limit of 10 keeps it.
TEST(FalseMinutiae, NarrowValidAreaUsesBorderLimitsOnly)
{
    for (bool narrow : {true, false}) {
        Island is;
        std::vector<int> dmap(static_cast<size_t>(kMw * kMh), narrow ? -1 : 8);
        for (int by = 0; by < kMh; ++by)
            for (int bx = 4; bx < 10; ++bx)
                dmap[static_cast<size_t>(by * kMw + bx)] = 8;
        const std::vector<int> flow(dmap.size(), 0), curve(dmap.size(), 0);
        ASSERT_EQ(ridge::remove_false_minutiae(is.minutiae, is.image.data(), kW, kH, dmap, flow, curve, kMw, kMh), 0);
        EXPECT_EQ(is.image.at(56, 60), narrow ? 0 : 1) << (narrow ? "narrow" : "wide");
        if (narrow) {
            EXPECT_EQ(is.minutiae.num(), 0);
        }
    }
}

TEST(FalseMinutiae, EmptyListAndAllInvalidMap)
{
    Image image;
    std::vector<int> dmap(static_cast<size_t>(kMw * kMh), -1), flow(dmap.size(), 0), curve(dmap.size(), 0);
    lfs::Minutiae none;
    EXPECT_EQ(ridge::remove_false_minutiae(none, image.data(), kW, kH, dmap, flow, curve, kMw, kMh), 0);
    EXPECT_EQ(none.num(), 0);
    Gap g;
    g.minutiae.list[0].x = 70; // apart, so that no pair test removes them
    g.minutiae.list[0].ex = 71;
    ASSERT_EQ(ridge::remove_false_minutiae(g.minutiae, g.image.data(), kW, kH, dmap, flow, curve, kMw, kMh), 0);
    EXPECT_EQ(g.minutiae.num(), 0);
}

} // namespace
