// Minutia detection on synthetic binary images: the pattern scan, the rule
// for long runs of repeated second pairs, directions, the duplicate tests,
// the pixel-to-block lookup and degenerate images.
#include "extract/detector_params.h"
#include "lfs/detect.h"
#include "lfs/feature_patterns.h"
#include "lfs/maps.h"
#include "lfs/pixel_blocks.h"
#include "support/binary_art.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace {

using ridge_test::binary_art;
const lfs::LfsParams &P = ridge::DetectorParams;

// Uniform block maps for an iw x ih image.
struct Maps {
    int mw, mh;
    std::vector<int> dmap, fmap, cmap;
    lfs::PixelBlocks blocks;
    Maps(int iw, int ih, int direction, int low_flow = 0, int high_curve = 0)
        : mw((iw + 7) / 8), mh((ih + 7) / 8), dmap(static_cast<size_t>(mw * mh), direction),
          fmap(static_cast<size_t>(mw * mh), low_flow), cmap(static_cast<size_t>(mw * mh), high_curve)
    {
        EXPECT_EQ(blocks.init(iw, ih, mw, mh, 8), 0);
    }
    lfs::DetectMaps maps() const { return {dmap, fmap, cmap, blocks}; }
};

lfs::Minutiae detect(std::vector<unsigned char> &img, int iw, int ih, const Maps &m, int *ret = nullptr)
{
    lfs::Minutiae out;
    EXPECT_EQ(lfs::alloc_minutiae(out, lfs::MAX_MINUTIAE), 0);
    const int r = lfs::detect_minutiae_V2(out, img.data(), iw, ih, m.dmap, m.fmap, m.cmap, m.mw, m.mh, P);
    if (ret)
        *ret = r;
    else
        EXPECT_EQ(r, 0);
    return out;
}

TEST(FeaturePatterns, SecondPairsDifferAndPatternsAreDistinct)
{
    for (int i = 0; i < lfs::NFEATURES; i++) {
        const auto &f = lfs::feature_patterns[i];
        EXPECT_NE(f.second[0], f.second[1]) << i;
        // A ridge ending sits on ridge pixels: its second pair's ridge pixel
        // is on the row of the feature.
        for (int j = 0; j < i; j++) {
            const auto &g = lfs::feature_patterns[j];
            const bool same = f.first[0] == g.first[0] && f.first[1] == g.first[1] && f.second[0] == g.second[0] &&
                              f.second[1] == g.second[1] && f.third[0] == g.third[0] && f.third[1] == g.third[1];
            EXPECT_FALSE(same) << i << " " << j;
        }
    }
}

TEST(FeaturePatterns, ThreePairsSelectOnePattern)
{
    int possible[lfs::NFEATURES];
    int nposs = 0;
    // Ridge ending appearing: (0,0) (0,1) (0,0).
    EXPECT_EQ(lfs::match_1st_pair(0, 0, possible, &nposs), 2);
    EXPECT_EQ(lfs::match_2nd_pair(0, 1, possible, &nposs), 1);
    EXPECT_EQ(lfs::match_3rd_pair(0, 0, possible, &nposs), 1);
    EXPECT_EQ(possible[0], 0);
    // Bifurcation: (1,0) (0,1) (1,0) is pattern 8.
    EXPECT_EQ(lfs::match_1st_pair(1, 0, possible, &nposs), 2);
    EXPECT_EQ(lfs::match_2nd_pair(0, 1, possible, &nposs), 2);
    EXPECT_EQ(lfs::match_3rd_pair(1, 0, possible, &nposs), 1);
    EXPECT_EQ(possible[0], 8);
    // A second pair of equal values never matches.
    lfs::match_1st_pair(1, 1, possible, &nposs);
    EXPECT_EQ(lfs::match_2nd_pair(1, 1, possible, &nposs), 0);
}

