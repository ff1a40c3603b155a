// Every score of a search, of the all-against-all job and of a cross of two
// galleries is the value matchRawFPTs gives the same templates in the same
// argument order, bit for bit, whatever the number of threads: on the real
// templates of the shared sets and on synthetic ones (tiny and empty
// templates, ties, equal counts and areas where the roles depend on the
// argument order).
#include "support/search_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <numeric>
#include <random>
#include <string>

using ridge_test::Block;
using ridge_test::GalleryPtr;
using ridge_test::Minutiae;

namespace {

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Scores print trace lines for templates of eight minutiae or fewer.
class QuietDiagnostics {
public:
    QuietDiagnostics() { ridge_set_diagnostic_handler(ridge_diagnostic_drop, nullptr); }
    ~QuietDiagnostics() { ridge_set_diagnostic_handler(nullptr, nullptr); }
};

double reference(const Minutiae &a, const Minutiae &b)
{
    const TemplateBuffer ra = ridge_test::raw_buffer(a), rb = ridge_test::raw_buffer(b);
    double score = -1.0;
    EXPECT_EQ(FPT_OK, matchRawFPTs(&ra, &rb, &score));
    return score;
}

const uint32_t kThreadCounts[] = {1, 3, 0};

// Searches of each probe: the full list in order, the best few, and those
// above a threshold.
void expect_searches_exact(const std::vector<Minutiae> &entries, const std::vector<Minutiae> &probes,
                           const std::string &what)
{
    QuietDiagnostics quiet;
    GalleryPtr g = ridge_test::make_gallery(entries);
    for (size_t p = 0; p < probes.size(); ++p) {
        std::vector<double> expected;
        for (const Minutiae &e : entries)
            expected.push_back(reference(probes[p], e));
        std::vector<size_t> order(entries.size());
        std::iota(order.begin(), order.end(), size_t{0});
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return expected[a] > expected[b]; });
        std::vector<double> sorted;
        for (size_t k : order)
            sorted.push_back(expected[k]);
        const double threshold = sorted[sorted.size() / 3];

        const TemplateBuffer probe = ridge_test::raw_buffer(probes[p]);
        for (const uint32_t threads : kThreadCounts) {
            const std::string where = what + " probe " + std::to_string(p) + " threads " + std::to_string(threads);
            for (const auto &[top, min_score] :
                 {std::pair<uint32_t, double>{0, 0.0}, {3, 0.0}, {0, threshold}, {2, threshold}}) {
                ridge_match *m = nullptr;
                uint64_t n = 99;
                ASSERT_EQ(RIDGE_OK, ridge_gallery_search(g.get(), &probe, top, min_score, threads, nullptr,
                                                         nullptr, &m, &n))
                    << where << ": " << ridge_last_error();
                Block<ridge_match> hold(m);
                size_t want = 0;
                while (want < order.size() && sorted[want] >= min_score && (top == 0 || want < top))
                    ++want;
                ASSERT_EQ(want, n) << where << " top " << top;
                ASSERT_EQ(want == 0, m == nullptr) << where;
                for (size_t r = 0; r < want; ++r) {
                    ASSERT_EQ(order[r], m[r].index) << where << " rank " << r;
                    ASSERT_TRUE(same_bits(sorted[r], m[r].score)) << where << " rank " << r;
                    ASSERT_EQ("e" + std::to_string(order[r]), m[r].identifier) << where;
                }
            }
        }
    }
}

struct ExpectedPair {
    size_t first, second;
    double score;
};

void expect_pairs(ridge_pair *got, uint64_t n, const std::vector<ExpectedPair> &want, const std::string &first_prefix,
                  const std::string &second_prefix, const std::string &what)
{
    ASSERT_EQ(want.size(), n) << what;
    ASSERT_EQ(want.empty(), got == nullptr) << what;
    for (size_t k = 0; k < want.size(); ++k) {
        ASSERT_EQ(want[k].first, got[k].first_index) << what << " pair " << k;
        ASSERT_EQ(want[k].second, got[k].second_index) << what << " pair " << k;
        ASSERT_TRUE(same_bits(want[k].score, got[k].score))
            << what << " pair " << want[k].first << "," << want[k].second << ": " << got[k].score
            << " instead of " << want[k].score;
        ASSERT_EQ(first_prefix + std::to_string(want[k].first), got[k].first) << what;
        ASSERT_EQ(second_prefix + std::to_string(want[k].second), got[k].second) << what;
    }
}

