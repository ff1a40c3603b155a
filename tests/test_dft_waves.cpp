// Integer DFT wave tables and the directional powers of a block window.
#include "extract/maps/dft_waves.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int kLen = 24;
constexpr int kDirs = 16;
constexpr int kWaves = 4;

lfs::DftWaves make_waves()
{
    lfs::DftWaves w;
    EXPECT_EQ(ridge::init_dftwaves(w, kWaves, kLen), 0);
    return w;
}

// Grids over a stride-wide image: grid 0 is the unrotated window (rows are
// image rows), the others are arbitrary permutations of window pixels.
lfs::RotGrids make_grids(int stride, unsigned seed)
{
    lfs::RotGrids g;
    g.ngrids = kDirs;
    g.grid_w = kLen;
    g.grid_h = kLen;
    g.grids.resize(kDirs);
    std::mt19937 rng(seed);
    for (int d = 0; d < kDirs; ++d) {
        std::vector<int> &offs = g.grids[static_cast<size_t>(d)];
        for (int r = 0; r < kLen; ++r)
            for (int c = 0; c < kLen; ++c)
                offs.push_back(r * stride + c);
        if (d != 0)
            std::shuffle(offs.begin(), offs.end(), rng);
    }
    return g;
}

TEST(DftWaveTables, FirstWaveHoldsTheQuarterCosineAndSine)
{
    const lfs::DftWaves w = make_waves();
    ASSERT_EQ(w.nwaves, 4);
    ASSERT_EQ(w.wavelen, 24);
    EXPECT_EQ(w.waves[0].cos, (std::vector<int>{1024, 989, 887, 724, 512, 265}));
    EXPECT_EQ(w.waves[0].sin, (std::vector<int>{0, 265, 512, 724, 887, 989}));
}

TEST(DftWaveTables, HigherWavesStepByTheirFrequency)
{
    const lfs::DftWaves w = make_waves();
    EXPECT_EQ(w.waves[1].cos, (std::vector<int>{1024, 887, 512, 0, -512, -887}));
    EXPECT_EQ(w.waves[1].sin, (std::vector<int>{0, 512, 887, 1024, 887, 512}));
    EXPECT_EQ(w.waves[2].cos, (std::vector<int>{1024, 724, 0, -724, -1024, -724}));
    EXPECT_EQ(w.waves[2].sin, (std::vector<int>{0, 724, 1024, 724, 0, -724}));
    EXPECT_EQ(w.waves[3].cos, (std::vector<int>{1024, 512, -512, -1024, -512, 512}));
    EXPECT_EQ(w.waves[3].sin, (std::vector<int>{0, 887, 887, 0, -887, -887}));
}

TEST(DftDirPowers, ConstantWindowHasNoPowerAnywhere)
{
    const lfs::DftWaves w = make_waves();
    const int stride = 40;
    const lfs::RotGrids g = make_grids(stride, 1);
    for (int level : {0, 17, 63}) {
        std::vector<unsigned char> image(static_cast<size_t>(stride * stride), static_cast<unsigned char>(level));
        std::vector<float> powers(kWaves * kDirs, -1.0f);
        ASSERT_EQ(ridge::dft_dir_powers(powers.data(), image.data(), 0, w, g), 0);
        for (float p : powers)
            EXPECT_EQ(p, 0.0f) << "level " << level;
    }
}

TEST(DftDirPowers, SingleBrightRowGivesEqualPowerInEveryWave)
{
    // Window row 0 all ones: through the unrotated grid R = (24, 0, ..., 0),
    // so A = 24 * 1024 and B = 0 for every wave; power (24*1024)^2 >> 20.
    // Its column sums are all 1: the perpendicular direction sees nothing.
    const lfs::DftWaves w = make_waves();
    const int stride = 30;
    const lfs::RotGrids g = make_grids(stride, 2);
    std::vector<unsigned char> image(static_cast<size_t>(stride * stride), 0);
    for (int c = 0; c < kLen; ++c)
        image[static_cast<size_t>(stride + 2 + c)] = 1;
    std::vector<float> powers(kWaves * kDirs);
    ASSERT_EQ(ridge::dft_dir_powers(powers.data(), image.data(), stride + 2, w, g), 0);
    for (int k = 0; k < kWaves; ++k) {
        EXPECT_EQ(powers[static_cast<size_t>(k * kDirs + 0)], 576.0f) << "wave " << k;
        EXPECT_EQ(powers[static_cast<size_t>(k * kDirs + 8)], 0.0f) << "wave " << k;
    }
}

TEST(DftDirPowers, PerpendicularDirectionUsesReversedColumnSums)
{
    // A ramp across the columns, 0..23, seen through the unrotated grid:
    // rows are constant (no power at direction 0); the reversed column sums
    // are a descending ramp, whose wave-1 coefficients are computed here
    // directly from the definition.
    const lfs::DftWaves w = make_waves();
    const int stride = kLen;
    const lfs::RotGrids g = make_grids(stride, 3);
    std::vector<unsigned char> image(static_cast<size_t>(kLen * kLen));
    for (int r = 0; r < kLen; ++r)
        for (int c = 0; c < kLen; ++c)
            image[static_cast<size_t>(r * stride + c)] = static_cast<unsigned char>(c);
    std::vector<float> powers(kWaves * kDirs);
    ASSERT_EQ(ridge::dft_dir_powers(powers.data(), image.data(), 0, w, g), 0);
    EXPECT_EQ(powers[0], 0.0f);

    long long a = 0, b = 0;
    for (int i = 0; i < kLen; ++i) {
        const long long s = 24LL * (23 - i);
        const double theta = 2.0 * M_PI * i / kLen;
        a += s * std::lround(std::cos(theta) * 1024.0);
        b += s * std::lround(std::sin(theta) * 1024.0);
    }
    EXPECT_EQ(powers[8], static_cast<float>((a * a + b * b) >> 20));
    EXPECT_GT(powers[8], 1.0e5f);
}

TEST(DftDirPowers, FoldedSumsAgreeWithThePlainEvaluation)
{
    const lfs::DftWaves w = make_waves();
    const int stride = 50;
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> px(0, 63);
    for (unsigned trial = 0; trial < 200; ++trial) {
        const lfs::RotGrids g = make_grids(stride, trial);
        std::vector<unsigned char> image(static_cast<size_t>(stride * stride));
        for (unsigned char &p : image)
            p = static_cast<unsigned char>(trial % 3 == 0 ? px(rng) : (px(rng) & 1) * 63);
        const int origin = static_cast<int>(trial % 20) * stride + static_cast<int>(trial % 13);
        std::vector<float> fast(kWaves * kDirs), plain(kWaves * kDirs);
        ASSERT_EQ(ridge::dft_dir_powers(fast.data(), image.data(), origin, w, g), 0);
        ASSERT_EQ(ridge::dft_dir_powers_plain(plain.data(), image.data(), origin, w, g), 0);
        ASSERT_EQ(fast, plain) << "trial " << trial;
    }
}

TEST(DftDirPowers, RefusesGridsThatAreNotSquare)
{
    const lfs::DftWaves w = make_waves();
    lfs::RotGrids g = make_grids(30, 4);
    g.grid_h = 23;
    std::vector<unsigned char> image(30 * 30, 1);
    std::vector<float> powers(kWaves * kDirs);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ridge::dft_dir_powers(powers.data(), image.data(), 0, w, g), -90);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR : dft_dir_powers : DFT grids must be square\n");
}

} // namespace
