// Map-stage primitives on small synthetic inputs: geometry, the contrast
// test, wave ranking, the low-flow closing, interpolation, curvature and
// quality levels, including maps and images at the edge of what is valid.
#include "extract/detector_params.h"
#include "lfs/maps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

const lfs::LfsParams &P = ridge::DetectorParams;

TEST(Padding, MaximumPaddingOfDetectorGeometry)
{
    EXPECT_EQ(lfs::get_max_padding_V2(24, 8, 7, 9), 13); // DFT windows dominate
    EXPECT_EQ(lfs::get_max_padding_V2(24, 8, 21, 21), 14); // a larger binarisation grid dominates
    EXPECT_EQ(lfs::get_max_padding_V2(24, 0, 7, 9), 5);
}

TEST(Padding, CopiesImageIntoCentreOfPaddedImage)
{
    const std::vector<unsigned char> img = {1, 2, 3, 4, 5, 6}; // 3 x 2
    std::vector<unsigned char> out;
    int ow = 0, oh = 0;
    ASSERT_EQ(lfs::pad_uchar_image(out, ow, oh, img.data(), 3, 2, 2, 9), 0);
    ASSERT_EQ(ow, 7);
    ASSERT_EQ(oh, 6);
    for (int y = 0; y < oh; y++)
        for (int x = 0; x < ow; x++) {
            const bool inside = x >= 2 && x < 5 && y >= 2 && y < 4;
            const int want = inside ? img[static_cast<size_t>((y - 2) * 3 + x - 2)] : 9;
            EXPECT_EQ(out[static_cast<size_t>(y * ow + x)], want) << x << "," << y;
        }
    ASSERT_EQ(lfs::pad_uchar_image(out, ow, oh, img.data(), 3, 2, 0, 9), 0);
    EXPECT_EQ(out, img);
}

TEST(Padding, RejectsBadSizes)
{
    const unsigned char px = 0;
    std::vector<unsigned char> out;
    int ow = -3, oh = -3;
    EXPECT_LT(lfs::pad_uchar_image(out, ow, oh, &px, 0, 1, 13, 128), 0);
    EXPECT_LT(lfs::pad_uchar_image(out, ow, oh, &px, 1, -1, 13, 128), 0);
    EXPECT_LT(lfs::pad_uchar_image(out, ow, oh, &px, 1, 1, -1, 128), 0);
    EXPECT_LT(lfs::pad_uchar_image(out, ow, oh, nullptr, 1, 1, 1, 128), 0);
    EXPECT_LT(lfs::pad_uchar_image(out, ow, oh, &px, 70000, 70000, 13, 128), 0); // size overflows 32 bits
    EXPECT_EQ(ow, -3);
    EXPECT_EQ(oh, -3);
}

TEST(RotGrids, DftGridsTurnAboutTheWindowCentre)
{
    lfs::RotGrids g;
    ASSERT_EQ(lfs::init_rotgrids(g, 100, 80, -1, P.start_dir_angle, 16, 24, 24, lfs::RELATIVE2ORIGIN), 0);
    EXPECT_EQ(g.pad, 5); // computed when no pad is given
    const int pw = 100 + 2 * g.pad;
    ASSERT_EQ(g.ngrids, 16);
    for (int iy = 0; iy < 24; iy++)
        for (int ix = 0; ix < 24; ix++) {
            // Direction 0 (pi/2): grid rows run down the window's columns.
            EXPECT_EQ(g.grids[0][static_cast<size_t>(iy * 24 + ix)], (23 - iy) + ix * pw);
            // Direction 8 (pi): the window turned half round.
            EXPECT_EQ(g.grids[8][static_cast<size_t>(iy * 24 + ix)], (23 - ix) + (23 - iy) * pw);
        }
}

