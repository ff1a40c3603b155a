// Minutia reliability: quality level by pixel, grey-level statistics of the
// 23 x 23 neighbourhood, and the integer standard deviation.
#include "lfs/remove.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr float kPpmm = 19.68504f;

struct Case {
    int iw, ih, mw, mh;
    std::vector<unsigned char> image;
    std::vector<int> qmap;
    Case(int w, int h, unsigned char grey, int level)
        : iw(w), ih(h), mw((w + 7) / 8), mh((h + 7) / 8), image(static_cast<size_t>(w * h), grey),
          qmap(static_cast<size_t>(mw * mh), level)
    {
    }
    float reliability(int x, int y)
    {
        lfs::Minutiae l;
        lfs::Minutia m;
        m.x = x;
        m.y = y;
        l.list.push_back(m);
        EXPECT_EQ(lfs::combined_miutia_quality(l, qmap, mw, mh, 8, image.data(), iw, ih, kPpmm), 0);
        return l.list[0].reliability;
    }
};

TEST(MinutiaQuality, LevelsScaleTheGreyFactor)
{
    // Alternating 0 / 254 columns: the deviation exceeds 64 and the mean is
    // close to 127, so the grey factor is nearly 1.
    Case c(64, 64, 0, 4);
    for (int y = 0; y < c.ih; ++y)
        for (int x = 0; x < c.iw; x += 2)
            c.image[static_cast<size_t>(y * c.iw + x)] = 254;
    const float g = 1.0f - (254.0f * 12.0f / 23.0f - 127.0f) / 127.0f; // 12 bright columns of 23
    EXPECT_NEAR(c.reliability(31, 32), 0.50f + 0.49f * g, 1e-6f);
    const float expected[5] = {0.01f, 0.05f + 0.04f * g, 0.10f + 0.14f * g, 0.25f + 0.24f * g, 0.50f + 0.49f * g};
    for (int level = 0; level <= 4; ++level) {
        std::fill(c.qmap.begin(), c.qmap.end(), level);
        EXPECT_NEAR(c.reliability(31, 32), expected[level], 1e-6f) << level;
    }
}

TEST(MinutiaQuality, StandardDeviationIsTheIntegerRootOfTheRoundedVariance)
{
    // Columns of 137 and 117: variance 99.81 rounds to 100, deviation 10
    // (the real deviation is 9.99).
    Case c(64, 64, 117, 4);
    for (int y = 0; y < c.ih; ++y)
        for (int x = 0; x < c.iw; x += 2)
            c.image[static_cast<size_t>(y * c.iw + x)] = 137;
    EXPECT_FLOAT_EQ(c.reliability(31, 32), 0.50f + 0.49f * (10.0f / 64.0f));
}

TEST(MinutiaQuality, NeighbourhoodCrossingTheEdgeCountsAsFlat)
{
    Case c(64, 64, 127, 3);
    for (size_t i = 0; i < c.image.size(); i += 2)
        c.image[i] = 0;
    // x = 10 leaves the 11-pixel radius outside the image.
    EXPECT_FLOAT_EQ(c.reliability(10, 32), 0.25f);
    EXPECT_FLOAT_EQ(c.reliability(53, 32), 0.25f);
    EXPECT_GT(c.reliability(11, 32), 0.25f);
    EXPECT_GT(c.reliability(52, 32), 0.25f);
    EXPECT_GT(c.reliability(52, 52), 0.25f);
    EXPECT_FLOAT_EQ(c.reliability(52, 53), 0.25f);
}

// The last block column is anchored at iw - 8 and covers part of its
// neighbour, as in the pixelised quality map.
TEST(MinutiaQuality, LastBlockCoversItsNeighbour)
{
    Case c(20, 16, 127, 0);
    c.qmap = {1, 2, 3, 1, 2, 3};
    EXPECT_FLOAT_EQ(c.reliability(11, 3), 0.10f); // block 1
    EXPECT_FLOAT_EQ(c.reliability(12, 3), 0.25f); // anchored block 2
    EXPECT_FLOAT_EQ(c.reliability(7, 3), 0.05f);
}

TEST(MinutiaQuality, LevelOutOfRangeFails)
{
    Case c(32, 32, 127, 5);
    testing::internal::CaptureStderr();
    lfs::Minutiae l;
    l.list.resize(1);
    l.list[0].x = 16;
    l.list[0].y = 16;
    EXPECT_EQ(lfs::combined_miutia_quality(l, c.qmap, c.mw, c.mh, 8, c.image.data(), c.iw, c.ih, kPpmm), -3);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR : combined_miutia_quality : unexpected quality map value 5 not in range [0..4]\n");
}

} // namespace
