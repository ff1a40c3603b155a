// The map stage's fast paths give exactly what their plain references give:
// the directional powers (folded sums, shared grid walk; and side by side
// for a block row at every vector level) and the contrast pass (histograms
// from 8 x 8 cells), on real images with the detector's own grids and
// windows, and on noise.
#include "extract/maps/block_powers.h"
#include "extract/maps/contrast_pass.h"
#include "extract/detector_params.h"
#include "extract/maps/dft_waves.h"
#include "extract/maps/initial_maps.h"
#include "lfs/maps.h"
#include "lfs/simd.h"

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
    int mw = 0, mh = 0;
};

// The detector's padded 6-bit image; with full_range the pixels keep all 8
// bits, which drives the sums to their largest values.
Padded prepare(const std::vector<unsigned char> &image, int iw, int ih, bool full_range = false)
{
    Padded p;
    p.iw = iw;
    p.ih = ih;
    p.pad = lfs::get_max_padding_V2(P.windowsize, P.windowoffset, P.dirbin_grid_w, P.dirbin_grid_h);
    EXPECT_EQ(lfs::pad_uchar_image(p.data, p.pw, p.ph, image.data(), iw, ih, p.pad, P.pad_value), 0);
    if (!full_range)
        for (unsigned char &v : p.data)
            v = static_cast<unsigned char>(v >> 2);
    std::vector<int> offsets;
    EXPECT_EQ(lfs::block_offsets(offsets, p.mw, p.mh, iw, ih, p.pad, P.blocksize), 0);
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

    // A block row at a time, at every level this machine runs, with all
    // blocks wanted and with a scattered few (single blocks take the
    // single-block path, runs of two or more a batch); blocks not wanted
    // are left alone.
    std::mt19937 rng(7);
    for (lfs::SimdLevel level : {lfs::SimdLevel::Plain, lfs::SimdLevel::Vector, lfs::SimdLevel::Avx2}) {
        if (!lfs::simd_level_available(level))
            continue;
        ridge::BlockPowers batched;
        ASSERT_EQ(batched.prepare(p.data.data(), p.pw, p.ph, waves, grids, level), 0);
        EXPECT_EQ(batched.lanes() == 0, level == lfs::SimdLevel::Plain);
        for (int pattern = 0; pattern < 2; ++pattern) {
            for (int row = 0; row < p.mh; ++row) {
                const int *origins = p.origins.data() + row * p.mw;
                std::vector<unsigned char> needed(static_cast<size_t>(p.mw), 1);
                if (pattern == 1)
                    for (unsigned char &n : needed)
                        n = rng() % 3 == 0;
                std::vector<float> got(static_cast<size_t>(p.mw) * 64, -1.0f);
                ASSERT_EQ(batched.row(got.data(), origins, needed.data(), p.mw), 0);
                for (int i = 0; i < p.mw; ++i) {
                    const std::vector<float> block(got.begin() + i * 64, got.begin() + (i + 1) * 64);
                    if (!needed[static_cast<size_t>(i)]) {
                        ASSERT_EQ(block, std::vector<float>(64, -1.0f)) << "row " << row << " block " << i;
                        continue;
                    }
                    ASSERT_EQ(ridge::dft_dir_powers_plain(plain.data(), p.data.data(), origins[i], waves, grids), 0);
                    ASSERT_EQ(block, plain) << "level " << static_cast<int>(level) << " row " << row << " block " << i;
                }
            }
        }
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

TEST(FastPaths, PowersAgreeOnFullRangePixels)
{
    // 8-bit noise, not scaled to 6 bits: every sum far above what the
    // detector's images reach.
    std::mt19937 rng(5);
    for (int iw : {200, 389}) {
        const int ih = 120;
        std::vector<unsigned char> image(static_cast<size_t>(iw * ih));
        for (unsigned char &v : image)
            v = static_cast<unsigned char>(rng() % 3 == 0 ? 255 : rng() % 256);
        expect_same_powers(prepare(image, iw, ih, true));
    }
}

} // namespace