TEST(RotGrids, EveryOffsetStaysInsideThePadding)
{
    for (const int rel : {lfs::RELATIVE2ORIGIN, lfs::RELATIVE2CENTER}) {
        const int gw = rel == lfs::RELATIVE2ORIGIN ? 24 : 7, gh = rel == lfs::RELATIVE2ORIGIN ? 24 : 9;
        lfs::RotGrids g;
        ASSERT_EQ(lfs::init_rotgrids(g, 50, 50, -1, P.start_dir_angle, 16, gw, gh, rel), 0);
        const int pw = 50 + 2 * g.pad;
        const int lo = -g.pad, hi = rel == lfs::RELATIVE2ORIGIN ? gw - 1 + g.pad : g.pad;
        for (const auto &grid : g.grids)
            for (int off : grid) {
                // Split into dx, dy with dx in -pw/2..pw/2.
                int dy = (off + pw / 2 + 10 * pw) / pw - 10;
                int dx = off - dy * pw;
                EXPECT_GE(dx, lo);
                EXPECT_LE(dx, hi);
                EXPECT_GE(dy, lo);
                EXPECT_LE(dy, hi);
            }
    }
}

TEST(RotGrids, SharedPointsAreThoseComputedAfresh)
{
    // The detector's two grid sets and a few others, each asked for twice
    // (the second time from the shared table), more sets than the table
    // keeps; the offsets of init_rotgrids follow from the points.
    int round = 0;
    for (int relative2 : {lfs::RELATIVE2ORIGIN, lfs::RELATIVE2CENTER}) {
        for (int size : {24, 7, 9, 5, 11, 13}) {
            const int grid_w = size, grid_h = size == 7 ? 9 : size;
            const float angle = round++ % 2 == 0 ? P.start_dir_angle : 0.3f;
            lfs::RotGridPoints fresh;
            lfs::compute_rotgrid_points(fresh, angle, 16, grid_w, grid_h, relative2);
            for (int again = 0; again < 2; ++again) {
                const auto shared = lfs::rotgrid_points(angle, 16, grid_w, grid_h, relative2);
                ASSERT_EQ(shared->dx, fresh.dx);
                ASSERT_EQ(shared->dy, fresh.dy);
            }
            lfs::RotGrids grids;
            ASSERT_EQ(lfs::init_rotgrids(grids, 101, 60, 20, angle, 16, grid_w, grid_h, relative2), 0);
            const int pw = 101 + 2 * 20;
            size_t k = 0;
            for (const auto &grid : grids.grids)
                for (int offset : grid) {
                    ASSERT_EQ(offset, fresh.dx[k] + fresh.dy[k] * pw);
                    ++k;
                }
        }
    }
}

TEST(RotGrids, RejectsBadArguments)
{
    lfs::RotGrids g;
    EXPECT_EQ(lfs::init_rotgrids(g, 50, 50, -1, P.start_dir_angle, 16, 24, 24, 7), -30);
    EXPECT_EQ(lfs::init_rotgrids(g, 50, 50, 3, P.start_dir_angle, 16, 24, 24, lfs::RELATIVE2ORIGIN), -31);
    EXPECT_LT(lfs::init_rotgrids(g, 0, 50, -1, P.start_dir_angle, 16, 24, 24, lfs::RELATIVE2ORIGIN), 0);
    EXPECT_LT(lfs::init_rotgrids(g, 50, 50, -1, P.start_dir_angle, 0, 24, 24, lfs::RELATIVE2ORIGIN), 0);
}

TEST(BlockOffsets, LastBlocksAreAnchoredAtTheFarEdges)
{
    std::vector<int> off;
    int mw = 0, mh = 0;
    ASSERT_EQ(lfs::block_offsets(off, mw, mh, 20, 17, 3, 8), 0);
    ASSERT_EQ(mw, 3);
    ASSERT_EQ(mh, 3);
    const int xs[] = {0, 8, 12}, ys[] = {0, 8, 9};
    for (int by = 0; by < 3; by++)
        for (int bx = 0; bx < 3; bx++)
            EXPECT_EQ(off[static_cast<size_t>(by * 3 + bx)], (ys[by] + 3) * 26 + xs[bx] + 3);

    ASSERT_EQ(lfs::block_offsets(off, mw, mh, 8, 8, 0, 8), 0);
    EXPECT_EQ(mw, 1);
    EXPECT_EQ(mh, 1);
    EXPECT_EQ(off, std::vector<int>{0});
}