TEST(FeaturePatterns, BitSetsAgreeWithListMatching)
{
    // Every sequence of three pairs, values 0, 1 and a stray 2.
    for (int code = 0; code < 729; code++) {
        int v[6], rest = code;
        for (int &x : v) {
            x = rest % 3;
            rest /= 3;
        }
        const auto u = [&](int i) { return static_cast<unsigned char>(v[i]); };
        int possible[lfs::NFEATURES];
        int nposs = 0;
        int want = -1;
        if (lfs::match_1st_pair(u(0), u(1), possible, &nposs) && lfs::match_2nd_pair(u(2), u(3), possible, &nposs) &&
            lfs::match_3rd_pair(u(4), u(5), possible, &nposs))
            want = possible[0];
        const unsigned mask = lfs::first_pair_mask(u(0), u(1)) & lfs::second_pair_mask(u(2), u(3)) &
                              lfs::third_pair_mask(u(4), u(5));
        int got = -1;
        for (int i = lfs::NFEATURES - 1; i >= 0; i--)
            if (mask & (1u << i))
                got = i;
        EXPECT_EQ(got, want) << code;
        // The first two pairs alone narrow the same way too.
        lfs::match_1st_pair(u(0), u(1), possible, &nposs);
        lfs::match_2nd_pair(u(2), u(3), possible, &nposs);
        unsigned two = lfs::first_pair_mask(u(0), u(1)) & lfs::second_pair_mask(u(2), u(3));
        EXPECT_EQ(__builtin_popcount(two), nposs) << code;
    }
}

TEST(MinutiaDirection, LowCurvatureFollowsScanAndPolarity)
{
    // Row scan: appearing features run downwards, disappearing ones upwards.
    EXPECT_EQ(lfs::get_low_curvature_direction(lfs::SCAN_HORIZONTAL, lfs::APPEARING, 0, 16), 16);
    EXPECT_EQ(lfs::get_low_curvature_direction(lfs::SCAN_HORIZONTAL, lfs::DISAPPEARING, 0, 16), 0);
    EXPECT_EQ(lfs::get_low_curvature_direction(lfs::SCAN_HORIZONTAL, lfs::APPEARING, 8, 16), 24);
    EXPECT_EQ(lfs::get_low_curvature_direction(lfs::SCAN_HORIZONTAL, lfs::APPEARING, 12, 16), 12);
    EXPECT_EQ(lfs::get_low_curvature_direction(lfs::SCAN_HORIZONTAL, lfs::DISAPPEARING, 12, 16), 28);
    // Column scan: appearing features run right, disappearing ones left.
    EXPECT_EQ(lfs::get_low_curvature_direction(lfs::SCAN_VERTICAL, lfs::APPEARING, 8, 16), 8);
    EXPECT_EQ(lfs::get_low_curvature_direction(lfs::SCAN_VERTICAL, lfs::DISAPPEARING, 8, 16), 24);
    EXPECT_EQ(lfs::get_low_curvature_direction(lfs::SCAN_VERTICAL, lfs::APPEARING, 4, 16), 4);
    EXPECT_EQ(lfs::get_low_curvature_direction(lfs::SCAN_VERTICAL, lfs::DISAPPEARING, 12, 16), 28);
}

TEST(MinutiaDirection, ScanChoiceAndAppearing)
{
    EXPECT_EQ(lfs::choose_scan_direction(0, 16), lfs::SCAN_HORIZONTAL);
    EXPECT_EQ(lfs::choose_scan_direction(4, 16), lfs::SCAN_HORIZONTAL);
    EXPECT_EQ(lfs::choose_scan_direction(5, 16), lfs::SCAN_VERTICAL);
    EXPECT_EQ(lfs::choose_scan_direction(12, 16), lfs::SCAN_VERTICAL);
    EXPECT_EQ(lfs::choose_scan_direction(13, 16), lfs::SCAN_HORIZONTAL);
    EXPECT_EQ(lfs::is_minutia_appearing(5, 5, 5, 4), lfs::APPEARING);
    EXPECT_EQ(lfs::is_minutia_appearing(5, 5, 4, 5), lfs::APPEARING);
    EXPECT_EQ(lfs::is_minutia_appearing(5, 5, 5, 6), lfs::DISAPPEARING);
    EXPECT_EQ(lfs::is_minutia_appearing(5, 5, 6, 5), lfs::DISAPPEARING);
    EXPECT_LT(lfs::is_minutia_appearing(5, 5, 5, 5), 0);
}

// A vertical ridge, 3 pixels wide, from row 10 to the bottom of a 32x32
// image: one ridge ending at its top.
std::vector<unsigned char> ridge_from_row_10()
{
    std::vector<unsigned char> img(32 * 32, 0);
    for (int y = 10; y < 32; y++)
        for (int x = 14; x <= 16; x++)
            img[static_cast<size_t>(y * 32 + x)] = 1;
    return img;
}

