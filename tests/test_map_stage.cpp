// This system's map stage on real images: the set-up it shares with the
// captured detector runs, the properties of its maps, and how closely its
// directions follow the reference detector's own map stage.
#include "extract/maps/map_stage.h"

#include "support/lfs_vectors.h"
#include "support/sdk_test_helpers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

struct Agreement {
    int both_valid = 0, equal = 0, within_one = 0;
    int ours_only = 0, theirs_only = 0, blocks = 0;
};

Agreement compare_directions(const std::vector<int> &ours, const std::vector<int> &theirs)
{
    Agreement a;
    for (size_t i = 0; i < ours.size(); ++i) {
        ++a.blocks;
        const int o = ours[i], t = theirs[i];
        if (o >= 0 && t >= 0) {
            ++a.both_valid;
            const int d = std::abs(o - t);
            const int dist = d < 16 - d ? d : 16 - d;
            a.equal += dist == 0;
            a.within_one += dist <= 1;
        } else if (o >= 0) {
            ++a.ours_only;
        } else if (t >= 0) {
            ++a.theirs_only;
        }
    }
    return a;
}

TEST(MapStage, SetUpMatchesTheCapturedRuns)
{
    for (const ridge_test::VectorFolder &f : ridge_test::vector_folders()) {
        SCOPED_TRACE(f.name);
        const int iw = f.meta_int("iw"), ih = f.meta_int("ih");
        const std::vector<unsigned char> image = ridge_test::load_u8(f.file("image.u8"));
        ridge::MapStageOutput out;
        ASSERT_EQ(ridge::run_map_stage(out, image.data(), iw, ih), 0);
        EXPECT_EQ(out.pad, f.meta_int("pad"));
        EXPECT_EQ(out.pw, f.meta_int("pw"));
        EXPECT_EQ(out.ph, f.meta_int("ph"));
        EXPECT_EQ(out.maps.mw, f.meta_int("mw"));
        EXPECT_EQ(out.maps.mh, f.meta_int("mh"));
        if (ridge_test::file_exists(f.file("padded6.u8")))
            EXPECT_EQ(out.padded6, ridge_test::load_u8(f.file("padded6.u8")));
        else
            EXPECT_EQ(out.padded6.size(), static_cast<size_t>(out.pw) * static_cast<size_t>(out.ph));
    }
}

TEST(MapStage, MapsAreConsistentWithOneAnother)
{
    for (const ridge_test::VectorFolder &f : ridge_test::vector_folders()) {
        SCOPED_TRACE(f.name);
        const std::vector<unsigned char> image = ridge_test::load_u8(f.file("image.u8"));
        lfs::BlockMaps maps;
        ASSERT_EQ(ridge::lfs_detect_maps_V2(maps, image.data(), f.meta_int("iw"), f.meta_int("ih")), 0);
        const size_t n = static_cast<size_t>(maps.mw) * static_cast<size_t>(maps.mh);
        ASSERT_EQ(maps.direction_map.size(), n);
        ASSERT_EQ(maps.low_contrast_map.size(), n);
        ASSERT_EQ(maps.low_flow_map.size(), n);
        ASSERT_EQ(maps.high_curve_map.size(), n);
        int valid = 0;
        for (size_t i = 0; i < n; ++i) {
            const int d = maps.direction_map[i];
            EXPECT_TRUE(d >= -1 && d < 16);
            EXPECT_TRUE(maps.low_contrast_map[i] == 0 || maps.low_contrast_map[i] == 1);
            EXPECT_TRUE(maps.low_flow_map[i] == 0 || maps.low_flow_map[i] == 1);
            EXPECT_TRUE(maps.high_curve_map[i] == 0 || maps.high_curve_map[i] == 1);
            // Low-contrast blocks are never analysed nor given a direction.
            if (maps.low_contrast_map[i] == 1) {
                EXPECT_EQ(d, -1) << "block " << i;
            }
            valid += d >= 0;
        }
        EXPECT_GT(valid, static_cast<int>(n / 4));
    }
}

TEST(MapStage, DirectionsFollowTheReferenceMapStage)
{
    // The reference detector's map stage differs by design (order of the
    // contrast and direction passes, fork test, floating point, invalid
    // margin), so its map is a sanity figure, not a target.
    Agreement all;
    for (const ridge_test::VectorFolder &f : ridge_test::vector_folders()) {
        const std::vector<unsigned char> image = ridge_test::load_u8(f.file("image.u8"));
        lfs::BlockMaps maps;
        ASSERT_EQ(ridge::lfs_detect_maps_V2(maps, image.data(), f.meta_int("iw"), f.meta_int("ih")), 0);
        const Agreement a = compare_directions(maps.direction_map, ridge_test::load_i32(f.file("map_direction.i32")));
        std::printf("%-22s blocks %5d both valid %5d equal %6.2f%% within one step %6.2f%% only ours %4d only "
                    "theirs %4d\n",
                    f.name.c_str(), a.blocks, a.both_valid, 100.0 * a.equal / a.both_valid,
                    100.0 * a.within_one / a.both_valid, a.ours_only, a.theirs_only);
        EXPECT_GT(a.within_one, a.both_valid * 9 / 10) << f.name;
        all.both_valid += a.both_valid;
        all.equal += a.equal;
        all.within_one += a.within_one;
    }
    if (all.both_valid > 0)
        std::printf("all folders: equal %.2f%%, within one step %.2f%% of %d blocks valid in both\n",
                    100.0 * all.equal / all.both_valid, 100.0 * all.within_one / all.both_valid, all.both_valid);
}

} // namespace