TEST(BlockOffsets, ImagesSmallerThanABlockFail)
{
    std::vector<int> off;
    int mw = -1, mh = -1;
    EXPECT_LT(lfs::block_offsets(off, mw, mh, 7, 20, 13, 8), 0);
    EXPECT_LT(lfs::block_offsets(off, mw, mh, 20, 1, 13, 8), 0);
    EXPECT_LT(lfs::block_offsets(off, mw, mh, 0, 0, 13, 8), 0);
    EXPECT_EQ(lfs::block_offsets(off, mw, mh, 20, 20, -1, 8), -80);
    EXPECT_LT(lfs::block_offsets(off, mw, mh, 60000, 60000, 13, 8), 0);
    EXPECT_EQ(mw, -1);
    EXPECT_EQ(mh, -1);
}

// A 30 x 30 padded image with the 24 x 24 window at (3, 4).
struct Window {
    std::vector<unsigned char> img = std::vector<unsigned char>(900, 63);
    int offset = 4 * 30 + 3;
    // Sets the first n window pixels (row by row) to v, the rest to rest.
    void fill(int n, unsigned char v, unsigned char rest)
    {
        for (int i = 0; i < 576; i++)
            img[static_cast<size_t>(offset + (i / 24) * 30 + i % 24)] = i < n ? v : rest;
    }
    int test() const { return lfs::low_contrast_block(offset, 24, img.data(), 30, 30, P); }
};

TEST(LowContrastBlock, PercentilesUseAFixedCountOf57)
{
    Window w;
    w.fill(576, 20, 20);
    EXPECT_EQ(w.test(), lfs::LFS_TRUE); // constant window (the bright surround is not read)
    w.fill(58, 0, 40);
    EXPECT_EQ(w.test(), lfs::LFS_FALSE); // 58 dark pixels exceed the count: low level 0
    w.fill(57, 0, 40);
    EXPECT_EQ(w.test(), lfs::LFS_TRUE); // 57 do not: both levels 40
    w.fill(288, 30, 35);
    EXPECT_EQ(w.test(), lfs::LFS_FALSE); // difference 5 is enough contrast
    w.fill(288, 30, 34);
    EXPECT_EQ(w.test(), lfs::LFS_TRUE); // difference 4 is not
}

TEST(LowContrastBlock, AgreesWithSortedPercentilesOnNoise)
{
    // With 576 pixels sorted, the low level is the 58th smallest and the
    // high level the 58th largest.
    std::mt19937 rng(5);
    Window w;
    for (int trial = 0; trial < 300; trial++) {
        const unsigned base = static_cast<unsigned>(rng() % 200);
        const unsigned spread = static_cast<unsigned>(1 + rng() % (trial % 3 == 0 ? 8 : 56));
        std::vector<unsigned char> vals(576);
        for (int i = 0; i < 576; i++) {
            vals[static_cast<size_t>(i)] = static_cast<unsigned char>(base + rng() % spread);
            w.img[static_cast<size_t>(w.offset + (i / 24) * 30 + i % 24)] = vals[static_cast<size_t>(i)];
        }
        std::sort(vals.begin(), vals.end());
        const int want = vals[518] - vals[57] < P.min_contrast_delta ? lfs::LFS_TRUE : lfs::LFS_FALSE;
        ASSERT_EQ(w.test(), want) << "trial " << trial;
    }
}

TEST(LowContrastBlock, FailsOnWindowsItCannotTest)
{
    Window w;
    EXPECT_EQ(lfs::low_contrast_block(0, 4, w.img.data(), 30, 30, P), -510); // 16 pixels never exceed 57
    EXPECT_LT(lfs::low_contrast_block(10, 24, w.img.data(), 30, 30, P), 0);      // runs off the right edge
    EXPECT_LT(lfs::low_contrast_block(7 * 30, 24, w.img.data(), 30, 30, P), 0);  // runs off the bottom
    EXPECT_LT(lfs::low_contrast_block(-1, 24, w.img.data(), 30, 30, P), 0);
    // 8-bit values do not escape the histogram.
    w.fill(576, 200, 250);
    EXPECT_EQ(w.test(), lfs::LFS_TRUE);
}