TEST(DetectMinutiae, RidgeEndingInStraightFlow)
{
    auto img = ridge_from_row_10();
    const Maps m(32, 32, 0);
    const auto found = detect(img, 32, 32, m);
    ASSERT_EQ(found.num(), 1);
    const auto &e = found.list[0];
    EXPECT_EQ(e.x, 15);
    EXPECT_EQ(e.y, 10);
    EXPECT_EQ(e.ex, 15);
    EXPECT_EQ(e.ey, 9);
    EXPECT_EQ(e.type, lfs::RIDGE_ENDING);
    EXPECT_EQ(e.appearing, lfs::APPEARING);
    EXPECT_EQ(e.feature_id, 0);
    EXPECT_EQ(e.direction, 16); // down, into the ridge
    EXPECT_EQ(e.reliability, lfs::HIGH_RELIABILITY);
}

TEST(DetectMinutiae, LowFlowLowersReliabilityAndInvalidBlocksDrop)
{
    auto img = ridge_from_row_10();
    const Maps low(32, 32, 0, 1);
    const auto found = detect(img, 32, 32, low);
    ASSERT_EQ(found.num(), 1);
    EXPECT_EQ(found.list[0].reliability, lfs::MEDIUM_RELIABILITY);
    const Maps invalid(32, 32, lfs::INVALID_DIR);
    EXPECT_EQ(detect(img, 32, 32, invalid).num(), 0);
}

TEST(DetectMinutiae, HighCurvatureMovesToTheTip)
{
    // A ridge with a rounded tip; in a high-curvature block the minutia
    // moves to the sharpest point of its contour and points into the ridge.
    std::vector<std::string> rows(32, std::string(32, '.'));
    for (int y = 8; y < 32; y++)
        for (int x = 13; x <= 17; x++)
            rows[static_cast<size_t>(y)][static_cast<size_t>(x)] = '#';
    rows[8] = std::string(13, '.') + ".###." + std::string(14, '.');
    auto art = binary_art(rows);
    const Maps m(32, 32, 0, 0, 1);
    const auto found = detect(art.pixels, 32, 32, m);
    ASSERT_GE(found.num(), 1);
    const auto &e = found.list[0];
    EXPECT_EQ(e.type, lfs::RIDGE_ENDING);
    EXPECT_GE(e.y, 8);
    EXPECT_LE(e.y, 9);
    EXPECT_GE(e.x, 13);
    EXPECT_LE(e.x, 17);
    EXPECT_NEAR(e.direction, 16, 2);
    EXPECT_EQ(art.at(e.x, e.y), 1);
    EXPECT_EQ(std::abs(e.x - e.ex) + std::abs(e.y - e.ey), 1);
}

// Ridge everywhere but a 3x3 valley lake in the middle of a 32x32 image.
std::vector<unsigned char> small_lake()
{
    std::vector<unsigned char> img(32 * 32, 1);
    for (int y = 15; y <= 17; y++)
        for (int x = 15; x <= 17; x++)
            img[static_cast<size_t>(y * 32 + x)] = 0;
    return img;
}

TEST(DetectMinutiae, LakeInStraightFlowGivesBifurcations)
{
    auto img = small_lake();
    const auto before = img;
    const Maps m(32, 32, 0);
    const auto found = detect(img, 32, 32, m);
    EXPECT_EQ(img, before);
    ASSERT_GE(found.num(), 2);
    for (const auto &e : found.list) {
        EXPECT_EQ(e.type, lfs::BIFURCATION);
        EXPECT_EQ(img[static_cast<size_t>(e.y * 32 + e.x)], 0);
    }
}

TEST(DetectMinutiae, SmallLoopInCurvedFlowIsFilledAndYieldsNothing)
{
    // In a high-curvature block the lake's contour closes within the half
    // contour: a loop too short to hold minutiae, so it is filled in.
    auto img = small_lake();
    const Maps m(32, 32, 0, 0, 1);
    const auto found = detect(img, 32, 32, m);
    EXPECT_EQ(found.num(), 0);
    EXPECT_EQ(img, std::vector<unsigned char>(32 * 32, 1));
}

// Row 2 of a width x 4 image holds a ridge of run_len pixels from x = 5,
// then, one pixel after it, a second ridge of 3 pixels.
std::vector<unsigned char> long_run(int width, int run_len)
{
    std::vector<unsigned char> img(static_cast<size_t>(width * 4), 0);
    for (int x = 5; x < 5 + run_len; x++)
        img[static_cast<size_t>(2 * width + x)] = 1;
    for (int x = 5 + run_len + 1; x < 5 + run_len + 4; x++)
        img[static_cast<size_t>(2 * width + x)] = 1;
    return img;
}

