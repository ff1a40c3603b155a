// False-minutia removal on long candidate lists (noise, huge images): the
// pairwise tests walk their neighbours through an index instead of the
// whole rest of the list, the single-minutia tests drop in one pass, and
// the y-x sort is a merge sort. Each must leave exactly the list (and the
// binary image) that the straightforward way leaves.
#include "extract/detector_params.h"
#include "extract/minutiae/pairwise_removal.h"
#include "extract/minutiae/removal_tests.h"
#include "extract/minutiae/zone_maps.h"
#include "lfs/detect.h"
#include "lfs/pixel_blocks.h"
#include "lfs/remove.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

const lfs::LfsParams &P = ridge::DetectorParams;

// Binary noise (1 = ridge) with the minutiae the detector finds in it: a
// few thousand candidates, many of them close together, on loops, islands
// and gaps.
struct Scene {
    int iw = 0, ih = 0, mw = 0, mh = 0;
    std::vector<unsigned char> image;
    std::vector<int> dmap, fmap, cmap;
    ridge::ZoneMaps zones;
    lfs::Minutiae minutiae;
};

Scene noisy_scene(unsigned seed, int iw, int ih)
{
    Scene s;
    s.iw = iw;
    s.ih = ih;
    s.mw = (iw + 7) / 8;
    s.mh = (ih + 7) / 8;
    std::mt19937 rng(seed);
    std::vector<unsigned char> raw(static_cast<size_t>(iw * ih));
    for (auto &p : raw)
        p = static_cast<unsigned char>(rng() & 1u);
    // Majority of the 3 x 3 neighbourhood: blobs and ridges of a few pixels.
    s.image.resize(raw.size());
    for (int y = 0; y < ih; y++)
        for (int x = 0; x < iw; x++) {
            int sum = 0;
            for (int v = -1; v <= 1; v++)
                for (int u = -1; u <= 1; u++)
                    sum += raw[static_cast<size_t>(std::clamp(y + v, 0, ih - 1) * iw + std::clamp(x + u, 0, iw - 1))];
            s.image[static_cast<size_t>(y * iw + x)] = sum >= 5;
        }
    const size_t blocks = static_cast<size_t>(s.mw * s.mh);
    s.dmap.resize(blocks);
    s.fmap.resize(blocks);
    s.cmap.resize(blocks);
    for (size_t b = 0; b < blocks; b++) {
        s.dmap[b] = rng() % 12 == 0 ? lfs::INVALID_DIR : static_cast<int>(rng() % 16);
        s.fmap[b] = static_cast<int>(rng() & 1u);
        s.cmap[b] = rng() % 6 == 0;
    }
    EXPECT_EQ(lfs::alloc_minutiae(s.minutiae, lfs::MAX_MINUTIAE), 0);
    EXPECT_EQ(lfs::detect_minutiae_V2(s.minutiae, s.image.data(), iw, ih, s.dmap, s.fmap, s.cmap, s.mw, s.mh, P), 0);
    ridge::build_zone_maps(s.zones, s.dmap, s.mw, s.mh);
    return s;
}

bool same_minutiae(const lfs::Minutiae &a, const lfs::Minutiae &b, std::string &why)
{
    if (a.num() != b.num()) {
        why = std::to_string(a.num()) + " vs " + std::to_string(b.num()) + " minutiae";
        return false;
    }
    for (size_t i = 0; i < a.list.size(); i++) {
        const lfs::Minutia &p = a.list[i], &q = b.list[i];
        if (p.x != q.x || p.y != q.y || p.ex != q.ex || p.ey != q.ey || p.direction != q.direction ||
            p.type != q.type || p.reliability != q.reliability || p.feature_id != q.feature_id) {
            why = "entry " + std::to_string(i);
            return false;
        }
    }
    return true;
}

} // namespace