TEST(PowerStats, StorageAndStableRanking)
{
    std::vector<float> powers;
    ASSERT_EQ(lfs::alloc_dir_powers(powers, 4, 16), 0);
    EXPECT_EQ(powers, std::vector<float>(64, 0.0f));

    lfs::PowerStats st;
    ASSERT_EQ(lfs::alloc_power_stats(st, 3), 0);
    ASSERT_EQ(st.wis.size(), 3u);
    st.wis = {0, 1, 2};
    st.powmaxs = {1.0f, 3.0f, 2.0f};
    st.pownorms = {1.0f, 1.0f, 1.5f};
    st.powmax_dirs = {7, 8, 9};
    ASSERT_EQ(lfs::sort_dft_waves(st, 3), 0);
    EXPECT_EQ(st.wis, (std::vector<int>{1, 2, 0})); // products 1, 3, 3: the tie keeps its order
    EXPECT_EQ(st.powmaxs, (std::vector<float>{1.0f, 3.0f, 2.0f})); // statistics stay in place
    EXPECT_EQ(st.powmax_dirs, (std::vector<int>{7, 8, 9}));

    st.powmaxs = {1.0f, 2.0f, 3.0f};
    st.pownorms = {1.0f, 1.0f, 1.0f};
    st.wis = {0, 1, 2};
    ASSERT_EQ(lfs::sort_dft_waves(st, 3), 0);
    EXPECT_EQ(st.wis, (std::vector<int>{2, 1, 0}));
    EXPECT_LT(lfs::sort_dft_waves(st, 4), 0);
}

TEST(MorphTFMap, ClosingFillsGapsAndKeepsIsolatedCells)
{
    std::vector<int> m = {0, 0, 0, 1, 0, 0, 0};
    ASSERT_EQ(lfs::morph_TF_map(m, 7, 1), 0);
    EXPECT_EQ(m, (std::vector<int>{0, 0, 0, 1, 0, 0, 0}));

    m = {0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0};
    ASSERT_EQ(lfs::morph_TF_map(m, 11, 1), 0);
    EXPECT_EQ(m, (std::vector<int>{0, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0})); // a two-cell gap closes

    // Erosion counts cells beyond the border as set, so a flag near the
    // border grows out to it.
    m = {0, 1, 0, 0, 0, 0, 0};
    ASSERT_EQ(lfs::morph_TF_map(m, 7, 1), 0);
    EXPECT_EQ(m, (std::vector<int>{1, 1, 0, 0, 0, 0, 0}));

    m = std::vector<int>(25, 0);
    ASSERT_EQ(lfs::morph_TF_map(m, 5, 5), 0);
    EXPECT_EQ(m, std::vector<int>(25, 0));

    std::vector<int> small(3, 0);
    EXPECT_LT(lfs::morph_TF_map(small, 2, 2), 0);
    std::vector<int> none;
    EXPECT_EQ(lfs::morph_TF_map(none, 0, 0), 0);
}

TEST(InterpolateDirectionMap, WeightsNeighboursByTheOthersDistances)
{
    std::vector<int> d = {2, -1, -1, -1, 10};
    const std::vector<int> lc(5, 0);
    ASSERT_EQ(lfs::interpolate_direction_map(d, lc, 5, 1, P), 0);
    // Each block reads the original map, not its freshly filled neighbours.
    EXPECT_EQ(d, (std::vector<int>{2, 4, 6, 8, 10}));

    d = {3, -1, 4};
    ASSERT_EQ(lfs::interpolate_direction_map(d, std::vector<int>(3, 0), 3, 1, P), 0);
    EXPECT_EQ(d, (std::vector<int>{3, 4, 4})); // 3.5 rounds away from zero
}

TEST(InterpolateDirectionMap, LowContrastStopsTheSearchAndIsNotFilled)
{
    std::vector<int> d = {2, -1, -1, -1, 10};
    const std::vector<int> lc = {0, 0, 1, 0, 0};
    ASSERT_EQ(lfs::interpolate_direction_map(d, lc, 5, 1, P), 0);
    EXPECT_EQ(d, (std::vector<int>{2, -1, -1, -1, 10})); // one neighbour each is too few

    // Four neighbours in a plus.
    d = {-1, 6, -1, //
         4, -1, 8,  //
         -1, 6, -1};
    ASSERT_EQ(lfs::interpolate_direction_map(d, std::vector<int>(9, 0), 3, 3, P), 0);
    EXPECT_EQ(d[4], 6);
    EXPECT_EQ(d[0], 5); // corners see two neighbours each: (6 + 4) / 2
    EXPECT_EQ(d[8], 7);

    std::vector<int> small(2, -1);
    EXPECT_LT(lfs::interpolate_direction_map(small, std::vector<int>(9, 0), 3, 3, P), 0);
}