std::vector<int> xs_of(const lfs::Minutiae &m)
{
    std::vector<int> xs;
    for (const auto &e : m.list)
        xs.push_back(e.x);
    return xs;
}

TEST(RepeatedSecondPairs, RunOf499RepeatsIsStillTested)
{
    // A ridge of 500 pixels: its second pair repeats 499 times.
    const int width = 520;
    auto img = long_run(width, 500);
    const Maps m(width, 8, 0);
    lfs::Minutiae found;
    ASSERT_EQ(lfs::scan4minutiae_horizontally_V2(found, img.data(), width, 4, m.maps(), P), 0);
    // Above and below each ridge: the long one's middle, then the short one.
    const int mid_long = (5 + 505) >> 1, mid_short = (506 + 509) >> 1;
    EXPECT_EQ(xs_of(found), (std::vector<int>{mid_long, mid_short, mid_long, mid_short}));
}

TEST(RepeatedSecondPairs, RunOf500RepeatsIsDroppedAndTheScanGoesOn)
{
    const int width = 520;
    auto img = long_run(width, 501);
    const Maps m(width, 8, 0);
    lfs::Minutiae found;
    ASSERT_EQ(lfs::scan4minutiae_horizontally_V2(found, img.data(), width, 4, m.maps(), P), 0);
    // The pair right after the run starts the next candidate.
    const int mid_short = (507 + 510) >> 1;
    EXPECT_EQ(xs_of(found), (std::vector<int>{mid_short, mid_short}));
    ASSERT_EQ(found.num(), 2);
    EXPECT_EQ(found.list[0].y, 2);
    EXPECT_EQ(found.list[0].appearing, lfs::APPEARING);
    EXPECT_EQ(found.list[1].appearing, lfs::DISAPPEARING);
}

TEST(RepeatedSecondPairs, ColumnScanAppliesTheSameRule)
{
    // The same image turned a quarter: a long vertical ridge in column 2.
    const int height = 520;
    for (int run : {500, 501}) {
        auto rows = long_run(height, run);
        std::vector<unsigned char> img(static_cast<size_t>(4 * height), 0);
        for (int y = 0; y < height; y++)
            for (int x = 0; x < 4; x++)
                img[static_cast<size_t>(y * 4 + x)] = rows[static_cast<size_t>(x * height + y)];
        const Maps m(8, height, 8);
        lfs::Minutiae found;
        ASSERT_EQ(lfs::scan4minutiae_vertically_V2(found, img.data(), 4, height, m.maps(), P), 0);
        EXPECT_EQ(found.num(), run == 500 ? 4 : 2) << run;
    }
}

TEST(UpdateMinutiae, DuplicatesAndLookAlikes)
{
    auto img = ridge_from_row_10();
    lfs::Minutiae list;
    lfs::alloc_minutiae(list, 2);
    lfs::Minutia a, b, far;
    lfs::create_minutia(a, 15, 10, 15, 9, 16, 0.99f, lfs::RIDGE_ENDING, 1, 0);
    ASSERT_EQ(lfs::update_minutiae_V2(list, a, lfs::SCAN_HORIZONTAL, 0, img.data(), 32, 32, P), 0);
    // Same point, similar direction: not added.
    EXPECT_EQ(lfs::update_minutiae_V2(list, a, lfs::SCAN_VERTICAL, 0, img.data(), 32, 32, P), lfs::IGNORE);
    // A point two steps along the same contour, found by the column scan
    // where the flow favours the row scan: the listed one stays.
    lfs::create_minutia(b, 14, 11, 13, 11, 18, 0.99f, lfs::RIDGE_ENDING, 1, 0);
    EXPECT_EQ(lfs::update_minutiae_V2(list, b, lfs::SCAN_VERTICAL, 0, img.data(), 32, 32, P), lfs::IGNORE);
    ASSERT_EQ(list.num(), 1);
    // Found by the favoured scan: it replaces the listed one.
    EXPECT_EQ(lfs::update_minutiae_V2(list, b, lfs::SCAN_HORIZONTAL, 0, img.data(), 32, 32, P), 0);
    ASSERT_EQ(list.num(), 1);
    EXPECT_EQ(list.list[0].x, 14);
    // Opposite direction or far away: a different minutia; the list grows
    // past its first allocation.
    lfs::create_minutia(far, 15, 30, 15, 31, 0, 0.99f, lfs::RIDGE_ENDING, 0, 1);
    EXPECT_EQ(lfs::update_minutiae_V2(list, far, lfs::SCAN_HORIZONTAL, 0, img.data(), 32, 32, P), 0);
    lfs::create_minutia(far, 14, 11, 13, 11, 2, 0.99f, lfs::RIDGE_ENDING, 1, 0);
    EXPECT_EQ(lfs::update_minutiae_V2(list, far, lfs::SCAN_HORIZONTAL, 0, img.data(), 32, 32, P), 0);
    EXPECT_EQ(list.num(), 3);
    EXPECT_GE(list.alloc, 3);
    // The plain test never replaces: a look-alike on the contour is ignored.
    lfs::create_minutia(a, 16, 11, 17, 11, 14, 0.99f, lfs::RIDGE_ENDING, 1, 0);
    EXPECT_EQ(lfs::update_minutiae(list, a, img.data(), 32, 32, P), lfs::IGNORE);
}

