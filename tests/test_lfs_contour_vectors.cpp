// Contour tracing, searching and loop filling against the captured removal
// steps of the reference detector: its island-and-lake pass (trace between
// two endings, fill the loop) must give the captured binary image, and its
// hook pass (contour search between an ending and a bifurcation) the
// captured list. The passes are replayed here with the reference's
// parameters (pairs within 16 pixels, directions more than 11 apart,
// 30-step traces).
#include "lfs/contour.h"
#include "support/lfs_vectors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

using ridge_test::load_minutiae_tsv;
using ridge_test::load_u8;
using ridge_test::vector_folders;

constexpr int kMaxTestDist = 16;
constexpr int kMinDeltaDir = 11;
constexpr int kMaxTraceLen = 30;

bool close_and_opposed(const lfs::Minutia &a, const lfs::Minutia &b)
{
    const double dist = std::sqrt(static_cast<double>((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y)));
    int dd = std::abs(a.direction - b.direction);
    dd = std::min(dd, 32 - dd);
    return dist <= kMaxTestDist && dd > kMinDeltaDir;
}

void append(lfs::Contour &to, int x, int y, int ex, int ey)
{
    to.x.push_back(x);
    to.y.push_back(y);
    to.ex.push_back(ex);
    to.ey.push_back(ey);
}

// LOOP_FOUND with the loop a, trace to b, b, trace back to a; else the
// second trace's or first trace's result.
int island_loop(lfs::Contour &loop, const lfs::Minutia &a, const lfs::Minutia &b, const unsigned char *bdata,
                int iw, int ih)
{
    lfs::Contour c1, c2;
    int ret = lfs::trace_contour(c1, kMaxTraceLen, b.x, b.y, a.x, a.y, a.ex, a.ey, lfs::SCAN_COUNTER_CLOCKWISE,
                                 bdata, iw, ih);
    if (ret != lfs::LOOP_FOUND)
        return ret;
    ret = lfs::trace_contour(c2, kMaxTraceLen, a.x, a.y, b.x, b.y, b.ex, b.ey, lfs::SCAN_COUNTER_CLOCKWISE, bdata,
                             iw, ih);
    if (ret != lfs::LOOP_FOUND)
        return ret;
    loop = lfs::Contour{};
    append(loop, a.x, a.y, a.ex, a.ey);
    for (int i = 0; i < c1.num(); i++)
        append(loop, c1.x[i], c1.y[i], c1.ex[i], c1.ey[i]);
    append(loop, b.x, b.y, b.ex, b.ey);
    for (int i = 0; i < c2.num(); i++)
        append(loop, c2.x[i], c2.y[i], c2.ex[i], c2.ey[i]);
    return lfs::LOOP_FOUND;
}

void remove_flagged(lfs::Minutiae &m, const std::vector<int> &flags)
{
    for (int i = m.num() - 1; i >= 0; i--)
        if (flags[static_cast<size_t>(i)])
            lfs::remove_minutia(i, m);
}

TEST(ContourVectors, IslandAndLakeFillsGiveTheCapturedImage)
{
    int total_fills = 0;
    for (const auto &f : vector_folders()) {
        const int iw = f.meta_int("iw"), ih = f.meta_int("ih");
        auto bdata = load_u8(f.file("bin_detect_out.u8"));
        auto list = load_minutiae_tsv(f.file("min_02_remove_islands_and_lakes_in.tsv")).minutiae;
        const int n = list.num();
        std::vector<int> flags(static_cast<size_t>(n), 0);
        for (int a = 0; a < n - 1; a++) {
            if (flags[static_cast<size_t>(a)])
                continue;
            const auto &m1 = list.list[static_cast<size_t>(a)];
            for (int b = a + 1; b < n; b++) {
                const auto &m2 = list.list[static_cast<size_t>(b)];
                if (m2.type != m1.type)
                    continue;
                // Earlier fills may have removed either minutia's pixel.
                if (bdata[static_cast<size_t>(m1.y * iw + m1.x)] != m1.type) {
                    flags[static_cast<size_t>(a)] = 1;
                    break;
                }
                if (bdata[static_cast<size_t>(m2.y * iw + m2.x)] != m2.type)
                    flags[static_cast<size_t>(b)] = 1;
                if (flags[static_cast<size_t>(b)])
                    continue;
                if (m2.y - m1.y > kMaxTestDist)
                    break;
                if (!close_and_opposed(m1, m2))
                    continue;
                lfs::Contour loop;
                const int ret = island_loop(loop, m1, m2, bdata.data(), iw, ih);
                if (ret == lfs::LOOP_FOUND) {
                    ASSERT_EQ(lfs::fill_loop(loop, bdata.data(), iw, ih), 0);
                    flags[static_cast<size_t>(a)] = flags[static_cast<size_t>(b)] = 1;
                    total_fills++;
                } else if (ret == lfs::IGNORE) {
                    flags[static_cast<size_t>(a)] = 1;
                    break;
                }
            }
        }
        remove_flagged(list, flags);
        EXPECT_TRUE(bdata == load_u8(f.file("bin_02_remove_islands_and_lakes_out.u8"))) << f.name;
        EXPECT_EQ(ridge_test::compare_minutiae(list, load_minutiae_tsv(f.file("min_02_remove_islands_and_lakes_out.tsv")).minutiae),
                  "")
            << f.name;
    }
    EXPECT_GT(total_fills, 0);
}

TEST(ContourVectors, HookSearchesGiveTheCapturedList)
{
    for (const auto &f : vector_folders()) {
        const int iw = f.meta_int("iw"), ih = f.meta_int("ih");
        const auto bdata = load_u8(f.file("bin_02_remove_islands_and_lakes_out.u8"));
        auto list = load_minutiae_tsv(f.file("min_07_remove_hooks_in.tsv")).minutiae;
        const int n = list.num();
        std::vector<int> flags(static_cast<size_t>(n), 0);
        for (int a = 0; a < n - 1; a++) {
            if (flags[static_cast<size_t>(a)])
                continue;
            const auto &m1 = list.list[static_cast<size_t>(a)];
            for (int b = a + 1; b < n; b++) {
                const auto &m2 = list.list[static_cast<size_t>(b)];
                if (flags[static_cast<size_t>(b)])
                    continue;
                if (m2.y - m1.y > kMaxTestDist)
                    break;
                if (m1.type == m2.type || !close_and_opposed(m1, m2))
                    continue;
                // From the first minutia's edge pixel, its own pixel as edge.
                int ret = lfs::search_contour(m2.x, m2.y, kMaxTraceLen, m1.ex, m1.ey, m1.x, m1.y, lfs::SCAN_CLOCKWISE,
                                              bdata.data(), iw, ih);
                if (ret == lfs::NOT_FOUND)
                    ret = lfs::search_contour(m2.x, m2.y, kMaxTraceLen, m1.ex, m1.ey, m1.x, m1.y,
                                              lfs::SCAN_COUNTER_CLOCKWISE, bdata.data(), iw, ih);
                if (ret == lfs::FOUND) {
                    flags[static_cast<size_t>(a)] = flags[static_cast<size_t>(b)] = 1;
                } else if (ret == lfs::IGNORE) {
                    flags[static_cast<size_t>(a)] = 1;
                    break;
                }
            }
        }
        remove_flagged(list, flags);
        EXPECT_EQ(ridge_test::compare_minutiae(list, load_minutiae_tsv(f.file("min_07_remove_hooks_out.tsv")).minutiae), "")
            << f.name;
    }
}

} // namespace
