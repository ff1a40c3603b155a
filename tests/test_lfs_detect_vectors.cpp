// Minutia detection against the captured inputs and outputs of the
// reference detector on real images: the list must agree in order, field
// by field, and the binary image must come back as captured.
#include "extract/detector_params.h"
#include "lfs/detect.h"
#include "support/lfs_vectors.h"

#include <gtest/gtest.h>

#include <vector>


namespace {

using ridge_test::load_i32;
using ridge_test::load_u8;
using ridge_test::vector_folders;

TEST(LfsDetectVectors, ListAndImageAgreeInOrder)
{
    const auto folders = vector_folders();
    ASSERT_GE(folders.size(), 2u);
    for (const auto &f : folders) {
        const int iw = f.meta_int("iw"), ih = f.meta_int("ih");
        const int mw = f.meta_int("mw"), mh = f.meta_int("mh");
        auto bdata = load_u8(f.file("bin_detect_in.u8"));
        ASSERT_EQ(bdata.size(), static_cast<size_t>(iw) * static_cast<size_t>(ih)) << f.name;
        const auto dmap = load_i32(f.file("map_direction.i32"));
        const auto fmap = load_i32(f.file("map_low_flow.i32"));
        const auto cmap = load_i32(f.file("map_high_curve.i32"));
        const auto want = ridge_test::load_minutiae_tsv(f.file("min_detected.tsv"));

        lfs::Minutiae got;
        ASSERT_EQ(lfs::alloc_minutiae(got, lfs::MAX_MINUTIAE), 0);
        ASSERT_EQ(lfs::detect_minutiae_V2(got, bdata.data(), iw, ih, dmap, fmap, cmap, mw, mh,
                                          ridge::DetectorParams),
                  0)
            << f.name;
        EXPECT_EQ(ridge_test::compare_minutiae(got, want.minutiae), "") << f.name;
        for (int i = 0; i < std::min(got.num(), want.minutiae.num()); i++)
            EXPECT_EQ(got.list[i].reliability, static_cast<float>(want.reliability[i])) << f.name << " entry " << i;
        EXPECT_TRUE(bdata == load_u8(f.file("bin_detect_out.u8"))) << f.name;
    }
}

} // namespace
