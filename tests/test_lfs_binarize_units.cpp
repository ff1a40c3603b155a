// Directional binarisation and hole filling on small synthetic images.
#include "extract/detector_params.h"
#include "lfs/binarize.h"
#include "lfs/maps.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

const lfs::LfsParams &P = ridge::DetectorParams;
constexpr unsigned char B = 0, W = 255;

lfs::RotGrids binarisation_grids(int iw, int ih, int pad)
{
    lfs::RotGrids grids;
    EXPECT_EQ(lfs::init_rotgrids(grids, iw, ih, pad, P.start_dir_angle, P.num_directions, P.dirbin_grid_w,
                                 P.dirbin_grid_h, lfs::RELATIVE2CENTER),
              0);
    return grids;
}

// A padded 6-bit image of the given size, every pixel `level`.
struct Padded {
    int iw, ih, pad, pw, ph;
    std::vector<unsigned char> data;
    Padded(int w, int h, int p, unsigned char level)
        : iw(w), ih(h), pad(p), pw(w + 2 * p), ph(h + 2 * p), data(static_cast<size_t>(pw * ph), level)
    {
    }
    unsigned char &at(int x, int y) { return data[static_cast<size_t>((y + pad) * pw + x + pad)]; }
};

TEST(FillHoles, FillsSinglePixelGapsAcrossRowsAndColumns)
{
    std::vector<unsigned char> img = {W, B, W, B, W, //
                                      B, B, B, B, B};
    lfs::fill_holes(img.data(), 5, 2);
    // Row 0: x=1 is filled white, x=2 is stepped over, x=3 is filled too.
    EXPECT_EQ(img, (std::vector<unsigned char>{W, W, W, W, W, B, B, B, B, B}));

    std::vector<unsigned char> col = {B, W, B, W, B};
    lfs::fill_holes(col.data(), 1, 5);
    EXPECT_EQ(col, (std::vector<unsigned char>(5, B)));
}

TEST(FillHoles, HorizontalPassRunsBeforeVerticalPass)
{
    // Vertical-then-horizontal would also clear (2,1); horizontal first
    // leaves it black because its row neighbours still differ at that time.
    std::vector<unsigned char> img = {W, W, W, W, //
                                      W, W, B, B, //
                                      W, B, B, W};
    lfs::fill_holes(img.data(), 4, 3);
    EXPECT_EQ(img, (std::vector<unsigned char>{W, W, W, W, W, W, B, W, W, B, B, W}));
}

// The pass structure written out literally: each pass steps over the pixel
// after a fill, and the vertical pass goes column by column.
void fill_holes_literal(std::vector<unsigned char> &img, int iw, int ih)
{
    for (int y = 0; y < ih; y++)
        for (int x = 1; x < iw - 1; x++) {
            unsigned char *p = &img[static_cast<size_t>(y * iw + x)];
            if (p[-1] != p[0] && p[-1] == p[1]) {
                p[0] = p[-1];
                x++;
            }
        }
    for (int x = 0; x < iw; x++)
        for (int y = 1; y < ih - 1; y++) {
            unsigned char *p = &img[static_cast<size_t>(y * iw + x)];
            if (p[-iw] != p[0] && p[-iw] == p[iw]) {
                p[0] = p[-iw];
                y++;
            }
        }
}

TEST(FillHoles, MatchesTheLiteralPassesOnNoise)
{
    std::mt19937 rng(11);
    // Widths around the 16-pixel groups of the vector path; dense noise
    // gives long runs of neighbouring holes.
    const int sizes[][2] = {{1, 1}, {1, 9}, {9, 1}, {2, 2}, {3, 3}, {17, 5}, {18, 4}, {64, 48}, {33, 70}, {50, 9}};
    for (const auto &sz : sizes) {
        for (const unsigned density : {2u, 3u, 7u}) {
            std::vector<unsigned char> img(static_cast<size_t>(sz[0] * sz[1]));
            for (auto &v : img)
                v = rng() % density == 0 ? B : W;
            auto want = img, plain = img;
            for (int i = 0; i < 3; i++) {
                lfs::fill_holes(img.data(), sz[0], sz[1]);
                lfs::fill_holes_plain(plain.data(), sz[0], sz[1]);
                fill_holes_literal(want, sz[0], sz[1]);
                ASSERT_EQ(img, want) << sz[0] << "x" << sz[1] << " pass " << i;
                ASSERT_EQ(plain, want) << sz[0] << "x" << sz[1] << " pass " << i;
            }
        }
    }
}