// The all-against-all job, unfiltered and above a threshold.
void expect_dedup_exact(const std::vector<Minutiae> &entries, const std::string &what)
{
    QuietDiagnostics quiet;
    GalleryPtr g = ridge_test::make_gallery(entries);
    std::vector<ExpectedPair> all;
    for (size_t i = 0; i < entries.size(); ++i)
        for (size_t j = i + 1; j < entries.size(); ++j)
            all.push_back({i, j, reference(entries[i], entries[j])});
    std::vector<double> scores;
    for (const ExpectedPair &p : all)
        scores.push_back(p.score);
    std::sort(scores.begin(), scores.end());
    const double threshold = scores.empty() ? 1.0 : scores[scores.size() * 9 / 10];
    for (const uint32_t threads : kThreadCounts)
        for (const double min_score : {0.0, threshold}) {
            std::vector<ExpectedPair> want;
            for (const ExpectedPair &p : all)
                if (p.score >= min_score)
                    want.push_back(p);
            ridge_pair *got = nullptr;
            uint64_t n = 0;
            ASSERT_EQ(RIDGE_OK, ridge_gallery_dedup(g.get(), min_score, threads, nullptr, nullptr, &got, &n))
                << ridge_last_error();
            Block<ridge_pair> hold(got);
            expect_pairs(got, n, want, "e", "e",
                         what + " dedup threads " + std::to_string(threads) + " min " + std::to_string(min_score));
        }
}

void expect_cross_exact(const std::vector<Minutiae> &first, const std::vector<Minutiae> &second,
                        const std::string &what)
{
    QuietDiagnostics quiet;
    GalleryPtr a = ridge_test::make_gallery(first, "a");
    GalleryPtr b = ridge_test::make_gallery(second, "b");
    std::vector<ExpectedPair> want;
    for (size_t i = 0; i < first.size(); ++i)
        for (size_t j = 0; j < second.size(); ++j)
            want.push_back({i, j, reference(first[i], second[j])});
    for (const uint32_t threads : kThreadCounts) {
        ridge_pair *got = nullptr;
        uint64_t n = 0;
        ASSERT_EQ(RIDGE_OK, ridge_gallery_cross(a.get(), b.get(), 0.0, threads, nullptr, nullptr, &got, &n))
            << ridge_last_error();
        Block<ridge_pair> hold(got);
        expect_pairs(got, n, want, "a", "b", what + " cross threads " + std::to_string(threads));
    }
}

// A copy of m that keeps its count and bounding box (the minutiae at the
// extremes stay) while the others move: the two compare with equal counts
// and equal areas, so the first argument is the base template.
Minutiae same_box_variant(const Minutiae &m, std::mt19937 &rng)
{
    Minutiae out = m;
    std::uniform_int_distribution<int> step(-7, 7);
    int32_t min_x = INT32_MAX, max_x = INT32_MIN, min_y = INT32_MAX, max_y = INT32_MIN;
    for (const RawMinutia &r : m) {
        min_x = std::min(min_x, r.x);
        max_x = std::max(max_x, r.x);
        min_y = std::min(min_y, r.y);
        max_y = std::max(max_y, r.y);
    }
    for (RawMinutia &r : out) {
        if (r.x == min_x || r.x == max_x || r.y == min_y || r.y == max_y)
            continue;
        r.x = std::clamp(r.x + step(rng), min_x + 1, max_x - 1);
        r.y = std::clamp(r.y + step(rng), min_y + 1, max_y - 1);
        r.angle = (r.angle + 360 + 2 * step(rng)) % 360;
    }
    return out;
}

// Synthetic templates covering the corners of the role and score rules.
std::vector<Minutiae> synthetic_set(uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<Minutiae> set;
    const Minutiae base = ridge_test::random_template(seed, 40, 380, 370, 8);
    set.push_back(base);
    for (int k = 0; k < 4; ++k) {
        ridge_test::Distortion how;
        how.rotation_degrees = 6.0 * k - 9.0;
        how.shift_x = 20 + 3 * k;
        how.shift_y = 25 - 2 * k;
        how.jitter = 2;
        how.angle_jitter = 4;
        how.dropped = k;
        how.added = 2 * k;
        set.push_back(ridge_test::clamped(ridge_test::distorted_copy(base, how, seed + static_cast<uint32_t>(k))));
    }
    set.push_back(same_box_variant(base, rng));
    set.push_back(same_box_variant(base, rng));
    set.push_back(base); // a tie with the first entry
    for (int count : {0, 1, 3, 4, 8, 9})
        set.push_back(ridge_test::random_template(seed * 7 + static_cast<uint32_t>(count), count, 200, 200, 6));
    set.push_back(Minutiae(base.begin(), base.begin() + 5)); // a small template of real-looking points
    set.push_back(Minutiae(base.begin(), base.begin() + 5));
    set.push_back(Minutiae());
    for (int count : {25, 60, 128})
        set.push_back(ridge_test::random_template(seed * 13 + static_cast<uint32_t>(count), count));
    return set;
}

} // namespace

TEST(SearchExact, SyntheticSetsCoverTheRoleRules)
{
    // The set must hold pairs that score differently in the two argument
    // orders, or the tests below could not tell the orders apart.
    QuietDiagnostics quiet;
    const std::vector<Minutiae> set = synthetic_set(5);
    int asymmetric = 0, ties = 0;
    for (size_t i = 0; i < set.size(); ++i)
        for (size_t j = i + 1; j < set.size(); ++j) {
            asymmetric += reference(set[i], set[j]) != reference(set[j], set[i]);
            ties += reference(set[0], set[i]) == reference(set[0], set[j]) && reference(set[0], set[i]) > 0;
        }
    EXPECT_GT(asymmetric, 0);
    EXPECT_GT(ties, 0);
}