TEST(RemovalWalks, IndexedWalksLeaveWhatTheScansLeave)
{
    using ridge::PairWalk;
    // Each pass runs twice, by scan and through the index, on the lists and
    // images the previous passes left, in the order of the removal sequence
    // and with the overlaps once more on a list still in y order. The side
    // test moves minutiae, so the later passes see a list out of y order.
    for (const unsigned seed : {1u, 2u, 3u}) {
        Scene scan = noisy_scene(seed, 240, 200);
        ASSERT_GT(scan.minutiae.num(), 1000);
        Scene indexed = scan;
        const std::string at = "seed " + std::to_string(seed) + ": ";
        int removed = 0, changed_images = 0;
        auto both = [&](const char *pass, const std::function<int(Scene &, PairWalk)> &run) {
            const int before = scan.minutiae.num();
            const std::vector<unsigned char> image_before = scan.image;
            ASSERT_EQ(run(scan, PairWalk::Scan), 0) << at << pass;
            ASSERT_EQ(run(indexed, PairWalk::Indexed), 0) << at << pass;
            std::string why;
            EXPECT_TRUE(same_minutiae(scan.minutiae, indexed.minutiae, why)) << at << pass << ": " << why;
            EXPECT_TRUE(scan.image == indexed.image) << at << pass << ": binary images differ";
            removed += before - scan.minutiae.num();
            changed_images += scan.image != image_before;
        };
        auto sort = [](Scene &s, PairWalk) { return lfs::sort_minutiae_y_x(s.minutiae, s.iw, s.ih); };
        auto islands = [](int limit, bool border) {
            return [limit, border](Scene &s, PairWalk how) {
                return ridge::remove_islands_and_lakes(s.minutiae, s.image.data(), s.iw, s.ih,
                                                       border ? s.zones.border_zone_map : s.zones.inner_zone_map,
                                                       s.mw, s.mh, limit, limit, how);
            };
        };
        auto overlaps = [](Scene &s, PairWalk how) {
            return ridge::remove_overlaps(s.minutiae, s.image.data(), s.iw, s.ih, how);
        };
        auto side = [](Scene &s, PairWalk) {
            return lfs::remove_or_adjust_side_minutiae_V2(s.minutiae, s.image.data(), s.iw, s.ih, s.dmap, s.mw,
                                                          s.mh, P);
        };
        auto hooks = [](int difference, bool exclusive, bool border) {
            return [=](Scene &s, PairWalk how) {
                return ridge::remove_hooks(s.minutiae, s.image.data(), s.iw, s.ih,
                                           border ? s.zones.border_zone_map : s.zones.inner_zone_map, s.mw, s.mh,
                                           difference, exclusive, how);
            };
        };
        both("sort", sort);
        both("islands, border zone", islands(15, true));
        both("islands, inner zone", islands(10, false));
        Scene sorted_scan = scan, sorted_indexed = indexed;
        both("side", side);
        both("hooks, border zone", hooks(0, false, true));
        both("hooks, inner zone", hooks(14, true, false));
        both("overlaps", overlaps);
        std::swap(scan, sorted_scan);
        std::swap(indexed, sorted_indexed);
        both("overlaps in y order", overlaps);
        // Islands after the side test: a list out of y order.
        std::swap(scan, sorted_scan);
        std::swap(indexed, sorted_indexed);
        both("islands out of y order", islands(15, false));
        EXPECT_GT(removed, 500) << at;
        EXPECT_GE(changed_images, 3) << at << "fills and joins";
    }
}

TEST(RemovalWalks, SortIsTheStableSortOfTheOriginal)
{
    // The original's exchange sort on y * iw + x keeps equal ranks in list
    // order; so must the merge sort, on lists with many equal ranks.
    std::mt19937 rng(9);
    for (const int n : {0, 1, 2, 17, 300, 2000}) {
        lfs::Minutiae m;
        for (int i = 0; i < n; i++) {
            lfs::Minutia e;
            e.x = static_cast<int>(rng() % 7);
            e.y = static_cast<int>(rng() % 5);
            e.feature_id = i;
            m.list.push_back(e);
        }
        std::vector<lfs::Minutia> expected = m.list;
        for (size_t i = 1; i < expected.size(); i++)
            for (size_t j = i; j > 0 && expected[j - 1].y * 7 + expected[j - 1].x > expected[j].y * 7 + expected[j].x;
                 j--)
                std::swap(expected[j - 1], expected[j]);
        ASSERT_EQ(lfs::sort_minutiae_y_x(m, 7, 5), 0);
        ASSERT_EQ(m.list.size(), expected.size());
        for (size_t i = 0; i < expected.size(); i++)
            EXPECT_EQ(m.list[i].feature_id, expected[i].feature_id) << n << " at " << i;
    }
}

TEST(RemovalWalks, DroppingInOnePassEqualsRemovingOneByOne)
{
    // Verdicts per minutia: 1 drop, 0 keep (adjusted), negative stop.
    const std::vector<std::vector<int>> cases = {
        {}, {0}, {1}, {1, 1, 1}, {0, 1, 0, 1, 1, 0}, {1, 0, 0, -7, 1, 0}, {-3, 1}, {0, 0, 1, 1, -2},
    };
    for (const std::vector<int> &verdicts : cases) {
        lfs::Minutiae one_pass, one_by_one;
        for (size_t i = 0; i < verdicts.size(); i++) {
            lfs::Minutia e;
            e.feature_id = static_cast<int>(i);
            one_pass.list.push_back(e);
        }
        one_by_one = one_pass;
        const int ret = lfs::drop_minutiae_if(one_pass, [&](lfs::Minutia &m) {
            const int v = verdicts[static_cast<size_t>(m.feature_id)];
            if (v == 0)
                m.x = 100 + m.feature_id;
            return v;
        });
        int expected_ret = 0;
        for (int i = 0; i < one_by_one.num();) {
            lfs::Minutia &m = one_by_one.list[static_cast<size_t>(i)];
            const int v = verdicts[static_cast<size_t>(m.feature_id)];
            if (v < 0) {
                expected_ret = v;
                break;
            }
            if (v == 1) {
                ASSERT_EQ(lfs::remove_minutia(i, one_by_one), 0);
            } else {
                m.x = 100 + m.feature_id;
                ++i;
            }
        }
        EXPECT_EQ(ret, expected_ret);
        std::string why;
        EXPECT_TRUE(same_minutiae(one_pass, one_by_one, why)) << why;
        for (size_t i = 0; i < one_pass.list.size(); i++)
            EXPECT_EQ(one_pass.list[i].x, one_by_one.list[i].x);
    }
}