TEST(FillHoles, VectorPathMatchesThePlainPathOnManyValues)
{
    // Not only two values: a hole is a pixel between two equal neighbours
    // of another value, whatever the values are.
    std::mt19937 rng(12);
    for (int iw : {16, 17, 31, 33, 100}) {
        std::vector<unsigned char> img(static_cast<size_t>(iw * 23));
        for (auto &v : img)
            v = static_cast<unsigned char>(rng() % 3);
        auto plain = img;
        lfs::fill_holes(img.data(), iw, 23);
        lfs::fill_holes_plain(plain.data(), iw, 23);
        ASSERT_EQ(img, plain) << iw;
    }
}

TEST(FillHoles, TinyImagesAreLeftAlone)
{
    std::vector<unsigned char> one = {B};
    lfs::fill_holes(one.data(), 1, 1);
    EXPECT_EQ(one[0], B);
    std::vector<unsigned char> two = {W, B, W, B};
    lfs::fill_holes(two.data(), 2, 2);
    EXPECT_EQ(two, (std::vector<unsigned char>{W, B, W, B}));
    lfs::fill_holes(nullptr, 0, 0);
}

TEST(BinarizeImage, DarkVerticalLineIsRidgeOnlyOnTheLine)
{
    Padded p(16, 16, 13, 40);
    for (int y = -13; y < 16 + 13; y++)
        p.data[static_cast<size_t>((y + 13) * p.pw + 13 + 7)] = 10; // column 7, padding included
    const std::vector<int> dmap(4, 0); // direction 0: vertical ridges
    std::vector<unsigned char> bin;
    int bw = 0, bh = 0;
    ASSERT_EQ(lfs::binarize_image_V2(bin, bw, bh, p.data.data(), p.pw, p.ph, dmap, 2, 2, P.blocksize,
                                     binarisation_grids(16, 16, 13)),
              0);
    ASSERT_EQ(bw, 16);
    ASSERT_EQ(bh, 16);
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 16; x++)
            EXPECT_EQ(bin[static_cast<size_t>(y * 16 + x)], x == 7 ? B : W) << x << "," << y;
}

TEST(BinarizeImage, ConstantImageIsWhiteSinceEqualityIsNotDarker)
{
    Padded p(9, 9, 13, 33);
    const std::vector<int> dmap(4, 5);
    std::vector<unsigned char> bin;
    int bw = 0, bh = 0;
    ASSERT_EQ(lfs::binarize_image_V2(bin, bw, bh, p.data.data(), p.pw, p.ph, dmap, 2, 2, P.blocksize,
                                     binarisation_grids(9, 9, 13)),
              0);
    EXPECT_EQ(bin, std::vector<unsigned char>(81, W));
}

TEST(BinarizeImage, InvalidAndOutOfRangeDirectionsGiveWhiteBlocks)
{
    // Every pixel darker than the padding: on its own a ridge everywhere
    // the grid reaches the bright padding; blocks without a usable
    // direction must still be white.
    Padded p(16, 16, 13, 60);
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 16; x++)
            p.at(x, y) = static_cast<unsigned char>((x % 3 == 0) ? 5 : 60);
    const std::vector<int> dmap = {0, -1, 16, 99};
    std::vector<unsigned char> bin;
    int bw = 0, bh = 0;
    ASSERT_EQ(lfs::binarize_image_V2(bin, bw, bh, p.data.data(), p.pw, p.ph, dmap, 2, 2, P.blocksize,
                                     binarisation_grids(16, 16, 13)),
              0);
    int black_in_valid = 0;
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 16; x++) {
            const unsigned char v = bin[static_cast<size_t>(y * 16 + x)];
            if (x < 8 && y < 8)
                black_in_valid += v == B;
            else
                EXPECT_EQ(v, W) << x << "," << y;
        }
    EXPECT_GT(black_in_valid, 0);
}