TEST(HighCurveMap, CurvatureIsTheLargestTurnToANeighbour)
{
    std::vector<int> d(9, 4);
    d[5] = 9; // east neighbour turned by 5
    std::vector<int> h;
    ASSERT_EQ(lfs::gen_high_curve_map(h, d, 3, 3, P), 0);
    EXPECT_EQ(h[4], 1);
    EXPECT_EQ(h[5], 1);
    EXPECT_EQ(h[0], 0);
    EXPECT_EQ(lfs::curvature(d, 1, 1, 3, 3, 16), 5);

    d[5] = 8; // a turn of 4 is not enough
    ASSERT_EQ(lfs::gen_high_curve_map(h, d, 3, 3, P), 0);
    EXPECT_EQ(h, std::vector<int>(9, 0));

    d.assign(9, 15);
    d[1] = 4; // 15 to 4 is 5 the short way round
    EXPECT_EQ(lfs::curvature(d, 1, 1, 3, 3, 16), 5);
    EXPECT_EQ(lfs::closest_dir_dist(15, 4, 16), 5);
    EXPECT_EQ(lfs::closest_dir_dist(-1, 4, 16), lfs::INVALID_DIR);
}

TEST(HighCurveMap, VorticityOfInvalidBlocks)
{
    // Neighbours clockwise from the north-west.
    auto ring = [](const int n[8]) {
        return std::vector<int>{n[0], n[1], n[2], n[7], -1, n[3], n[6], n[5], n[4]};
    };
    const int turning[8] = {0, 2, 4, 6, 8, 10, 12, 14};
    const int reverse[8] = {14, 12, 10, 8, 6, 4, 2, 0};
    std::vector<int> h;

    EXPECT_EQ(lfs::vorticity(ring(turning), 1, 1, 3, 3, 16), 8);
    ASSERT_EQ(lfs::gen_high_curve_map(h, ring(turning), 3, 3, P), 0);
    EXPECT_EQ(h[4], 1);

    EXPECT_EQ(lfs::vorticity(ring(reverse), 1, 1, 3, 3, 16), -8);
    ASSERT_EQ(lfs::gen_high_curve_map(h, ring(reverse), 3, 3, P), 0);
    EXPECT_EQ(h[4], 0);

    // Six valid neighbours are too few to judge, however they turn.
    const int sparse[8] = {0, 2, 4, 6, 8, 10, -1, -1};
    EXPECT_EQ(lfs::num_valid_8nbrs(ring(sparse), 1, 1, 3, 3), 6);
    ASSERT_EQ(lfs::gen_high_curve_map(h, ring(sparse), 3, 3, P), 0);
    EXPECT_EQ(h[4], 0);

    // Half a turn between neighbours counts forwards, more counts back.
    int v = 0;
    lfs::accum_nbr_vorticity(v, 2, 10, 16);
    EXPECT_EQ(v, 1);
    lfs::accum_nbr_vorticity(v, 2, 11, 16);
    EXPECT_EQ(v, 0);
    lfs::accum_nbr_vorticity(v, 3, 3, 16);
    lfs::accum_nbr_vorticity(v, -1, 3, 16);
    EXPECT_EQ(v, 0);
}

TEST(HighCurveMap, SingleBlockAndEmptyMaps)
{
    std::vector<int> h;
    ASSERT_EQ(lfs::gen_high_curve_map(h, std::vector<int>{7}, 1, 1, P), 0);
    EXPECT_EQ(h, std::vector<int>{0});
    ASSERT_EQ(lfs::gen_high_curve_map(h, std::vector<int>{}, 0, 0, P), 0);
    EXPECT_TRUE(h.empty());
    EXPECT_LT(lfs::gen_high_curve_map(h, std::vector<int>(3, 0), 2, 2, P), 0);
}

