// The map-stage primitives against the captured inputs and outputs of the
// reference detector on real images.
#include "extract/detector_params.h"
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

// Number of cells that differ, with the first few listed for the message.
std::string map_diff(const std::vector<int> &got, const std::vector<int> &want, int mw)
{
    if (got.size() != want.size())
        return "size " + std::to_string(got.size()) + " vs " + std::to_string(want.size());
    std::string out;
    int count = 0;
    for (size_t i = 0; i < got.size(); i++) {
        if (got[i] == want[i])
            continue;
        if (++count <= 8)
            out += " (" + std::to_string(static_cast<int>(i) % mw) + "," + std::to_string(static_cast<int>(i) / mw) +
                   ") got " + std::to_string(got[i]) + " want " + std::to_string(want[i]) + ";";
    }
    return count == 0 ? std::string() : std::to_string(count) + " cells differ:" + out;
}

TEST(LfsMapsVectors, FoldersPresent)
{
    EXPECT_GE(vector_folders().size(), 2u);
}

TEST(LfsMapsVectors, PaddingAndSixBitImage)
{
    const int pad = lfs::get_max_padding_V2(P.windowsize, P.windowoffset, P.dirbin_grid_w, P.dirbin_grid_h);
    EXPECT_EQ(pad, 13);
    for (const auto &f : vector_folders()) {
        const int iw = f.meta_int("iw"), ih = f.meta_int("ih");
        ASSERT_EQ(f.meta_int("pad"), pad) << f.name;
        const auto image = load_u8(f.file("image.u8"));
        std::vector<unsigned char> padded;
        int pw = 0, ph = 0;
        ASSERT_EQ(lfs::pad_uchar_image(padded, pw, ph, image.data(), iw, ih, pad, P.pad_value), 0);
        EXPECT_EQ(pw, f.meta_int("pw")) << f.name;
        EXPECT_EQ(ph, f.meta_int("ph")) << f.name;
        for (auto &v : padded)
            v = static_cast<unsigned char>(v >> 2);
        EXPECT_TRUE(padded == load_u8(f.file("padded6.u8"))) << f.name;
    }
}

TEST(LfsMapsVectors, BlockGeometryMatchesCapturedMaps)
{
    for (const auto &f : vector_folders()) {
        std::vector<int> offsets;
        int mw = 0, mh = 0;
        ASSERT_EQ(lfs::block_offsets(offsets, mw, mh, f.meta_int("iw"), f.meta_int("ih"), f.meta_int("pad"),
                                     P.blocksize),
                  0);
        EXPECT_EQ(mw, f.meta_int("mw")) << f.name;
        EXPECT_EQ(mh, f.meta_int("mh")) << f.name;
    }
}

TEST(LfsMapsVectors, MorphLowFlowMap)
{
    for (const auto &f : vector_folders()) {
        const int mw = f.meta_int("mw"), mh = f.meta_int("mh");
        auto map = load_i32(f.file("morph_lfm_in.i32"));
        ASSERT_EQ(lfs::morph_TF_map(map, mw, mh), 0);
        EXPECT_EQ(map_diff(map, load_i32(f.file("morph_lfm_out.i32")), mw), "") << f.name;
    }
}

TEST(LfsMapsVectors, InterpolateDirectionMap)
{
    for (const auto &f : vector_folders()) {
        const int mw = f.meta_int("mw"), mh = f.meta_int("mh");
        auto dmap = load_i32(f.file("interp_dmap_in.i32"));
        const auto lcmap = load_i32(f.file("interp_lcmap_in.i32"));
        ASSERT_EQ(lfs::interpolate_direction_map(dmap, lcmap, mw, mh, P), 0);
        EXPECT_EQ(map_diff(dmap, load_i32(f.file("interp_dmap_out.i32")), mw), "") << f.name;
    }
}

TEST(LfsMapsVectors, HighCurveMap)
{
    for (const auto &f : vector_folders()) {
        const int mw = f.meta_int("mw"), mh = f.meta_int("mh");
        std::vector<int> hcm;
        ASSERT_EQ(lfs::gen_high_curve_map(hcm, load_i32(f.file("hcm_dmap_in.i32")), mw, mh, P), 0);
        EXPECT_EQ(map_diff(hcm, load_i32(f.file("hcm_out.i32")), mw), "") << f.name;
    }
}

TEST(LfsMapsVectors, QualityMap)
{
    for (const auto &f : vector_folders()) {
        const int mw = f.meta_int("mw"), mh = f.meta_int("mh");
        std::vector<int> qmap;
        ASSERT_EQ(lfs::gen_quality_map(qmap, load_i32(f.file("map_direction.i32")),
                                       load_i32(f.file("map_low_contrast.i32")), load_i32(f.file("map_low_flow.i32")),
                                       load_i32(f.file("map_high_curve.i32")), mw, mh),
                  0);
        EXPECT_EQ(map_diff(qmap, load_i32(f.file("quality_map.i32")), mw), "") << f.name;
    }
}

} // namespace
