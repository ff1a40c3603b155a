// Largest 4-connected region of a block map, by span fill.
#include "extract/maps/largest_region.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <string>
#include <vector>

namespace {

// Map from text rows: '#' a candidate (0), '.' low contrast (1).
std::vector<int> parse(const std::vector<std::string> &rows, int &mw, int &mh)
{
    mh = static_cast<int>(rows.size());
    mw = static_cast<int>(rows[0].size());
    std::vector<int> m;
    for (const std::string &r : rows)
        for (char ch : r)
            m.push_back(ch == '#' ? 0 : 1);
    return m;
}

std::vector<int> keep(const std::vector<std::string> &rows)
{
    int mw = 0, mh = 0;
    std::vector<int> m = parse(rows, mw, mh);
    ridge::keep_largest_region(m, mw, mh);
    return m;
}

std::vector<int> as_map(const std::vector<std::string> &rows)
{
    int mw = 0, mh = 0;
    return parse(rows, mw, mh);
}

TEST(KeepLargestRegion, SingleRegionIsUnchanged)
{
    const std::vector<std::string> rows = {"......", ".####.", ".#..#.", ".####.", "......"};
    EXPECT_EQ(keep(rows), as_map(rows));
}

TEST(KeepLargestRegion, SmallerRegionBecomesLowContrast)
{
    // 10 blocks on the left, 12 on the right.
    EXPECT_EQ(keep({"#####..####", "#####..####", ".......####"}),
              as_map({".......####", ".......####", ".......####"}));
}

TEST(KeepLargestRegion, EqualRegionsKeepTheFirstInRasterOrder)
{
    EXPECT_EQ(keep({"...##", "##.##", "##..."}), as_map({"...##", "...##", "....."}));
    // Same top row: the left-most start wins.
    EXPECT_EQ(keep({"##.##", "##.##"}), as_map({"##...", "##..."}));
}

TEST(KeepLargestRegion, CornerContactDoesNotJoin)
{
    // Diagonal chain: five separate regions of one block; the first stays.
    EXPECT_EQ(keep({"#....", ".#...", "..#..", "...#.", "....#"}),
              as_map({"#....", ".....", ".....", ".....", "....."}));
}

TEST(KeepLargestRegion, RingIsFilledWholeAndItsHoleStays)
{
    const std::vector<std::string> ring = {"#######", "#.....#", "#.###.#", "#.....#", "#######"};
    // The ring (20 blocks) beats the island inside it (3 blocks).
    EXPECT_EQ(keep(ring), as_map({"#######", "#.....#", "#.....#", "#.....#", "#######"}));
}

TEST(KeepLargestRegion, SpiralAndUShapesAreFilledThroughTheirTurns)
{
    // Regions that the fill must re-enter rows above and below to cover.
    const std::vector<std::string> u = {"#.#.#", "#.#.#", "#####", ".....", "##..."};
    EXPECT_EQ(keep(u), as_map({"#.#.#", "#.#.#", "#####", ".....", "....."}));
    const std::vector<std::string> spiral = {"#######", "......#", "#####.#", "#...#.#", "#.###.#", "#.....#",
                                             "#######"};
    EXPECT_EQ(keep(spiral), as_map(spiral));
}

TEST(KeepLargestRegion, NoCandidateLeavesTheMapAllLowContrast)
{
    EXPECT_EQ(keep({"...", "..."}), as_map({"...", "..."}));
}

TEST(KeepLargestRegion, OneRowAndOneColumnMaps)
{
    EXPECT_EQ(keep({"##.###.#"}), as_map({"...###.."}));
    EXPECT_EQ(keep({"#", "#", ".", "#", "#", "#"}), as_map({".", ".", ".", "#", "#", "#"}));
    EXPECT_EQ(keep({"#"}), as_map({"#"}));
}

TEST(KeepLargestRegion, ValuesOtherThanOneAreCandidatesAndKeepTheirValue)
{
    std::vector<int> m = {5, 0, 1, 7, 1, 1, 1, 1, 1, 2, 1, 1};
    ridge::keep_largest_region(m, 4, 3);
    EXPECT_EQ(m, (std::vector<int>{5, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
}

TEST(KeepLargestRegion, MoreThan254RegionsStillKeepTheLargest)
{
    // A 40 x 40 checkerboard of isolated blocks (800 one-block regions),
    // with one 3-block region placed after region 254 in raster order.
    const int mw = 40, mh = 40;
    std::vector<int> m(static_cast<size_t>(mw * mh), 1);
    for (int y = 0; y < mh; y += 2)
        for (int x = 0; x < mw; x += 2)
            m[static_cast<size_t>(y * mw + x)] = 0;
    // Block (31,30) joins (30,30) and (32,30) into the one region of size 3;
    // it is the 20*15 + 16 = 316th region.
    m[static_cast<size_t>(30 * mw + 31)] = 0;
    ridge::keep_largest_region(m, mw, mh);
    std::vector<int> want(static_cast<size_t>(mw * mh), 1);
    want[static_cast<size_t>(30 * mw + 30)] = 0;
    want[static_cast<size_t>(30 * mw + 31)] = 0;
    want[static_cast<size_t>(30 * mw + 32)] = 0;
    EXPECT_EQ(m, want);
}

TEST(KeepLargestRegion, TieBreakHoldsBeyond255Regions)
{
    // 300 one-block regions in a row, then two 3-block regions: the first
    // of the two stays, whatever their labels would be modulo 256.
    const int mw = 2 * 300 + 10, mh = 1;
    std::vector<int> m(static_cast<size_t>(mw), 1);
    for (int i = 0; i < 300; ++i)
        m[static_cast<size_t>(2 * i)] = 0;
    for (int x : {600, 601, 602, 604, 605, 606})
        m[static_cast<size_t>(x)] = 0;
    ridge::keep_largest_region(m, mw, mh);
    std::vector<int> want(static_cast<size_t>(mw), 1);
    for (int x : {600, 601, 602})
        want[static_cast<size_t>(x)] = 0;
    EXPECT_EQ(m, want);
}

// Breadth-first 4-connected components, largest first by size, ties by
// raster order of the first cell.
std::vector<int> reference_keep(std::vector<int> m, int mw, int mh)
{
    std::vector<int> comp(m.size(), -1);
    int best = -1, best_size = 0, ncomp = 0;
    for (int start = 0; start < mw * mh; ++start) {
        if (m[static_cast<size_t>(start)] == 1 || comp[static_cast<size_t>(start)] >= 0)
            continue;
        int size = 0;
        std::deque<int> q{start};
        comp[static_cast<size_t>(start)] = ncomp;
        while (!q.empty()) {
            const int c = q.front();
            q.pop_front();
            ++size;
            const int x = c % mw, y = c / mw;
            const int nx[4] = {x - 1, x + 1, x, x};
            const int ny[4] = {y, y, y - 1, y + 1};
            for (int k = 0; k < 4; ++k) {
                if (nx[k] < 0 || nx[k] >= mw || ny[k] < 0 || ny[k] >= mh)
                    continue;
                const size_t n = static_cast<size_t>(ny[k] * mw + nx[k]);
                if (m[n] != 1 && comp[n] < 0) {
                    comp[n] = ncomp;
                    q.push_back(static_cast<int>(n));
                }
            }
        }
        if (size > best_size) {
            best_size = size;
            best = ncomp;
        }
        ++ncomp;
    }
    for (size_t i = 0; i < m.size(); ++i)
        if (comp[i] != best)
            m[i] = 1;
    return m;
}

TEST(KeepLargestRegion, AgreesWithBreadthFirstComponentsOnRandomMaps)
{
    std::mt19937 rng(3);
    for (int trial = 0; trial < 400; ++trial) {
        const int mw = 1 + static_cast<int>(rng() % 30), mh = 1 + static_cast<int>(rng() % 30);
        const unsigned density = 35u + static_cast<unsigned>(rng() % 40);
        std::vector<int> m(static_cast<size_t>(mw * mh));
        for (int &v : m)
            v = rng() % 100 < density ? 0 : 1;
        std::vector<int> got = m;
        ridge::keep_largest_region(got, mw, mh);
        ASSERT_EQ(got, reference_keep(m, mw, mh)) << "trial " << trial << " " << mw << "x" << mh;
    }
}

TEST(FillRegion, CountsAndLabelsOneRegion)
{
    // Labels: -1 unfilled candidate, 0 not a candidate.
    std::vector<ridge::RegionLabel> labels = {-1, -1, 0, -1,  //
                                              0,  -1, 0, -1,  //
                                              -1, -1, -1, -1};
    EXPECT_EQ(ridge::fill_region(labels, 4, 3, 0, 0, 7), 9);
    for (ridge::RegionLabel v : labels)
        EXPECT_TRUE(v == 7 || v == 0);
    EXPECT_EQ(ridge::fill_region(labels, 4, 3, 4, 0, 8), -1);
    EXPECT_EQ(ridge::fill_region(labels, 4, 3, 0, -1, 8), -1);
}

} // namespace