TEST(PixelBlocks, AgreesWithPixelizedMaps)
{
    for (const auto &size : std::vector<std::pair<int, int>>{{8, 8}, {9, 17}, {16, 16}, {388, 374}, {31, 8}}) {
        const int iw = size.first, ih = size.second;
        const int mw = (iw + 7) / 8, mh = (ih + 7) / 8;
        std::vector<int> ids(static_cast<size_t>(mw * mh));
        for (size_t i = 0; i < ids.size(); i++)
            ids[i] = static_cast<int>(i);
        std::vector<int> pmap;
        ASSERT_EQ(lfs::pixelize_map(pmap, iw, ih, ids, mw, mh, 8), 0);
        lfs::PixelBlocks blocks;
        ASSERT_EQ(blocks.init(iw, ih, mw, mh, 8), 0);
        int differ = 0;
        for (int y = 0; y < ih; y++)
            for (int x = 0; x < iw; x++)
                differ += blocks.index(x, y) != pmap[static_cast<size_t>(y * iw + x)];
        EXPECT_EQ(differ, 0) << iw << "x" << ih;
    }
    lfs::PixelBlocks blocks;
    EXPECT_LT(blocks.init(7, 8, 1, 1, 8), 0);
    EXPECT_LT(blocks.init(16, 16, 3, 2, 8), 0);
}

TEST(DetectMinutiae, DegenerateImages)
{
    struct Case {
        int w, h;
        unsigned char value;
        bool fails;
    };
    for (const Case &c : {Case{1, 1, 1, true}, Case{20, 1, 0, true}, Case{1, 20, 1, true}, Case{0, 8, 0, true},
                          Case{8, -8, 0, true}, Case{8, 8, 1, false}, Case{8, 8, 0, false}, Case{24, 24, 1, false},
                          Case{24, 24, 0, false}}) {
        std::vector<unsigned char> img(static_cast<size_t>(std::max(1, c.w * c.h)), c.value);
        const int w = std::max(c.w, 8), h = std::max(c.h, 8);
        const Maps m(w, h, 0);
        int ret = 0;
        const auto found = detect(img, c.w, c.h, m, &ret);
        if (c.fails) {
            EXPECT_LT(ret, 0) << c.w << "x" << c.h;
        } else {
            EXPECT_EQ(ret, 0) << c.w << "x" << c.h;
        }
        EXPECT_EQ(found.num(), 0) << c.w << "x" << c.h;
    }
    // Maps smaller than the image's block layout are refused.
    std::vector<unsigned char> img(64, 0);
    lfs::Minutiae out;
    const std::vector<int> small(0);
    EXPECT_LT(lfs::detect_minutiae_V2(out, img.data(), 8, 8, small, small, small, 1, 1, P), 0);
}

