// The inspection interface: the maps, binary image and minutiae it hands out
// are those the extraction used (the detector and the reliability stage run
// again beside it), its template is generateRawFPT's, the fates of the
// dropped minutiae are those of the screening steps, the pairs are the
// matcher's best pairing with matchRawFPTs's score, and the pictures carry
// their marks where the minutiae are. Real images: the committed samples,
// and the shared sets when present.
#include "ridgeinspect.h"

#include "extract/detect_minutiae_driver.h"
#include "extract/detector_params.h"
#include "extract/extract_minutiae.h"
#include "extract/maps/map_stage.h"
#include "extract/minutiae/ridge_ending_screening.h"
#include "inspect/render.h"
#include "lfs/maps.h"
#include "lfs/remove.h"
#include "matcher/pairing.h"
#include "support/grey_bmp.h"
#include "support/png_rgb.h"
#include "support/sdk_test_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

using ridge_test::GreyImage;

namespace {

struct Closer {
    void operator()(ridge_inspection *p) const { ridge_inspection_close(p); }
};
using Inspection = std::unique_ptr<ridge_inspection, Closer>;

struct Picture {
    ridge_picture p{0, 0, nullptr};
    ~Picture() { ridge_picture_release(&p); }
};

Inspection inspect(const GreyImage &img)
{
    ridge_inspection *made = nullptr;
    EXPECT_EQ(ridge_inspect(img.pixels.data(), img.width, img.height, &made), RIDGE_OK) << ridge_last_error();
    return Inspection(made);
}

std::vector<RawMinutia> inspection_template(const ridge_inspection *in)
{
    TemplateBuffer t{nullptr, 0, -1};
    EXPECT_EQ(ridge_inspection_template(in, &t), RIDGE_OK);
    EXPECT_EQ(t.format, FPT_FORMAT_RAW);
    std::vector<RawMinutia> out = ridge_test::raw_minutiae(t.data, t.size);
    ridge_free(t.data);
    return out;
}

std::vector<std::string> sample_images()
{
    return ridge_test::bmp_files(std::string(RIDGESDK_TEST_DATA) + "/samples");
}

// The committed samples, then every image of the shared sets.
std::vector<std::string> real_images()
{
    std::vector<std::string> out = sample_images();
    for (const std::string &set : ridge_test::shared_image_sets())
        for (const std::string &path : ridge_test::shared_set_images(set))
            out.push_back(path);
    return out;
}

GreyImage load(const std::string &path)
{
    GreyImage img;
    EXPECT_TRUE(ridge_test::load_grey_bmp(path, img)) << path;
    return img;
}

std::vector<int> borrowed_map(const ridge_inspection *in, int32_t which, int32_t &mw, int32_t &mh)
{
    const int32_t *cells = nullptr;
    EXPECT_EQ(ridge_inspection_map(in, which, &cells, &mw, &mh), RIDGE_OK);
    return std::vector<int>(cells, cells + static_cast<size_t>(mw) * static_cast<size_t>(mh));
}

bool same_detection(const lfs::Minutia &a, const lfs::Minutia &b)
{
    return a.x == b.x && a.y == b.y && a.direction == b.direction && a.type == b.type &&
           a.reliability == b.reliability;
}

// Which minutiae of `from` a removal step kept (it only removes).
std::vector<bool> kept_by(const lfs::Minutiae &from, const lfs::Minutiae &after)
{
    std::vector<bool> kept(from.list.size(), false);
    size_t k = 0;
    for (size_t i = 0; i < from.list.size() && k < after.list.size(); ++i)
        if (same_detection(from.list[i], after.list[k])) {
            kept[i] = true;
            ++k;
        }
    EXPECT_EQ(k, after.list.size());
    return kept;
}

// Checks one image's inspection against the detector and the reliability
// stage run again, and against generateRawFPT. Adds the fates to counts.
void check_against_pipeline(const GreyImage &img, std::map<int32_t, int> &fates)
{
    SCOPED_TRACE(img.name);
    Inspection in = inspect(img);
    ASSERT_TRUE(in);

    // The template, byte for byte.
    TemplateBuffer generated{nullptr, 0, 0};
    ASSERT_EQ(generateRawFPT(img.pixels.data(), img.width, img.height, &generated), FPT_OK);
    const std::vector<RawMinutia> expected = ridge_test::raw_minutiae(generated.data, generated.size);
    free_FPAPI_mem(generated.data);
    const std::vector<RawMinutia> raw = inspection_template(in.get());
    ASSERT_EQ(raw.size(), expected.size());
    EXPECT_EQ(std::memcmp(raw.data(), expected.data(), raw.size() * sizeof(RawMinutia)), 0);

    // The detector again: maps, binary image, minutiae; then the quality map
    // and the reliabilities.
    ridge::DetectorResult detected;
    ASSERT_EQ(ridge::lfs_detect_minutiae_V2(detected, img.pixels.data(), img.width, img.height,
                                            ridge::DetectorParams),
              0);
    const lfs::BlockMaps &maps = detected.maps;
    std::vector<int> quality;
    ASSERT_EQ(lfs::gen_quality_map(quality, maps.direction_map, maps.low_contrast_map, maps.low_flow_map,
                                   maps.high_curve_map, maps.mw, maps.mh),
              0);
    ASSERT_EQ(lfs::combined_miutia_quality(detected.minutiae, quality, maps.mw, maps.mh,
                                           ridge::DetectorParams.blocksize, img.pixels.data(), img.width,
                                           img.height, ridge::kPixelsPerMillimetre),
              0);

    const std::pair<int32_t, const std::vector<int> *> kMaps[] = {
        {RIDGE_MAP_DIRECTION, &maps.direction_map}, {RIDGE_MAP_LOW_CONTRAST, &maps.low_contrast_map},
        {RIDGE_MAP_LOW_FLOW, &maps.low_flow_map},   {RIDGE_MAP_HIGH_CURVE, &maps.high_curve_map},
        {RIDGE_MAP_QUALITY, &quality}};
    for (const auto &[which, map] : kMaps) {
        int32_t mw = 0, mh = 0;
        EXPECT_EQ(borrowed_map(in.get(), which, mw, mh), *map) << "map " << which;
        EXPECT_EQ(mw, maps.mw);
        EXPECT_EQ(mh, maps.mh);
    }
    // The map stage on its own gives the same maps (the quality figure's road).
    lfs::BlockMaps alone;
    ASSERT_EQ(ridge::lfs_detect_maps_V2(alone, img.pixels.data(), img.width, img.height), 0);
    EXPECT_EQ(alone.direction_map, maps.direction_map);

    const unsigned char *binary = nullptr;
    int32_t bw = 0, bh = 0;
    ASSERT_EQ(ridge_inspection_binary(in.get(), &binary, &bw, &bh), RIDGE_OK);
    ASSERT_EQ(bw, img.width);
    ASSERT_EQ(bh, img.height);
    EXPECT_TRUE(std::equal(detected.bdata.begin(), detected.bdata.end(), binary));

    const ridge_candidate *list = nullptr;
    int32_t count = -1;
    ASSERT_EQ(ridge_inspection_candidates(in.get(), &list, &count), RIDGE_OK);
    ASSERT_EQ(count, detected.minutiae.num());

    // The screening steps again, for the fates.
    lfs::Minutiae after_void = detected.minutiae;
    ridge::remove_endings_near_void(after_void, quality, maps.mw, ridge::DetectorParams.blocksize, img.width,
                                    img.height);
    lfs::Minutiae after_side = after_void;
    ridge::remove_open_side_endings(after_side, detected.bdata.data(), img.width, img.height);
    const std::vector<bool> past_void = kept_by(detected.minutiae, after_void);
    const std::vector<bool> past_side = kept_by(after_void, after_side);

    std::vector<int> template_uses(raw.size(), 0);
    size_t v = 0;
    for (int32_t i = 0; i < count; ++i) {
        const lfs::Minutia &m = detected.minutiae.list[static_cast<size_t>(i)];
        const ridge_candidate &c = list[i];
        SCOPED_TRACE("candidate " + std::to_string(i));
        EXPECT_EQ(c.x, m.x);
        EXPECT_EQ(c.y, m.y);
        EXPECT_EQ(c.direction, m.direction);
        EXPECT_EQ(c.type, m.type == lfs::RIDGE_ENDING ? FPT_MINUTIA_RIDGE_ENDING : FPT_MINUTIA_BIFURCATION);
        EXPECT_EQ(c.reliability, m.reliability);
        ++fates[c.fate];
        int32_t expected_fate = RIDGE_CANDIDATE_NEAR_VOID;
        if (past_void[static_cast<size_t>(i)])
            expected_fate = past_side[v++] ? -1 : RIDGE_CANDIDATE_OPEN_SIDE;
        if (expected_fate != -1) {
            EXPECT_EQ(c.fate, expected_fate);
            EXPECT_EQ(c.template_index, -1);
            continue;
        }
        // Past the screening: in the template, unless the cap took it.
        if (c.fate == RIDGE_CANDIDATE_OVER_CAP) {
            EXPECT_EQ(raw.size(), 128u);
            EXPECT_EQ(c.template_index, -1);
            continue;
        }
        ASSERT_EQ(c.fate, RIDGE_CANDIDATE_KEPT);
        ASSERT_GE(c.template_index, 0);
        ASSERT_LT(c.template_index, static_cast<int32_t>(raw.size()));
        const RawMinutia &r = raw[static_cast<size_t>(c.template_index)];
        EXPECT_EQ(r.x, c.x);
        EXPECT_EQ(r.y, c.y);
        EXPECT_EQ(r.type, c.type);
        ++template_uses[static_cast<size_t>(c.template_index)];
    }
    EXPECT_EQ(v, after_void.list.size());
    EXPECT_EQ(std::count(template_uses.begin(), template_uses.end(), 1), static_cast<long>(raw.size()))
        << "every template minutia is one kept candidate";
}

TEST(Inspection, HandsOutWhatTheExtractionUsed)
{
    std::map<int32_t, int> fates;
    size_t images = 0;
    for (const std::string &path : real_images()) {
        const GreyImage img = load(path);
        check_against_pipeline(img, fates);
        ++images;
        if (HasFatalFailure())
            return;
    }
    EXPECT_GE(images, 9u);
    // Both screening steps drop something on real prints.
    EXPECT_GT(fates[RIDGE_CANDIDATE_KEPT], 0);
    EXPECT_GT(fates[RIDGE_CANDIDATE_NEAR_VOID], 0);
    EXPECT_GT(fates[RIDGE_CANDIDATE_OPEN_SIDE], 0);
    std::printf("%zu images: %d kept, %d near a void, %d open, %d over the cap\n", images,
                fates[RIDGE_CANDIDATE_KEPT], fates[RIDGE_CANDIDATE_NEAR_VOID], fates[RIDGE_CANDIDATE_OPEN_SIDE],
                fates[RIDGE_CANDIDATE_OVER_CAP]);
}

// The extraction's products leave the minutiae as they are without them.
TEST(Inspection, ProductsChangeNothing)
{
    const GreyImage img = load(sample_images().front());
    lfs::Minutiae plain, observed;
    ridge::ExtractionProducts products;
    ASSERT_EQ(ridge::extract_minutiae(plain, img.pixels.data(), img.width, img.height), 0);
    ASSERT_EQ(ridge::extract_minutiae(observed, img.pixels.data(), img.width, img.height, nullptr, &products), 0);
    ASSERT_EQ(plain.num(), observed.num());
    for (int i = 0; i < plain.num(); ++i) {
        EXPECT_TRUE(same_detection(plain.list[static_cast<size_t>(i)], observed.list[static_cast<size_t>(i)]));
        EXPECT_EQ(plain.list[static_cast<size_t>(i)].angle, observed.list[static_cast<size_t>(i)].angle);
    }
    EXPECT_EQ(products.binary.size(), img.pixels.size());
    EXPECT_GE(products.before_screening.num(), products.after_void_screening.num());
    EXPECT_GE(products.after_void_screening.num(), products.after_side_screening.num());

    // A failed extraction leaves no products behind.
    const unsigned char tiny[4] = {0, 255, 0, 255};
    ridge_set_diagnostic_handler(ridge_diagnostic_drop, nullptr);
    EXPECT_NE(ridge::extract_minutiae(observed, tiny, 2, 2, nullptr, &products), 0);
    ridge_set_diagnostic_handler(nullptr, nullptr);
    EXPECT_TRUE(products.binary.empty());
    EXPECT_TRUE(products.maps.direction_map.empty());
    EXPECT_EQ(products.before_screening.num(), 0);
}

struct MatchOutcome {
    double score = -1;
    std::vector<ridge_minutia_pair> pairs;
};

MatchOutcome match_pairs(std::vector<RawMinutia> a, std::vector<RawMinutia> b)
{
    std::vector<unsigned char> ba = ridge_test::raw_block(a), bb = ridge_test::raw_block(b);
    const TemplateBuffer ta = ridge_test::input_record(ba, FPT_FORMAT_RAW);
    const TemplateBuffer tb = ridge_test::input_record(bb, FPT_FORMAT_RAW);
    MatchOutcome out;
    ridge_minutia_pair pairs[FPT_MAX_MINUTIAE];
    int32_t n = -1;
    EXPECT_EQ(ridge_match_pairs(&ta, &tb, &out.score, pairs, &n), RIDGE_OK) << ridge_last_error();
    out.pairs.assign(pairs, pairs + std::max(n, 0));
    double expected = -1;
    EXPECT_EQ(matchRawFPTs(&ta, &tb, &expected), FPT_OK);
    EXPECT_EQ(out.score, expected) << "the score is matchRawFPTs's";
    return out;
}

// The pairs are one to one, ascending in the first template, and their
// points give back the score (for templates not topped up).
void check_pairs_give_score(const std::vector<RawMinutia> &a, const std::vector<RawMinutia> &b,
                            const MatchOutcome &m)
{
    std::set<int32_t> firsts, seconds;
    int32_t points = 0;
    for (size_t k = 0; k < m.pairs.size(); ++k) {
        const ridge_minutia_pair &p = m.pairs[k];
        ASSERT_GE(p.first, 0);
        ASSERT_LT(p.first, static_cast<int32_t>(a.size()));
        ASSERT_GE(p.second, 0);
        ASSERT_LT(p.second, static_cast<int32_t>(b.size()));
        EXPECT_TRUE(firsts.insert(p.first).second);
        EXPECT_TRUE(seconds.insert(p.second).second);
        if (k > 0) {
            EXPECT_LT(m.pairs[k - 1].first, p.first);
        }
        points += ridge::pair_points(a[static_cast<size_t>(p.first)].type, b[static_cast<size_t>(p.second)].type);
        // Paired minutiae point alike, within the pairing's 25 degrees plus
        // the alignment's turn: at most 90 + 25 apart.
        int d = std::abs(a[static_cast<size_t>(p.first)].angle - b[static_cast<size_t>(p.second)].angle) % 360;
        EXPECT_LE(std::min(d, 360 - d), 115);
    }
    if (a.size() > 8 && b.size() > 8) {
        const double c = points;
        EXPECT_EQ((c / static_cast<double>(b.size()) + c / static_cast<double>(a.size())) * 50 / 1000, m.score);
    }
}

TEST(MatchPairs, RealPairsAreTheBestPairingWithTheExportsScore)
{
    std::vector<std::vector<RawMinutia>> templates;
    std::vector<std::string> names;
    for (const std::string &path : real_images()) {
        if (templates.size() >= 40)
            break;
        const GreyImage img = load(path);
        Inspection in = inspect(img);
        templates.push_back(inspection_template(in.get()));
        names.push_back(img.name);
    }
    int paired = 0;
    for (size_t i = 0; i < templates.size(); ++i)
        for (size_t j = i + 1; j < templates.size(); j += (j < i + 9 ? 1 : 7)) {
            SCOPED_TRACE(names[i] + " " + names[j]);
            const MatchOutcome m = match_pairs(templates[i], templates[j]);
            check_pairs_give_score(templates[i], templates[j], m);
            paired += m.pairs.empty() ? 0 : 1;
        }
    EXPECT_GT(paired, 0);
}

std::vector<RawMinutia> grid_template(int count, int type_every, int dx = 0, int dy = 0)
{
    std::vector<RawMinutia> out;
    for (int k = 0; k < count; ++k)
        out.push_back(RawMinutia{k % type_every == 0 ? FPT_MINUTIA_BIFURCATION : FPT_MINUTIA_RIDGE_ENDING,
                                 40 + (k % 5) * 37 + (k * 7) % 11 + dx, 30 + (k / 5) * 41 + (k * 5) % 13 + dy,
                                 (k * 47) % 360});
    return out;
}

TEST(MatchPairs, ShiftedCopiesPairEachMinutiaWithItself)
{
    // Small templates are topped up; the matcher's trace lines are dropped.
    ridge_set_diagnostic_handler(ridge_diagnostic_drop, nullptr);
    struct Case {
        int count, dx, dy;
    };
    for (const Case c : {Case{12, 0, 0}, Case{12, 25, -10}, Case{30, -7, 40}, Case{5, 0, 0}, Case{8, 3, 3}}) {
        SCOPED_TRACE(std::to_string(c.count) + " minutiae moved by " + std::to_string(c.dx) + ", " +
                     std::to_string(c.dy));
        const std::vector<RawMinutia> a = grid_template(c.count, 3);
        const std::vector<RawMinutia> b = grid_template(c.count, 3, c.dx, c.dy);
        const MatchOutcome m = match_pairs(a, b);
        ASSERT_EQ(m.pairs.size(), static_cast<size_t>(c.count)) << "added minutiae are never named";
        for (int k = 0; k < c.count; ++k) {
            EXPECT_EQ(m.pairs[static_cast<size_t>(k)].first, k);
            EXPECT_EQ(m.pairs[static_cast<size_t>(k)].second, k);
        }
        check_pairs_give_score(a, b, m);
    }
    // Nothing in common, or an empty side: no pairs, score 0.
    const MatchOutcome none = match_pairs(grid_template(3, 2), grid_template(3, 2));
    EXPECT_TRUE(none.pairs.empty());
    EXPECT_EQ(none.score, 0.0);
    EXPECT_TRUE(match_pairs({}, grid_template(12, 2)).pairs.empty());
    ridge_set_diagnostic_handler(nullptr, nullptr);
}

bool isolated(const std::vector<RawMinutia> &all, size_t k, int distance)
{
    for (size_t j = 0; j < all.size(); ++j)
        if (j != k && std::abs(all[j].x - all[k].x) <= distance && std::abs(all[j].y - all[k].y) <= distance)
            return false;
    return true;
}

// The four points of a minutia's mark that nothing else of it covers: the
// ends of the ring's axes, or the square's corners.
std::vector<std::pair<int, int>> mark_points(const RawMinutia &m)
{
    if (m.type == FPT_MINUTIA_BIFURCATION) {
        const int h = ridge::kBifurcationHalf;
        return {{m.x - h, m.y - h}, {m.x + h, m.y - h}, {m.x - h, m.y + h}, {m.x + h, m.y + h}};
    }
    const int r = ridge::kEndingRadius;
    return {{m.x + r, m.y}, {m.x - r, m.y}, {m.x, m.y + r}, {m.x, m.y - r}};
}

std::vector<int> rgb_of(ridge::Rgb c) { return {c.r, c.g, c.b}; }

// A mark's points hold its colour, at least three of four (its own stroke
// leaves the fourth), and its centre the grey of the image.
void expect_mark(const ridge_test::RgbImage &png, const RawMinutia &m, ridge::Rgb colour, int ox, int oy,
                 unsigned char grey)
{
    int hits = 0;
    for (const auto &[x, y] : mark_points(m))
        hits += png.at(x + ox, y + oy) == rgb_of(colour) ? 1 : 0;
    EXPECT_GE(hits, 3) << "mark of " << m.x << ", " << m.y;
    EXPECT_EQ(png.at(m.x + ox, m.y + oy), (std::vector<int>{grey, grey, grey})) << "centre " << m.x << ", " << m.y;
}

TEST(InspectionPicture, MinutiaMarksSitAtTheirCoordinatesInTheDecodedPng)
{
    const GreyImage img = load(sample_images().front());
    Inspection in = inspect(img);
    const std::vector<RawMinutia> raw = inspection_template(in.get());
    ASSERT_GT(raw.size(), 10u);
    ridge_test::ScratchDir dir;

    // Nothing but the grey image.
    {
        Picture plain;
        ASSERT_EQ(ridge_render(in.get(), nullptr, 0, &plain.p), RIDGE_OK);
        ASSERT_EQ(ridge_picture_write_png(&plain.p, dir.path("plain.png").c_str()), RIDGE_OK);
        ridge_test::RgbImage png;
        ASSERT_TRUE(ridge_test::read_png_rgb(dir.path("plain.png"), png));
        ASSERT_EQ(png.width, img.width);
        ASSERT_EQ(png.height, img.height);
        for (size_t i = 0; i < img.pixels.size(); ++i)
            ASSERT_TRUE(png.rgb[3 * i] == img.pixels[i] && png.rgb[3 * i + 1] == img.pixels[i] &&
                        png.rgb[3 * i + 2] == img.pixels[i])
                << "pixel " << i;
    }

    Picture picture;
    ASSERT_EQ(ridge_render(in.get(), nullptr, RIDGE_LAYER_MINUTIAE, &picture.p), RIDGE_OK);
    ASSERT_EQ(ridge_picture_write_png(&picture.p, dir.path("marks.png").c_str()), RIDGE_OK);
    ridge_test::RgbImage png;
    ASSERT_TRUE(ridge_test::read_png_rgb(dir.path("marks.png"), png));
    ASSERT_EQ(png.width, img.width);
    ASSERT_EQ(png.height, img.height);

    // Reliabilities of the template minutiae, from the kept candidates.
    std::vector<float> reliability(raw.size(), -1.0f);
    const ridge_candidate *list = nullptr;
    int32_t count = 0;
    ASSERT_EQ(ridge_inspection_candidates(in.get(), &list, &count), RIDGE_OK);
    for (int32_t i = 0; i < count; ++i)
        if (list[i].fate == RIDGE_CANDIDATE_KEPT)
            reliability[static_cast<size_t>(list[i].template_index)] = list[i].reliability;
    int checked = 0;
    for (size_t k = 0; k < raw.size(); ++k) {
        const RawMinutia &m = raw[k];
        if (!isolated(raw, k, 2 * ridge::kStrokeEnd + 2) || m.x < 12 || m.y < 12 || m.x >= img.width - 12 ||
            m.y >= img.height - 12)
            continue;
        expect_mark(png, m, ridge::reliability_colour(reliability[k]), 0, 0,
                    img.pixels[static_cast<size_t>(m.y) * static_cast<size_t>(img.width) + static_cast<size_t>(m.x)]);
        ++checked;
    }
    EXPECT_GE(checked, 5);

    // A template given instead is drawn in one colour, also without an image.
    std::vector<unsigned char> block = ridge_test::raw_block(raw);
    const TemplateBuffer given = ridge_test::input_record(block, FPT_FORMAT_RAW);
    Picture alone;
    ASSERT_EQ(ridge_render(nullptr, &given, RIDGE_LAYER_ALL, &alone.p), RIDGE_OK);
    int max_x = 0, max_y = 0;
    for (const RawMinutia &m : raw) {
        max_x = std::max(max_x, m.x);
        max_y = std::max(max_y, m.y);
    }
    EXPECT_EQ(alone.p.width, max_x + ridge::kStrokeEnd + 1);
    EXPECT_EQ(alone.p.height, max_y + ridge::kStrokeEnd + 1);
    ASSERT_EQ(ridge_picture_write_png(&alone.p, dir.path("alone.png").c_str()), RIDGE_OK);
    ridge_test::RgbImage alone_png;
    ASSERT_TRUE(ridge_test::read_png_rgb(dir.path("alone.png"), alone_png));
    for (size_t k = 0; k < raw.size(); ++k)
        if (isolated(raw, k, 2 * ridge::kStrokeEnd + 2) && raw[k].x >= 12 && raw[k].y >= 12)
            expect_mark(alone_png, raw[k], ridge::kGivenTemplateColour, 0, 0, 255);
}

TEST(InspectionPicture, PairSideBySideJoinsThePairedMinutiae)
{
    const std::vector<std::string> samples = sample_images();
    const GreyImage a = load(samples[0]), b = load(samples[1]);
    Inspection ia = inspect(a), ib = inspect(b);
    const std::vector<RawMinutia> ra = inspection_template(ia.get()), rb = inspection_template(ib.get());
    const MatchOutcome m = match_pairs(ra, rb);
    ASSERT_FALSE(m.pairs.empty()) << samples[0] << " and " << samples[1] << " are one finger";

    Picture picture;
    double score = -1;
    ASSERT_EQ(ridge_render_pair(ia.get(), nullptr, ib.get(), nullptr, RIDGE_LAYER_MINUTIAE, &picture.p, &score),
              RIDGE_OK);
    EXPECT_EQ(score, m.score);
    ridge_test::ScratchDir dir;
    ASSERT_EQ(ridge_picture_write_png(&picture.p, dir.path("pair.png").c_str()), RIDGE_OK);
    ridge_test::RgbImage png;
    ASSERT_TRUE(ridge_test::read_png_rgb(dir.path("pair.png"), png));
    ASSERT_EQ(png.width, a.width + ridge::kPairGap + b.width);
    ASSERT_EQ(png.height, std::max(a.height, b.height) + ridge::kPairBand);

    // The last line drawn ends on its two minutiae; the score band is white
    // with black text.
    const ridge_minutia_pair &last = m.pairs.back();
    const RawMinutia &ma = ra[static_cast<size_t>(last.first)], &mb = rb[static_cast<size_t>(last.second)];
    const std::vector<int> colour = rgb_of(ridge::pair_colour(m.pairs.size() - 1));
    EXPECT_EQ(png.at(ma.x, ma.y + ridge::kPairBand), colour);
    EXPECT_EQ(png.at(mb.x + a.width + ridge::kPairGap, mb.y + ridge::kPairBand), colour);
    int black = 0, white = 0;
    for (int y = 0; y < ridge::kPairBand; ++y)
        for (int x = 0; x < 150; ++x) {
            black += png.at(x, y) == std::vector<int>{0, 0, 0} ? 1 : 0;
            white += png.at(x, y) == std::vector<int>{255, 255, 255} ? 1 : 0;
        }
    EXPECT_GT(black, 40);
    EXPECT_EQ(black + white, 150 * ridge::kPairBand);
}

TEST(InspectionInterface, RefusalsAndEdgeCases)
{
    const GreyImage img = load(sample_images().front());
    ridge_inspection *none = nullptr;
    EXPECT_EQ(ridge_inspect(nullptr, 10, 10, &none), RIDGE_ERR_ARGUMENT);
    EXPECT_EQ(ridge_inspect(img.pixels.data(), img.width, img.height, nullptr), RIDGE_ERR_ARGUMENT);
    EXPECT_EQ(ridge_inspect(img.pixels.data(), 0, img.height, &none), RIDGE_ERR_ARGUMENT);
    EXPECT_EQ(ridge_inspect(img.pixels.data(), img.width, -3, &none), RIDGE_ERR_ARGUMENT);
    ridge_set_diagnostic_handler(ridge_diagnostic_drop, nullptr);
    // Where generateRawFPT fails, so does the inspection.
    const unsigned char tiny[4] = {0, 255, 0, 255};
    TemplateBuffer t{nullptr, 0, 0};
    EXPECT_EQ(generateRawFPT(tiny, 2, 2, &t), FPT_FAILED);
    free_FPAPI_mem(t.data);
    EXPECT_EQ(ridge_inspect(tiny, 2, 2, &none), FPT_FAILED);
    EXPECT_NE(std::string(ridge_last_error()).find("extraction failed"), std::string::npos);
    ridge_set_diagnostic_handler(nullptr, nullptr);
    EXPECT_EQ(none, nullptr);

    // A blank image: no minutiae, an empty template.
    const std::vector<unsigned char> blank(200 * 200, 200);
    ridge_inspection *made = nullptr;
    ASSERT_EQ(ridge_inspect(blank.data(), 200, 200, &made), RIDGE_OK);
    Inspection empty(made);
    EXPECT_TRUE(inspection_template(empty.get()).empty());
    const ridge_candidate *list = nullptr;
    int32_t count = -1;
    EXPECT_EQ(ridge_inspection_candidates(empty.get(), &list, &count), RIDGE_OK);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(list, nullptr);

    Inspection in = inspect(img);
    int32_t w = 0, h = 0;
    EXPECT_EQ(ridge_inspection_size(in.get(), &w, &h), RIDGE_OK);
    EXPECT_EQ(w, img.width);
    EXPECT_EQ(h, img.height);
    const int32_t *cells = nullptr;
    EXPECT_EQ(ridge_inspection_map(in.get(), 0, &cells, &w, &h), RIDGE_ERR_ARGUMENT);
    EXPECT_EQ(ridge_inspection_map(in.get(), 6, &cells, &w, &h), RIDGE_ERR_ARGUMENT);
    unsigned char byte = 0;
    TemplateBuffer in_use{&byte, 1, 0};
    EXPECT_EQ(ridge_inspection_template(in.get(), &in_use), FPT_ERR_OUTPUT_IN_USE);
    EXPECT_EQ(in_use.data, &byte);

    Picture picture;
    EXPECT_EQ(ridge_render(nullptr, nullptr, RIDGE_LAYER_ALL, &picture.p), RIDGE_ERR_ARGUMENT);
    EXPECT_EQ(ridge_render(in.get(), nullptr, RIDGE_LAYER_ALL, nullptr), RIDGE_ERR_ARGUMENT);
    ridge_picture busy{1, 1, &byte};
    EXPECT_EQ(ridge_render(in.get(), nullptr, RIDGE_LAYER_ALL, &busy), FPT_ERR_OUTPUT_IN_USE);
    EXPECT_EQ(ridge_render_pair(in.get(), nullptr, nullptr, nullptr, RIDGE_LAYER_ALL, &picture.p, nullptr),
              RIDGE_ERR_ARGUMENT);
    std::vector<unsigned char> packed_bytes(8, 0);
    const TemplateBuffer packed = ridge_test::input_record(packed_bytes, FPT_FORMAT_PACKED);
    EXPECT_EQ(ridge_render(in.get(), &packed, RIDGE_LAYER_ALL, &picture.p), FPT_ERR_FORMAT);
    std::vector<unsigned char> wild = ridge_test::raw_block({RawMinutia{1, 20, 20, 400}});
    const TemplateBuffer bad_angle = ridge_test::input_record(wild, FPT_FORMAT_RAW);
    double score = -1;
    ridge_minutia_pair pairs[FPT_MAX_MINUTIAE];
    int32_t n = -1;
    EXPECT_EQ(ridge_match_pairs(&bad_angle, &bad_angle, &score, pairs, &n), FPT_ERR_SIZE);
    EXPECT_NE(std::string(ridge_last_error()).find("first template"), std::string::npos);
    EXPECT_EQ(n, -1);
    EXPECT_EQ(picture.p.rgb, nullptr);

    // A template that reaches the far corner of the coordinate range is cut
    // off at 2048 pixels instead of asking for 800 MB.
    std::vector<unsigned char> far_block =
        ridge_test::raw_block({RawMinutia{1, 20, 20, 90}, RawMinutia{2, 16383, 16383, 0}, RawMinutia{1, 2040, 30, 0}});
    const TemplateBuffer far = ridge_test::input_record(far_block, FPT_FORMAT_RAW);
    Picture cut;
    ASSERT_EQ(ridge_render(nullptr, &far, RIDGE_LAYER_MINUTIAE, &cut.p), RIDGE_OK);
    EXPECT_EQ(cut.p.width, ridge::kMaxTemplateSide);
    EXPECT_EQ(cut.p.height, ridge::kMaxTemplateSide);
    Picture far_pair;
    ASSERT_EQ(ridge_render_pair(in.get(), nullptr, nullptr, &far, RIDGE_LAYER_ALL, &far_pair.p, &score), RIDGE_OK);
    EXPECT_EQ(far_pair.p.width, img.width + ridge::kPairGap + ridge::kMaxTemplateSide);

    // Writing: nowhere to write, nothing left behind.
    ASSERT_EQ(ridge_render(in.get(), nullptr, RIDGE_LAYERS_DEFAULT, &picture.p), RIDGE_OK);
    ridge_test::ScratchDir dir;
    const std::string nowhere = dir.path("missing/out.png");
    EXPECT_EQ(ridge_picture_write_png(&picture.p, nowhere.c_str()), RIDGE_ERR_IO);
    EXPECT_FALSE(ridge_test::file_exists(nowhere));
    EXPECT_EQ(ridge_picture_write_png(nullptr, dir.path("x.png").c_str()), RIDGE_ERR_ARGUMENT);
    ridge_picture_release(&picture.p);
    EXPECT_EQ(picture.p.rgb, nullptr);
    EXPECT_EQ(picture.p.width, 0);
    ridge_picture_release(nullptr);
    ridge_inspection_close(nullptr);
}

} // namespace
