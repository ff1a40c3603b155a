// Rotated binarisation grids and directional binarisation against the
// captured grids and binary images of the reference detector.
#include "extract/detector_params.h"
#include "lfs/binarize.h"
#include "lfs/maps.h"
#include "support/lfs_vectors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ridge_test::load_i32;
using ridge_test::load_u8;
using ridge_test::vector_folders;

const lfs::LfsParams &P = ridge::DetectorParams;

lfs::RotGrids own_grids(const ridge_test::VectorFolder &f)
{
    lfs::RotGrids grids;
    EXPECT_EQ(lfs::init_rotgrids(grids, f.meta_int("iw"), f.meta_int("ih"), f.meta_int("pad"), P.start_dir_angle,
                                 P.num_directions, P.dirbin_grid_w, P.dirbin_grid_h, lfs::RELATIVE2CENTER),
              0);
    return grids;
}

// The grids exactly as captured: 16 directions of 63 offsets dx + dy*pw.
lfs::RotGrids captured_grids(const ridge_test::VectorFolder &f)
{
    const auto offsets = load_i32(f.file("dirbin_grids_offsets.i32"));
    lfs::RotGrids grids;
    grids.pad = f.meta_int("dirbin_pad");
    grids.relative2 = lfs::RELATIVE2CENTER;
    grids.start_angle = P.start_dir_angle;
    grids.ngrids = f.meta_int("dirbin_ngrids");
    grids.grid_w = f.meta_int("dirbin_grid_w");
    grids.grid_h = f.meta_int("dirbin_grid_h");
    const size_t n = static_cast<size_t>(grids.grid_w * grids.grid_h);
    for (int d = 0; d < grids.ngrids; d++)
        grids.grids.emplace_back(offsets.begin() + static_cast<std::ptrdiff_t>(n * d),
                                 offsets.begin() + static_cast<std::ptrdiff_t>(n * (d + 1)));
    return grids;
}

int count_differences(const std::vector<unsigned char> &a, const std::vector<unsigned char> &b)
{
    if (a.size() != b.size())
        return -1;
    int n = 0;
    for (size_t i = 0; i < a.size(); i++)
        n += a[i] != b[i];
    return n;
}

// Single-precision pi gives the same grids as the reference: every offset of
// every direction agrees, both as stored and split into dx, dy.
TEST(LfsBinarizeVectors, OwnGridsMatchCapturedGrids)
{
    for (const auto &f : vector_folders()) {
        const auto grids = own_grids(f);
        ASSERT_EQ(grids.pad, f.meta_int("dirbin_pad")) << f.name;
        const auto offsets = load_i32(f.file("dirbin_grids_offsets.i32"));
        const auto dxdy = load_i32(f.file("dirbin_grids_dxdy.i32"));
        const int pw = f.meta_int("pw");
        ASSERT_EQ(grids.ngrids, 16);
        ASSERT_EQ(offsets.size(), 16u * 63u);
        for (size_t d = 0; d < 16; d++) {
            for (size_t k = 0; k < 63; k++) {
                const int got = grids.grids[d][k];
                EXPECT_EQ(got, offsets[d * 63 + k]) << f.name << " dir " << d << " k " << k;
                EXPECT_EQ(got, dxdy[(d * 63 + k) * 2] + dxdy[(d * 63 + k) * 2 + 1] * pw)
                    << f.name << " dir " << d << " k " << k;
            }
        }
    }
}

TEST(LfsBinarizeVectors, DirectionZeroRowsAreVerticalLines)
{
    const auto f = vector_folders().front();
    const auto dxdy = load_i32(f.file("dirbin_grids_dxdy.i32"));
    for (int gy = 0; gy < 9; gy++)
        for (int gx = 0; gx < 7; gx++) {
            EXPECT_EQ(dxdy[static_cast<size_t>((gy * 7 + gx) * 2)], 4 - gy);
            EXPECT_EQ(dxdy[static_cast<size_t>((gy * 7 + gx) * 2 + 1)], gx - 3);
        }
}

TEST(LfsBinarizeVectors, RawBinarisationWithCapturedGrids)
{
    for (const auto &f : vector_folders()) {
        const auto padded = load_u8(f.file("padded6.u8"));
        std::vector<unsigned char> bin;
        int bw = 0, bh = 0;
        ASSERT_EQ(lfs::binarize_image_V2(bin, bw, bh, padded.data(), f.meta_int("pw"), f.meta_int("ph"),
                                         load_i32(f.file("map_direction.i32")), f.meta_int("mw"), f.meta_int("mh"),
                                         P.blocksize, captured_grids(f)),
                  0);
        EXPECT_EQ(bw, f.meta_int("iw"));
        EXPECT_EQ(bh, f.meta_int("ih"));
        EXPECT_EQ(count_differences(bin, load_u8(f.file("bin_raw.u8"))), 0) << f.name;

        std::vector<unsigned char> plain;
        ASSERT_EQ(lfs::binarize_image_V2_pixelwise(plain, bw, bh, padded.data(), f.meta_int("pw"), f.meta_int("ph"),
                                                   load_i32(f.file("map_direction.i32")), f.meta_int("mw"),
                                                   f.meta_int("mh"), P.blocksize, captured_grids(f)),
                  0);
        EXPECT_TRUE(plain == bin) << f.name;
    }
}

TEST(LfsBinarizeVectors, HoleFillingOfCapturedRawImage)
{
    for (const auto &f : vector_folders()) {
        auto bin = load_u8(f.file("bin_raw.u8"));
        for (int i = 0; i < P.num_fill_holes; i++)
            lfs::fill_holes(bin.data(), f.meta_int("iw"), f.meta_int("ih"));
        EXPECT_EQ(count_differences(bin, load_u8(f.file("bin_binarized.u8"))), 0) << f.name;
    }
}

TEST(LfsBinarizeVectors, FullBinarisationWithOwnAndCapturedGrids)
{
    for (const auto &f : vector_folders()) {
        const auto padded = load_u8(f.file("padded6.u8"));
        const auto dmap = load_i32(f.file("map_direction.i32"));
        const auto want = load_u8(f.file("bin_binarized.u8"));
        for (const auto &grids : {captured_grids(f), own_grids(f)}) {
            std::vector<unsigned char> bin;
            int bw = 0, bh = 0;
            ASSERT_EQ(lfs::binarize_V2(bin, bw, bh, padded.data(), f.meta_int("pw"), f.meta_int("ph"), dmap,
                                       f.meta_int("mw"), f.meta_int("mh"), grids, P),
                      0);
            EXPECT_EQ(count_differences(bin, want), 0) << f.name;
        }
    }
}

} // namespace