TEST(DetectMinutiae, NoiseStaysInsideAndGivesValidMinutiae)
{
    // Random ridge/valley pixels with every map flag on: many traces, loops
    // and fills; every minutia must sit on a pixel of its type next to an
    // edge pixel of the other value.
    const int iw = 64, ih = 48;
    std::vector<unsigned char> img(static_cast<size_t>(iw * ih));
    unsigned state = 12345u;
    for (auto &p : img) {
        state = state * 1103515245u + 12345u;
        p = static_cast<unsigned char>((state >> 16) & 1u);
    }
    const Maps m(iw, ih, 3, 1, 1);
    const auto found = detect(img, iw, ih, m);
    for (const auto &e : found.list) {
        ASSERT_TRUE(e.x >= 0 && e.x < iw && e.y >= 0 && e.y < ih);
        EXPECT_EQ(std::abs(e.x - e.ex) + std::abs(e.y - e.ey), 1);
        EXPECT_GE(e.direction, 0);
        EXPECT_LT(e.direction, 32);
    }
}

// Binary noise: each pixel ridge with probability 1/2, or, with `smooth`,
// ridge where most of its 3 x 3 neighbourhood of random pixels is, which
// gives longer contours and more look-alikes along them.
std::vector<unsigned char> binary_noise(int iw, int ih, unsigned seed, bool smooth)
{
    std::vector<unsigned char> raw(static_cast<size_t>(iw * ih));
    for (auto &p : raw) {
        seed = seed * 1103515245u + 12345u;
        p = static_cast<unsigned char>((seed >> 16) & 1u);
    }
    if (!smooth)
        return raw;
    std::vector<unsigned char> img(raw.size());
    for (int y = 0; y < ih; y++)
        for (int x = 0; x < iw; x++) {
            int sum = 0;
            for (int v = -1; v <= 1; v++)
                for (int u = -1; u <= 1; u++) {
                    const int xx = std::min(std::max(x + u, 0), iw - 1), yy = std::min(std::max(y + v, 0), ih - 1);
                    sum += raw[static_cast<size_t>(yy * iw + xx)];
                }
            img[static_cast<size_t>(y * iw + x)] = sum >= 5;
        }
    return img;
}

void expect_same_lists(const lfs::Minutiae &a, const lfs::Minutiae &b)
{
    ASSERT_EQ(a.num(), b.num());
    for (size_t i = 0; i < a.list.size(); i++) {
        const lfs::Minutia &p = a.list[i], &q = b.list[i];
        EXPECT_TRUE(p.x == q.x && p.y == q.y && p.ex == q.ex && p.ey == q.ey && p.direction == q.direction &&
                    p.reliability == q.reliability && p.type == q.type && p.appearing == q.appearing &&
                    p.feature_id == q.feature_id)
            << "entry " << i;
    }
}

TEST(DetectMinutiae, IndexedUpdatesListWhatThePlainScanOfTheListDoes)
{
    // The detection finds look-alikes through its index; the two scans run
    // here on a bare list compare each candidate with every listed minutia.
    // Block directions vary so that both scans win replacements, and some
    // blocks are curved (minutiae move, loops add pairs) or invalid. A
    // second detection on the same list starts from indexed entries.
    const int iw = 150, ih = 110;
    for (const bool smooth : {false, true}) {
        Maps m(iw, ih, 0);
        unsigned state = smooth ? 77u : 5u;
        for (size_t b = 0; b < m.dmap.size(); b++) {
            state = state * 1103515245u + 12345u;
            m.dmap[b] = static_cast<int>((state >> 16) % 17) - 1; // INVALID_DIR or 0..15
            m.fmap[b] = (state >> 8) & 1u;
            m.cmap[b] = ((state >> 10) & 7u) == 0;
        }
        lfs::Minutiae indexed, plain;
        ASSERT_EQ(lfs::alloc_minutiae(indexed, lfs::MAX_MINUTIAE), 0);
        ASSERT_EQ(lfs::alloc_minutiae(plain, lfs::MAX_MINUTIAE), 0);
        for (const unsigned seed : {1u, 2u}) {
            auto first = binary_noise(iw, ih, seed, smooth);
            auto second = first;
            ASSERT_EQ(lfs::detect_minutiae_V2(indexed, first.data(), iw, ih, m.dmap, m.fmap, m.cmap, m.mw, m.mh, P),
                      0);
            EXPECT_EQ(indexed.index, nullptr);
            ASSERT_EQ(lfs::scan4minutiae_horizontally_V2(plain, second.data(), iw, ih, m.maps(), P), 0);
            ASSERT_EQ(lfs::scan4minutiae_vertically_V2(plain, second.data(), iw, ih, m.maps(), P), 0);
            EXPECT_EQ(first, second) << "loops filled alike";
            expect_same_lists(indexed, plain);
        }
        EXPECT_GT(plain.num(), 200) << smooth;
    }
}

} // namespace
