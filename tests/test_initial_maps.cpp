// Initial block maps: opening of the low-contrast map, window placement,
// the direction tests on directional powers, and the whole map stage on
// synthetic ridge patterns.
#include "extract/maps/block_direction.h"
#include "extract/detector_params.h"
#include "extract/maps/initial_maps.h"
#include "extract/maps/low_contrast_opening.h"
#include "extract/maps/map_stage.h"
#include "lfs/maps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

const lfs::LfsParams &P = ridge::DetectorParams;

std::vector<int> grid_of(const std::vector<std::string> &rows)
{
    std::vector<int> m;
    for (const std::string &r : rows)
        for (char ch : r)
            m.push_back(ch == '1' ? 1 : 0);
    return m;
}

std::vector<int> open_map(const std::vector<std::string> &rows)
{
    std::vector<int> m = grid_of(rows);
    ridge::open_low_contrast_map(m, static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
    return m;
}

TEST(LowContrastOpening, IsolatedBlocksAndThinStripsInsideReturnToZero)
{
    EXPECT_EQ(open_map({"00000", "00100", "00000"}), grid_of({"00000", "00000", "00000"}));
    EXPECT_EQ(open_map({"000000", "011110", "000000"}), grid_of({"000000", "000000", "000000"}));
    // A 2x2 patch has no cell whose four neighbours are all flagged.
    EXPECT_EQ(open_map({"0000", "0110", "0110", "0000"}), grid_of({"0000", "0000", "0000", "0000"}));
}

TEST(LowContrastOpening, ThickAreasKeepTheirCross)
{
    // A 3x3 patch: the centre survives the erosion and regrows its four
    // edge neighbours; the corners touch it only diagonally.
    EXPECT_EQ(open_map({"00000", "01110", "01110", "01110", "00000"}),
              grid_of({"00000", "00100", "01110", "00100", "00000"}));
}

TEST(LowContrastOpening, BeyondTheMapCountsAsLowContrast)
{
    // Flagged cells on the map border lean on the frame of 1s and stay;
    // a strip across the map keeps only its two ends.
    EXPECT_EQ(open_map({"1000", "0000", "0001"}), grid_of({"1000", "0000", "0001"}));
    EXPECT_EQ(open_map({"00000", "11111", "00000"}), grid_of({"00000", "10001", "00000"}));
    EXPECT_EQ(open_map({"111", "111"}), grid_of({"111", "111"}));
}

TEST(WindowOrigin, ClampsTheWindowInsideTheUnpaddedImage)
{
    const int pad = 13, iw = 100, ih = 60;
    const int pw = iw + 2 * pad, ph = ih + 2 * pad;
    auto block_at = [&](int x, int y) { return (y + pad) * pw + x + pad; };
    // Top-left block: its window would start 8 pixels into the padding.
    EXPECT_EQ(ridge::window_origin(block_at(0, 0), pw, ph, pad, P), pad * pw + pad);
    // Interior block: window offset 8 up and left.
    EXPECT_EQ(ridge::window_origin(block_at(40, 24), pw, ph, pad, P), block_at(32, 16));
    // Last blocks: the window's last column and row stay inside the image.
    const int last = ridge::window_origin(block_at(92, 52), pw, ph, pad, P);
    EXPECT_EQ(last % pw, pw - pad - 24 - 1);
    EXPECT_EQ(last / pw, ph - pad - 24 - 1);
    EXPECT_LE(last % pw + 23, pad + iw - 1);
}

// Power table of 4 waves x 16 directions; wave 2 (row 1) carries the test
// pattern, the other waves nothing unless set.
struct Powers {
    std::vector<float> p = std::vector<float>(4 * 16, 0.0f);
    float &at(int wave, int dir) { return p[static_cast<size_t>(wave * 16 + dir)]; }
};

lfs::PowerStats ranked(const Powers &pw)
{
    lfs::PowerStats stats;
    EXPECT_EQ(lfs::alloc_power_stats(stats, 3), 0);
    ridge::get_dft_power_stats(stats, pw.p.data(), 1, 4, 16);
    EXPECT_EQ(lfs::sort_dft_waves(stats, 3), 0);
    return stats;
}

// Wave-2 peak of 200000 at direction 5, the forks at 3 and 7, the other 13
// directions sharing `rest` so that the normalised power is what the case
// needs.
Powers fork_case(float left, float right, float rest_each)
{
    Powers pw;
    for (int d = 0; d < 16; ++d)
        pw.at(1, d) = rest_each;
    pw.at(1, 5) = 200000.0f;
    pw.at(1, 3) = left;
    pw.at(1, 7) = right;
    return pw;
}

TEST(PowerStats, MaximumDirectionAndNormalisedPower)
{
    Powers pw;
    pw.at(2, 4) = 500.0f;
    pw.at(2, 9) = 500.0f; // first maximum in direction order wins
    pw.at(2, 1) = 100.0f;
    pw.at(3, 2) = 4.0f;   // sum below 10 counts as 10
    lfs::PowerStats stats;
    ASSERT_EQ(lfs::alloc_power_stats(stats, 3), 0);
    ridge::get_dft_power_stats(stats, pw.p.data(), 1, 4, 16);
    EXPECT_EQ(stats.powmaxs[1], 500.0f);
    EXPECT_EQ(stats.powmax_dirs[1], 4);
    EXPECT_EQ(stats.pownorms[1], 500.0f / (1100.0f / 16.0f));
    EXPECT_EQ(stats.powmaxs[2], 4.0f);
    EXPECT_EQ(stats.pownorms[2], 4.0f / (10.0f / 16.0f));
    EXPECT_EQ(stats.powmaxs[0], 0.0f);
    EXPECT_EQ(stats.powmax_dirs[0], 0);
    EXPECT_EQ(stats.wis, (std::vector<int>{0, 1, 2}));
}

TEST(PrimaryDirTest, FirstQualifyingWaveInRankOrder)
{
    Powers pw;
    pw.at(1, 6) = 300000.0f; // wave 2: strong and peaked
    pw.at(2, 11) = 900000.0f; // wave 3: stronger, ranks first
    lfs::PowerStats stats = ranked(pw);
    EXPECT_EQ(ridge::primary_dir_test(pw.p.data(), stats, 3, P), 11);
    // The lowest wave dominating at direction 11 disqualifies wave 3.
    pw.at(0, 11) = 60000000.0f;
    stats = ranked(pw);
    EXPECT_EQ(ridge::primary_dir_test(pw.p.data(), stats, 3, P), 6);
    // Too little power anywhere: no direction.
    Powers weak;
    weak.at(1, 6) = 100000.0f; // not above 100000
    stats = ranked(weak);
    EXPECT_EQ(ridge::primary_dir_test(weak.p.data(), stats, 3, P), -1);
}

TEST(ForkDirTest, ExactlyOneWeakForkGivesThePeakDirection)
{
    // 13 x 49000 + 200000 + 150000 + 100000 = 1087000: normalised power
    // 200000 / (1087000 / 16) = 2.94, below the primary test's 3.8 but above
    // 3.8 x 0.75. Threshold 0.7 x 200000 = 140000.
    Powers pw = fork_case(150000.0f, 100000.0f, 49000.0f);
    lfs::PowerStats stats = ranked(pw);
    EXPECT_EQ(ridge::primary_dir_test(pw.p.data(), stats, 3, P), -1);
    EXPECT_EQ(ridge::fork_dir_test(pw.p.data(), stats, 1, 16, P), 5);
    pw = fork_case(100000.0f, 150000.0f, 49000.0f);
    EXPECT_EQ(ridge::fork_dir_test(pw.p.data(), ranked(pw), 1, 16, P), 5);
    // A fork exactly at the threshold counts as weak.
    pw = fork_case(150000.0f, 140000.0f, 46000.0f);
    EXPECT_EQ(ridge::fork_dir_test(pw.p.data(), ranked(pw), 1, 16, P), 5);
}

TEST(ForkDirTest, BothWeakOrBothStrongGivesNone)
{
    Powers pw = fork_case(100000.0f, 100000.0f, 52000.0f);
    EXPECT_EQ(ridge::fork_dir_test(pw.p.data(), ranked(pw), 1, 16, P), -1);
    pw = fork_case(150000.0f, 150000.0f, 45000.0f);
    EXPECT_EQ(ridge::fork_dir_test(pw.p.data(), ranked(pw), 1, 16, P), -1);
}

TEST(ForkDirTest, PowerConditionsOfTheBestWave)
{
    // Normalised power below 3.8 x 0.75: 200000 / (1200000 / 16) = 2.67.
    Powers pw = fork_case(150000.0f, 100000.0f, 57700.0f);
    EXPECT_EQ(ridge::fork_dir_test(pw.p.data(), ranked(pw), 1, 16, P), -1);
    // The lowest wave too strong at the peak direction.
    pw = fork_case(150000.0f, 100000.0f, 49000.0f);
    pw.at(0, 5) = 50000004.0f; // the next single-precision value above 50000000
    EXPECT_EQ(ridge::fork_dir_test(pw.p.data(), ranked(pw), 1, 16, P), -1);
    // The peak itself not above 100000.
    Powers low;
    for (int d = 0; d < 16; ++d)
        low.at(1, d) = 20000.0f;
    low.at(1, 5) = 100000.0f;
    low.at(1, 7) = 80000.0f;
    EXPECT_EQ(ridge::fork_dir_test(low.p.data(), ranked(low), 1, 16, P), -1);
}

TEST(ForkDirTest, ForksWrapAroundTheDirections)
{
    Powers pw;
    for (int d = 0; d < 16; ++d)
        pw.at(3, d) = 49000.0f;
    pw.at(3, 1) = 200000.0f;
    pw.at(3, 15) = 150000.0f; // left fork of 1 is 15
    pw.at(3, 3) = 100000.0f;
    EXPECT_EQ(ridge::fork_dir_test(pw.p.data(), ranked(pw), 1, 16, P), 1);
}

// Wave-2 peak at direction 5 with forks 150000 (strong) and 100000 (weak)
// at 3 and 7; the other 13 directions carry `rest` each.
Powers peaked(float peak, float rest_each)
{
    Powers pw = fork_case(150000.0f, 100000.0f, rest_each);
    pw.at(1, 5) = peak;
    return pw;
}

TEST(DirectionTests, NormalisedPowerBoundaries)
{
    // The primary test wants a normalised power above 3.8: exactly 3.8 fails,
    // the next value up passes.
    Powers pw = peaked(200146.0f, 30198.0f);
    lfs::PowerStats stats = ranked(pw);
    ASSERT_EQ(stats.pownorms[0], P.pownorm_min);
    EXPECT_EQ(ridge::primary_dir_test(pw.p.data(), stats, 3, P), -1);
    pw = peaked(200146.0f, 30197.0f);
    stats = ranked(pw);
    ASSERT_GT(stats.pownorms[0], P.pownorm_min);
    EXPECT_EQ(ridge::primary_dir_test(pw.p.data(), stats, 3, P), 5);

    // The fork test accepts a normalised power equal to 3.8 x 0.75.
    pw = peaked(200013.0f, 51759.0f);
    stats = ranked(pw);
    ASSERT_EQ(stats.pownorms[0], P.pownorm_min * P.fork_pct_pownorm);
    EXPECT_EQ(ridge::primary_dir_test(pw.p.data(), stats, 3, P), -1);
    EXPECT_EQ(ridge::fork_dir_test(pw.p.data(), stats, 1, 16, P), 5);
}

// Synthetic grey image: ridges of period 9 pixels, vertical (varying along
// x) or horizontal, over the given rectangles; flat grey elsewhere.
struct Rect {
    int x0, y0, x1, y1;
};
std::vector<unsigned char> striped(int iw, int ih, bool vertical, const std::vector<Rect> &areas)
{
    std::vector<unsigned char> img(static_cast<size_t>(iw * ih), 128);
    for (const Rect &r : areas)
        for (int y = r.y0; y < r.y1; ++y)
            for (int x = r.x0; x < r.x1; ++x) {
                const double phase = 2.0 * M_PI * (vertical ? x : y) / 9.0;
                img[static_cast<size_t>(y * iw + x)] = static_cast<unsigned char>(128.0 + 100.0 * std::sin(phase));
            }
    return img;
}

int count_valid(const std::vector<int> &dmap)
{
    int n = 0;
    for (int d : dmap)
        n += d >= 0;
    return n;
}

TEST(MapStageSynthetic, VerticalAndHorizontalRidgesGiveDirections0And8)
{
    const int iw = 160, ih = 160;
    for (bool vertical : {true, false}) {
        const std::vector<unsigned char> img = striped(iw, ih, vertical, {{0, 0, iw, ih}});
        lfs::BlockMaps maps;
        ASSERT_EQ(ridge::lfs_detect_maps_V2(maps, img.data(), iw, ih), 0);
        const int want = vertical ? 0 : 8;
        for (size_t i = 0; i < maps.direction_map.size(); ++i) {
            EXPECT_EQ(maps.direction_map[i], want) << "block " << i;
            EXPECT_EQ(maps.low_contrast_map[i], 0);
        }
    }
}

TEST(MapStageSynthetic, SeparateSmudgeEndsLowContrastWithoutDirection)
{
    // Finger in the top-left corner, a small striped smudge far from it.
    const int iw = 200, ih = 200;
    const std::vector<unsigned char> img = striped(iw, ih, true, {{0, 0, 110, 110}, {160, 160, 200, 200}});
    lfs::BlockMaps maps;
    ASSERT_EQ(ridge::lfs_detect_maps_V2(maps, img.data(), iw, ih), 0);
    for (int by = 20; by < maps.mh; ++by)
        for (int bx = 20; bx < maps.mw; ++bx) {
            const size_t i = static_cast<size_t>(by * maps.mw + bx);
            EXPECT_EQ(maps.low_contrast_map[i], 1) << bx << "," << by;
            EXPECT_EQ(maps.direction_map[i], -1) << bx << "," << by;
        }
    EXPECT_EQ(maps.direction_map[static_cast<size_t>(5 * maps.mw + 5)], 0);
}

TEST(MapStageSynthetic, LoneFlatWindowInsideTheFingerIsAnalysed)
{
    // A flat 24 x 24 patch exactly under the window of block (8, 8): that
    // one block tests low-contrast, the opening gives it back, it finds no
    // power of its own and is filled from its neighbours.
    const int iw = 160, ih = 160;
    std::vector<unsigned char> img = striped(iw, ih, false, {{0, 0, iw, ih}});
    for (int y = 56; y < 80; ++y)
        for (int x = 56; x < 80; ++x)
            img[static_cast<size_t>(y * iw + x)] = 128;
    lfs::BlockMaps maps;
    ASSERT_EQ(ridge::lfs_detect_maps_V2(maps, img.data(), iw, ih), 0);
    const size_t centre = static_cast<size_t>(8 * maps.mw + 8);
    EXPECT_EQ(maps.low_contrast_map[centre], 0);
    EXPECT_EQ(maps.direction_map[centre], 8);
    EXPECT_EQ(count_valid(maps.direction_map), maps.mw * maps.mh);
}

TEST(MapStageSynthetic, MarginBlocksKeepTheirDirections)
{
    const int iw = 120, ih = 96;
    const std::vector<unsigned char> img = striped(iw, ih, true, {{0, 0, iw, ih}});
    lfs::BlockMaps maps;
    ASSERT_EQ(ridge::lfs_detect_maps_V2(maps, img.data(), iw, ih), 0);
    for (int bx = 0; bx < maps.mw; ++bx) {
        EXPECT_EQ(maps.direction_map[static_cast<size_t>(bx)], 0);
        EXPECT_EQ(maps.direction_map[static_cast<size_t>((maps.mh - 1) * maps.mw + bx)], 0);
    }
}

} // namespace