TEST(BinarizeImage, VectorPathsMatchPixelwisePath)
{
    std::mt19937 rng(7);
    // Widths that are not multiples of 8 and block sizes that split runs;
    // direction maps with every block different, and with few directions so
    // that neighbouring blocks share grids over long stretches; 6-bit and
    // full 8-bit pixels.
    const int sizes[][3] = {{37, 29, 8}, {8, 8, 8}, {23, 41, 12}, {50, 9, 5}, {1, 1, 8}, {3, 17, 8}, {150, 20, 8},
                            {97, 16, 8}, {77, 24, 16}};
    for (const auto &s : sizes) {
        for (int variant = 0; variant < 4; ++variant) {
            const int iw = s[0], ih = s[1], bs = s[2];
            const bool few_directions = variant % 2 == 1, full_range = variant >= 2;
            Padded p(iw, ih, 13, 32);
            for (auto &v : p.data)
                v = static_cast<unsigned char>(full_range ? rng() % 256 : rng() % 64);
            const int mw = (iw + bs - 1) / bs, mh = (ih + bs - 1) / bs;
            std::vector<int> dmap(static_cast<size_t>(mw * mh));
            for (auto &d : dmap)
                d = few_directions ? (rng() % 8 == 0 ? -1 : static_cast<int>(rng() % 2) * 5)
                                   : static_cast<int>(rng() % 18) - 1; // -1..16, 16 out of range
            const auto grids = binarisation_grids(iw, ih, 13);
            std::vector<unsigned char> plain;
            int pw = 0, ph = 0;
            ASSERT_EQ(lfs::binarize_image_V2_pixelwise(plain, pw, ph, p.data.data(), p.pw, p.ph, dmap, mw, mh, bs,
                                                       grids),
                      0);
            for (lfs::SimdLevel level : {lfs::SimdLevel::Vector, lfs::SimdLevel::Avx2}) {
                if (!lfs::simd_level_available(level))
                    continue;
                std::vector<unsigned char> fast;
                int fw = 0, fh = 0;
                ASSERT_EQ(lfs::binarize_image_V2_at(level, fast, fw, fh, p.data.data(), p.pw, p.ph, dmap, mw, mh, bs,
                                                    grids),
                          0);
                EXPECT_EQ(fw, pw);
                EXPECT_EQ(fh, ph);
                EXPECT_EQ(fast, plain) << iw << "x" << ih << " block " << bs << " variant " << variant << " level "
                                       << static_cast<int>(level);
            }
        }
    }
}

TEST(BinarizeImage, RejectsInputsThatWouldReadOutsideTheImage)
{
    Padded p(16, 16, 13, 32);
    std::vector<unsigned char> bin;
    int bw = -7, bh = -7;
    const auto grids = binarisation_grids(16, 16, 13);
    const std::vector<int> dmap(4, 0);

    // Direction map too small for the image.
    EXPECT_LT(lfs::binarize_image_V2(bin, bw, bh, p.data.data(), p.pw, p.ph, dmap, 1, 2, 8, grids), 0);
    EXPECT_LT(lfs::binarize_image_V2(bin, bw, bh, p.data.data(), p.pw, p.ph, std::vector<int>(3, 0), 2, 2, 8, grids),
              0);
    // Padding narrower than the grids claim.
    lfs::RotGrids thin = grids;
    thin.pad = 2;
    EXPECT_LT(lfs::binarize_image_V2(bin, bw, bh, p.data.data(), p.pw, p.ph, dmap, 2, 2, 8, thin), 0);
    // Grids built for another padded width.
    EXPECT_LT(lfs::binarize_image_V2(bin, bw, bh, p.data.data(), p.pw, p.ph, dmap, 2, 2, 8,
                                     binarisation_grids(200, 16, 13)),
              0);
    // Padded image no larger than its padding.
    EXPECT_LT(lfs::binarize_image_V2(bin, bw, bh, p.data.data(), 26, 26, dmap, 2, 2, 8, grids), 0);
    EXPECT_EQ(bw, -7);
    EXPECT_EQ(bh, -7);
}

TEST(BinarizeV2, FillsHolesTheConfiguredNumberOfTimes)
{
    // Noise binarises into many one-pixel holes.
    std::mt19937 rng(3);
    Padded p(24, 24, 13, 32);
    for (auto &v : p.data)
        v = static_cast<unsigned char>(rng() % 64);
    const std::vector<int> dmap(9, 4);
    const auto grids = binarisation_grids(24, 24, 13);
    std::vector<unsigned char> raw, full;
    int bw = 0, bh = 0;
    ASSERT_EQ(lfs::binarize_image_V2(raw, bw, bh, p.data.data(), p.pw, p.ph, dmap, 3, 3, 8, grids), 0);
    ASSERT_EQ(lfs::binarize_V2(full, bw, bh, p.data.data(), p.pw, p.ph, dmap, 3, 3, grids, P), 0);
    auto expect = raw;
    for (int i = 0; i < P.num_fill_holes; i++)
        lfs::fill_holes(expect.data(), bw, bh);
    EXPECT_NE(full, raw);
    EXPECT_EQ(full, expect);
}

} // namespace