TEST(SearchExact, SearchesOfSyntheticTemplates)
{
    for (uint32_t seed : {5u, 6u}) {
        const std::vector<Minutiae> set = synthetic_set(seed);
        expect_searches_exact(set, set, "seed " + std::to_string(seed));
    }
}

TEST(SearchExact, DedupAndCrossOfSyntheticTemplates)
{
    const std::vector<Minutiae> a = synthetic_set(5), b = synthetic_set(9);
    expect_dedup_exact(a, "synthetic");
    expect_cross_exact(a, b, "synthetic");
    expect_cross_exact(b, b, "synthetic self");
}

TEST(SearchExact, EmptyGalleryAndEmptyProbe)
{
    GalleryPtr empty = ridge_test::make_gallery({});
    const Minutiae probe = ridge_test::random_template(3, 30);
    const TemplateBuffer raw = ridge_test::raw_buffer(probe);
    ridge_match *m = reinterpret_cast<ridge_match *>(1);
    uint64_t n = 5;
    ASSERT_EQ(RIDGE_OK, ridge_gallery_search(empty.get(), &raw, 10, 0.0, 0, nullptr, nullptr, &m, &n));
    EXPECT_EQ(nullptr, m);
    EXPECT_EQ(0u, n);
    ridge_pair *p = reinterpret_cast<ridge_pair *>(1);
    ASSERT_EQ(RIDGE_OK, ridge_gallery_dedup(empty.get(), 0.0, 0, nullptr, nullptr, &p, &n));
    EXPECT_EQ(nullptr, p);

    // An empty probe scores 0 against everything; above 0 nothing is left.
    GalleryPtr g = ridge_test::make_gallery({probe, probe});
    const TemplateBuffer nothing{nullptr, 0, FPT_FORMAT_RAW};
    ASSERT_EQ(RIDGE_OK, ridge_gallery_search(g.get(), &nothing, 0, 0.0, 2, nullptr, nullptr, &m, &n));
    Block<ridge_match> hold(m);
    ASSERT_EQ(2u, n);
    EXPECT_EQ(0.0, m[0].score);
    EXPECT_EQ(0u, m[0].index);
    ASSERT_EQ(RIDGE_OK, ridge_gallery_search(g.get(), &nothing, 0, 0.001, 2, nullptr, nullptr, &m, &n));
    EXPECT_EQ(0u, n);
}

// The comparisons of a search print the trace lines of small templates
// through the diagnostic handler, one per comparison and role, as
// matchRawFPTs does.
TEST(SearchExact, TraceLinesOfSmallTemplatesAsMatchRawFPTs)
{
    struct Count {
        std::atomic<int> lines{0};
    } count;
    const std::vector<Minutiae> entries = {ridge_test::random_template(1, 40), ridge_test::random_template(2, 6),
                                           ridge_test::random_template(3, 50)};
    GalleryPtr g = ridge_test::make_gallery(entries);
    const Minutiae probe = ridge_test::random_template(4, 5);
    const TemplateBuffer raw = ridge_test::raw_buffer(probe);
    ridge_set_diagnostic_handler(
        [](void *context, int32_t kind, const char *text) {
            if (kind == RIDGE_DIAGNOSTIC_TRACE && std::strstr(text, "random minutiae added") != nullptr)
                static_cast<Count *>(context)->lines++;
        },
        &count);
    int expected = 0;
    for (const Minutiae &e : entries) {
        const int before = count.lines.load();
        reference(probe, e);
        expected += count.lines.load() - before;
    }
    count.lines = 0;
    ridge_match *m = nullptr;
    uint64_t n = 0;
    const int32_t status = ridge_gallery_search(g.get(), &raw, 0, 0.0, 2, nullptr, nullptr, &m, &n);
    ridge_set_diagnostic_handler(nullptr, nullptr);
    ridge_free(m);
    ASSERT_EQ(RIDGE_OK, status);
    EXPECT_EQ(4, expected); // the probe in each comparison, the 6-minutia entry once
    EXPECT_EQ(expected, count.lines.load());
}

class SearchExactReal : public testing::TestWithParam<std::string> {};

TEST_P(SearchExactReal, SearchDedupAndCrossOfRealTemplates)
{
    const std::vector<Minutiae> &set = ridge_test::shared_set_templates(GetParam());
    if (set.empty())
        GTEST_SKIP() << "shared data absent";
    std::vector<Minutiae> probes;
    for (size_t k = 0; k < set.size(); k += 9)
        probes.push_back(set[k]);
    expect_searches_exact(set, probes, GetParam());
    expect_dedup_exact(set, GetParam());
    const std::vector<Minutiae> &other = ridge_test::shared_set_templates("fvc2002_db3_b");
    expect_cross_exact(std::vector<Minutiae>(set.begin(), set.begin() + 30),
                       std::vector<Minutiae>(other.begin() + 10, other.begin() + 50), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Sets, SearchExactReal,
                         testing::Values("fvc2002_db1_b", "fvc2002_db2_b", "fvc2002_db3_b"));
