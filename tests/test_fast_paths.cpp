// The detector's fast paths give exactly what their plain references give,
// on real images with the detector's own grids, windows and maps, and on
// noise: the directional powers (folded sums, shared grid walk; and side by
// side for a block row at every vector level), the contrast pass
// (histograms from 8 x 8 cells), the binarisation at every vector level,
// the hole filling, the minutia scans and the contour step.
#include "extract/maps/block_powers.h"
#include "extract/maps/contrast_pass.h"
#include "extract/detector_params.h"
#include "extract/maps/dft_waves.h"
#include "extract/maps/initial_maps.h"
#include "extract/maps/map_stage.h"
#include "lfs/binarize.h"
#include "lfs/contour.h"
#include "lfs/detect.h"
#include "lfs/maps.h"
#include "lfs/simd.h"

#include "support/grey_bmp.h"
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

// The binary stages on one real image: binarisation at every level against
// the pixelwise reference, then hole filling, the scans and contour steps
// of the result against theirs.
void expect_same_binary_stages(const std::vector<unsigned char> &image, int iw, int ih, const std::string &name)
{
    SCOPED_TRACE(name);
    ridge::MapStageOutput stage;
    ASSERT_EQ(ridge::run_map_stage(stage, image.data(), iw, ih), 0);
    lfs::RotGrids grids;
    ASSERT_EQ(lfs::init_rotgrids(grids, iw, ih, stage.pad, P.start_dir_angle, P.num_directions, P.dirbin_grid_w,
                                 P.dirbin_grid_h, lfs::RELATIVE2CENTER),
              0);
    const lfs::BlockMaps &m = stage.maps;
    std::vector<unsigned char> plain;
    int bw = 0, bh = 0;
    ASSERT_EQ(lfs::binarize_image_V2_pixelwise(plain, bw, bh, stage.padded6.data(), stage.pw, stage.ph,
                                               m.direction_map, m.mw, m.mh, P.blocksize, grids),
              0);
    for (lfs::SimdLevel level : {lfs::SimdLevel::Vector, lfs::SimdLevel::Avx2}) {
        if (!lfs::simd_level_available(level))
            continue;
        std::vector<unsigned char> fast;
        ASSERT_EQ(lfs::binarize_image_V2_at(level, fast, bw, bh, stage.padded6.data(), stage.pw, stage.ph,
                                            m.direction_map, m.mw, m.mh, P.blocksize, grids),
                  0);
        ASSERT_EQ(fast, plain) << "level " << static_cast<int>(level);
    }

    std::vector<unsigned char> filled = plain;
    for (int pass = 0; pass < P.num_fill_holes; ++pass) {
        lfs::fill_holes(filled.data(), iw, ih);
        lfs::fill_holes_plain(plain.data(), iw, ih);
        ASSERT_EQ(filled, plain) << "fill pass " << pass;
    }

    std::vector<unsigned char> bin(filled.size());
    for (size_t i = 0; i < filled.size(); ++i)
        bin[i] = filled[i] == 0 ? 1 : 0;
    for (bool along_rows : {true, false}) {
        std::vector<lfs::ScanHit> fast, stepped;
        lfs::scan_feature_patterns(fast, bin.data(), iw, ih, along_rows, false);
        lfs::scan_feature_patterns(stepped, bin.data(), iw, ih, along_rows, true);
        ASSERT_EQ(fast.size(), stepped.size());
        EXPECT_GT(fast.size(), 100u);
        for (size_t i = 0; i < fast.size(); ++i)
            ASSERT_TRUE(fast[i].line == stepped[i].line && fast[i].third == stepped[i].third &&
                        fast[i].second == stepped[i].second && fast[i].feature_id == stepped[i].feature_id)
                << "hit " << i;
    }

    for (int y = 0; y < ih; y += 3)
        for (int x = 0; x < iw; x += 2) {
            const unsigned char v = bin[static_cast<size_t>(y * iw + x)];
            const int edges[][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
            for (const auto &e : edges) {
                const int ex = x + e[0], ey = y + e[1];
                if (ex < 0 || ex >= iw || ey < 0 || ey >= ih || bin[static_cast<size_t>(ey * iw + ex)] == v)
                    continue;
                for (int clock : {lfs::SCAN_CLOCKWISE, lfs::SCAN_COUNTER_CLOCKWISE}) {
                    int f[4] = {}, r[4] = {};
                    const int rf = lfs::next_contour_pixel(&f[0], &f[1], &f[2], &f[3], x, y, ex, ey, clock,
                                                           bin.data(), iw, ih);
                    const int rr = lfs::next_contour_pixel_plain(&r[0], &r[1], &r[2], &r[3], x, y, ex, ey, clock,
                                                                 bin.data(), iw, ih);
                    ASSERT_EQ(rf, rr) << x << "," << y;
                    if (rf == lfs::LFS_TRUE) {
                        ASSERT_TRUE(f[0] == r[0] && f[1] == r[1] && f[2] == r[2] && f[3] == r[3]) << x << "," << y;
                    }
                }
            }
        }
}

TEST(FastPaths, BinaryStagesAgreeWithTheirReferencesOnRealImages)
{
    int images = 0;
    for (const ridge_test::VectorFolder &f : ridge_test::vector_folders()) {
        expect_same_binary_stages(ridge_test::load_u8(f.file("image.u8")), f.meta_int("iw"), f.meta_int("ih"),
                                  f.name);
        ++images;
    }
    // Every eighth image of each shared set, when the sets are there.
    for (const std::string &set : ridge_test::shared_image_sets()) {
        const auto files = ridge_test::shared_set_images(set);
        for (size_t i = 0; i < files.size(); i += 8) {
            ridge_test::GreyImage img;
            if (!ridge_test::load_grey_bmp(files[i], img))
                continue;
            expect_same_binary_stages(img.pixels, img.width, img.height, files[i]);
            ++images;
        }
    }
    EXPECT_GT(images, 0);
}

} // namespace