TEST(PixelizeMap, LastBlocksOverwriteTheirNeighbours)
{
    std::vector<int> pm;
    ASSERT_EQ(lfs::pixelize_map(pm, 12, 9, std::vector<int>{1, 2, 3, 4}, 2, 2, 8), 0);
    ASSERT_EQ(pm.size(), 108u);
    for (int y = 0; y < 9; y++)
        for (int x = 0; x < 12; x++) {
            const int want = (y < 1 ? 1 : 3) + (x < 4 ? 0 : 1);
            EXPECT_EQ(pm[static_cast<size_t>(y * 12 + x)], want) << x << "," << y;
        }
    EXPECT_EQ(lfs::pixelize_map(pm, 12, 9, std::vector<int>{1, 2, 3, 4}, 3, 2, 8), -591);
    EXPECT_EQ(lfs::pixelize_map(pm, 12, 9, std::vector<int>{1, 2, 3}, 2, 2, 8), -591);
    EXPECT_LT(lfs::pixelize_map(pm, 5, 9, std::vector<int>{1}, 1, 2, 8), 0);
    EXPECT_LT(lfs::pixelize_map(pm, 0, 9, std::vector<int>{}, 0, 2, 8), 0);
}

// Four 7 x 7 maps: every block valid with direction 3 and no flags.
struct Maps7 {
    std::vector<int> dir = std::vector<int>(49, 3), lc = std::vector<int>(49, 0), lf = std::vector<int>(49, 0),
                     hc = std::vector<int>(49, 0);
    std::vector<int> quality()
    {
        std::vector<int> q;
        EXPECT_EQ(lfs::gen_quality_map(q, dir, lc, lf, hc, 7, 7), 0);
        return q;
    }
};

TEST(QualityMap, LevelsFromOwnFlagsBorderAndNeighbourhood)
{
    Maps7 m;
    auto q = m.quality();
    for (int y = 0; y < 7; y++)
        for (int x = 0; x < 7; x++) {
            const bool border = x < 2 || x > 4 || y < 2 || y > 4;
            EXPECT_EQ(q[static_cast<size_t>(y * 7 + x)], border ? 1 : 4) << x << "," << y;
        }

    m.lf[24] = 1; // low flow in the centre lowers its 5 x 5 neighbourhood by 1
    q = m.quality();
    EXPECT_EQ(q[24], 2);
    EXPECT_EQ(q[16], 3);
    EXPECT_EQ(q[32], 3);
    EXPECT_EQ(q[23], 3);

    m.lf[24] = 0;
    m.hc[1] = 1; // high curvature counts like low flow; border stays 1
    q = m.quality();
    EXPECT_EQ(q[1], 1);
    EXPECT_EQ(q[16], 3); // (2,2) sees (1,0)
    EXPECT_EQ(q[18], 4); // (4,2) does not

    m.hc[1] = 0;
    m.dir[0] = -1; // a block without direction is 0 and lowers its neighbourhood by 2
    m.lc[48] = 1;  // so is a low-contrast one
    m.lf[16] = 1;
    q = m.quality();
    EXPECT_EQ(q[0], 0);
    EXPECT_EQ(q[48], 0);
    EXPECT_EQ(q[16], 1); // low flow (3) and an invalid block nearby (-2)
    EXPECT_EQ(q[32], 2); // (4,4) sees (6,6)
    EXPECT_EQ(q[24], 3); // (3,3) sees only the low flow at (2,2)
}

TEST(QualityMap, SmallAndMismatchedMaps)
{
    std::vector<int> q;
    const std::vector<int> one{5}, zero{0};
    ASSERT_EQ(lfs::gen_quality_map(q, one, zero, zero, zero, 1, 1), 0);
    EXPECT_EQ(q, std::vector<int>{1});
    EXPECT_EQ(lfs::gen_quality_map(q, one, zero, zero, std::vector<int>{}, 1, 1), -4);
    EXPECT_LT(lfs::gen_quality_map(q, one, zero, zero, zero, 2, 1), 0);
}

} // namespace
