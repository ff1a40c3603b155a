// The map stage's two fast paths give exactly what their plain references
// give: the directional powers (folded sums, shared grid walk) and the
// contrast pass (histograms from 8 x 8 cells), on real images with the
// detector's own grids and windows, and on noise.
#include "extract/maps/contrast_pass.h"
#include "extract/detector_params.h"
#include "extract/maps/dft_waves.h"
#include "extract/maps/initial_maps.h"
#include "lfs/maps.h"

#include "support/lfs_vectors.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

const lfs::LfsParams &P = ridge::DetectorParams;

// A padded 6-bit image with its detector geometry.
struct Padded {
    std::vector<unsigned char> data;
    int iw = 0, ih = 0, pad = 0, pw = 0, ph = 0;
    std::vector<int> origins; // window origin of every block
};

Padded prepare(const std::vector<unsigned char> &image, int iw, int ih)
{
    Padded p;
    p.iw = iw;
    p.ih = ih;
    p.pad = lfs::get_max_padding_V2(P.windowsize, P.windowoffset, P.dirbin_grid_w, P.dirbin_grid_h);
    EXPECT_EQ(lfs::pad_uchar_image(p.data, p.pw, p.ph, image.data(), iw, ih, p.pad, P.pad_value), 0);
    for (unsigned char &v : p.data)
        v = static_cast<unsigned char>(v >> 2);
    std::vector<int> offsets;
    int mw = 0, mh = 0;
    EXPECT_EQ(lfs::block_offsets(offsets, mw, mh, iw, ih, p.pad, P.blocksize), 0);
    for (int off : offsets)
        p.origins.push_back(ridge::window_origin(off, p.pw, p.ph, p.pad, P));
    return p;
}

void expect_same_powers(const Padded &p)
{
    lfs::DftWaves waves;
    lfs::RotGrids grids;
    ASSERT_EQ(ridge::init_dftwaves(waves, P.num_dft_waves, P.windowsize), 0);
    ASSERT_EQ(lfs::init_rotgrids(grids, p.iw, p.ih, p.pad, P.start_dir_angle, P.num_directions, P.windowsize,
                                 P.windowsize, lfs::RELATIVE2ORIGIN),
              0);
    std::vector<float> fast(64), plain(64);
    for (size_t b = 0; b < p.origins.size(); ++b) {
        ASSERT_EQ(ridge::dft_dir_powers(fast.data(), p.data.data(), p.origins[b], waves, grids), 0);
        ASSERT_EQ(ridge::dft_dir_powers_plain(plain.data(), p.data.data(), p.origins[b], waves, grids), 0);
        ASSERT_EQ(fast, plain) << "block " << b;
    }
}

void expect_same_contrast(const Padded &p)
{
    std::vector<int> fast(p.origins.size(), 0), plain(p.origins.size(), 0);
    ASSERT_EQ(ridge::low_contrast_pass(fast, p.origins, p.data.data(), p.pw, p.ph, p.pad, P), 0);
    ASSERT_EQ(ridge::low_contrast_pass_plain(plain, p.origins, p.data.data(), p.pw, p.ph, P), 0);
    EXPECT_EQ(fast, plain);
}

TEST(FastPaths, AgreeWithTheirReferencesOnRealImages)
{
    for (const ridge_test::VectorFolder &f : ridge_test::vector_folders()) {
        SCOPED_TRACE(f.name);
        const Padded p = prepare(ridge_test::load_u8(f.file("image.u8")), f.meta_int("iw"), f.meta_int("ih"));
        expect_same_powers(p);
        expect_same_contrast(p);
    }
}

TEST(FastPaths, AgreeWithTheirReferencesOnNoiseAndOddSizes)
{
    std::mt19937 rng(21);
    for (int iw : {25, 33, 64, 101}) {
        for (int ih : {25, 40, 77}) {
            SCOPED_TRACE(std::to_string(iw) + "x" + std::to_string(ih));
            std::vector<unsigned char> image(static_cast<size_t>(iw * ih));
            // Mostly flat with sparse spikes: many windows sit near the
            // contrast threshold.
            for (unsigned char &v : image)
                v = static_cast<unsigned char>(rng() % 8 == 0 ? rng() % 256 : 120 + rng() % 24);
            const Padded p = prepare(image, iw, ih);
            expect_same_powers(p);
            expect_same_contrast(p);
        }
    }
}

} // namespace
