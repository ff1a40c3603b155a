// Border and inner zones built from the block direction map.
#include "extract/minutiae/zone_maps.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

using ridge::ZoneMaps;

std::vector<int> valid_map(int mw, int mh)
{
    return std::vector<int>(static_cast<size_t>(mw * mh), 4);
}

int at(const std::vector<int> &m, int mw, int x, int y)
{
    return m[static_cast<size_t>(y * mw + x)];
}

// The map edge counts as invalid: only blocks four or more steps inside
// are inner.
TEST(ZoneMaps, MapEdgeMakesTheBorder)
{
    const int mw = 9, mh = 10;
    ZoneMaps z;
    ridge::build_zone_maps(z, valid_map(mw, mh), mw, mh);
    for (int y = 0; y < mh; ++y)
        for (int x = 0; x < mw; ++x) {
            const bool inner = x >= 3 && x <= mw - 4 && y >= 3 && y <= mh - 4;
            EXPECT_EQ(at(z.inner_zone_map, mw, x, y), inner ? 1 : -1) << x << "," << y;
            EXPECT_EQ(at(z.border_zone_map, mw, x, y), inner ? -1 : 1) << x << "," << y;
        }
}

// Three dilations along edge neighbours reach a diamond of radius 3 around
// an invalid block.
TEST(ZoneMaps, InvalidBlockSpreadsThreeEdgeSteps)
{
    const int mw = 21, mh = 21, cx = 10, cy = 10;
    auto dmap = valid_map(mw, mh);
    dmap[static_cast<size_t>(cy * mw + cx)] = -1;
    ZoneMaps z;
    ridge::build_zone_maps(z, dmap, mw, mh);
    EXPECT_EQ(at(z.border_zone_map, mw, cx, cy), -1);
    EXPECT_EQ(at(z.inner_zone_map, mw, cx, cy), -1);
    for (int y = 4; y <= 16; ++y)
        for (int x = 4; x <= 16; ++x) {
            const int steps = std::abs(x - cx) + std::abs(y - cy);
            if (steps == 0)
                continue;
            const bool border = steps <= 3;
            EXPECT_EQ(at(z.border_zone_map, mw, x, y), border ? 1 : -1) << x << "," << y;
            EXPECT_EQ(at(z.inner_zone_map, mw, x, y), border ? -1 : 1) << x << "," << y;
        }
}

// A valid strip narrower than seven blocks has no inner zone at all.
TEST(ZoneMaps, NarrowValidAreaHasNoInnerZone)
{
    for (int width : {6, 7}) {
        const int mw = 20, mh = 30;
        std::vector<int> dmap(static_cast<size_t>(mw * mh), -1);
        for (int y = 0; y < mh; ++y)
            for (int x = 5; x < 5 + width; ++x)
                dmap[static_cast<size_t>(y * mw + x)] = 8;
        ZoneMaps z;
        ridge::build_zone_maps(z, dmap, mw, mh);
        int inner = 0, border = 0;
        for (size_t i = 0; i < dmap.size(); ++i) {
            inner += z.inner_zone_map[i] >= 0;
            border += z.border_zone_map[i] >= 0;
            EXPECT_FALSE(z.inner_zone_map[i] >= 0 && z.border_zone_map[i] >= 0);
        }
        EXPECT_EQ(inner, width == 6 ? 0 : mh - 6) << width;
        EXPECT_EQ(inner + border, width * mh) << width;
    }
}

TEST(ZoneMaps, MinutiaBelongsToItsEightPixelBlock)
{
    const int mw = 9, mh = 9;
    ZoneMaps z;
    ridge::build_zone_maps(z, valid_map(mw, mh), mw, mh);
    lfs::Minutia m;
    m.x = 3 * 8;
    m.y = 5 * 8 + 7;
    EXPECT_TRUE(ridge::in_zone(z.inner_zone_map, mw, mh, m));
    m.x = 3 * 8 - 1;
    EXPECT_FALSE(ridge::in_zone(z.inner_zone_map, mw, mh, m));
    EXPECT_TRUE(ridge::in_zone(z.border_zone_map, mw, mh, m));
    m.x = 9 * 8;
    EXPECT_FALSE(ridge::in_zone(z.border_zone_map, mw, mh, m));
    m.x = -1;
    EXPECT_FALSE(ridge::in_zone(z.border_zone_map, mw, mh, m));
}

} // namespace
