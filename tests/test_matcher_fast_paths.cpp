// The matcher's short cuts against the straightforward matcher: the same
// neighbourhood tables and exactly the same scores on many template pairs,
// including ties, coincident minutiae, tiny templates and values that make
// the 32-bit arithmetic wrap.
#include "matcher/described_templates.h"
#include "matcher/neighbour_direction.h"
#include "matcher/neighbourhoods.h"
#include "sdk/template_checks.h"
#include "support/matcher_templates.h"
#include "support/plain_matcher.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <algorithm>
#include <random>

using ridge_test::grid_template;
using ridge_test::Minutiae;

namespace {

// Values anywhere in 32 bits: every product and sum may wrap.
Minutiae wild_template(std::mt19937 &rng, int count)
{
    std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX), type(0, 3);
    Minutiae m;
    for (int k = 0; k < count; ++k)
        m.push_back(RawMinutia{type(rng), any(rng), any(rng), any(rng)});
    return m;
}

// Large but not wrapping the distances, with odd angles.
Minutiae spread_template(std::mt19937 &rng, int count)
{
    std::uniform_int_distribution<int> coord(-20000, 20000), angle(-400, 800);
    Minutiae m;
    for (int k = 0; k < count; ++k)
        m.push_back(RawMinutia{1, coord(rng), coord(rng), angle(rng)});
    return m;
}

// Alternately a tight cluster and points spread wide, so that one
// minutia's nearest distances say little about the next one's.
Minutiae clustered_template(std::mt19937 &rng, int count)
{
    std::uniform_int_distribution<int> tight(0, 12), wide(0, 2000), angle(0, 180);
    Minutiae m;
    for (int k = 0; k < count; ++k) {
        const bool near = k % 3 != 0;
        m.push_back(RawMinutia{1, near ? 300 + tight(rng) : wide(rng), near ? 200 + tight(rng) : wide(rng),
                               2 * angle(rng)});
    }
    return m;
}

bool same_hood(const ridge::Neighbourhood &a, const ridge::Neighbourhood &b)
{
    for (int r = 0; r < ridge::kNeighbourCount; ++r) {
        const ridge::NeighbourRecord &x = a.records[r], &y = b.records[r];
        if (x.distance != y.distance || x.direction != y.direction || x.orientation != y.orientation ||
            x.index != y.index)
            return false;
    }
    return true;
}

// Whether minutia i's eight smallest squared distances (itself included)
// are distinct and below every other, straight from the definition.
bool plain_order_free(const Minutiae &m, int i)
{
    std::vector<int64_t> d2;
    for (const RawMinutia &o : m) {
        const int32_t dy = static_cast<int32_t>(static_cast<uint32_t>(m[i].y) - static_cast<uint32_t>(o.y));
        const int32_t dx = static_cast<int32_t>(static_cast<uint32_t>(m[i].x) - static_cast<uint32_t>(o.x));
        d2.push_back(static_cast<int32_t>(static_cast<uint32_t>(dy) * static_cast<uint32_t>(dy) +
                                          static_cast<uint32_t>(dx) * static_cast<uint32_t>(dx)));
    }
    std::sort(d2.begin(), d2.end());
    for (size_t k = 1; k < d2.size() && k <= 8; ++k)
        if (d2[k] == d2[k - 1])
            return false;
    return true;
}

// The table, each entry alone and the order-free flags against the
// exchange passes over the whole template.
void expect_same_tables(const Minutiae &m, const std::string &what)
{
    if (m.size() < 8)
        return;
    auto fast = std::make_unique<ridge::NeighbourhoodTable>();
    auto plain = std::make_unique<ridge::NeighbourhoodTable>();
    const int n = static_cast<int>(m.size());
    bool order_free[ridge::kTableCapacity];
    ridge::buildNeighbourhoods(m.data(), n, fast.get(), order_free);
    ridge_test::plain_build_neighbourhoods(m.data(), n, plain.get());
    for (int i = 0; i < n; ++i) {
        ASSERT_TRUE(same_hood(fast->entries[i], plain->entries[i])) << what << " minutia " << i;
        ridge::Neighbourhood alone;
        ridge::buildNeighbourhood(m.data(), n, i, &alone);
        ASSERT_TRUE(same_hood(alone, plain->entries[i])) << what << " minutia " << i << " alone";
        ASSERT_EQ(plain_order_free(m, i), order_free[i]) << what << " minutia " << i;
    }
}

void expect_same_score(const Minutiae &a, const Minutiae &b, const std::string &what)
{
    // Templates that the export refuses (wrapping values) still test the
    // comparison behind it.
    const bool comparable = ridge::firstInvalidMinutia(reinterpret_cast<const unsigned char *>(a.data()),
                                                       static_cast<int>(a.size())) < 0 &&
                            ridge::firstInvalidMinutia(reinterpret_cast<const unsigned char *>(b.data()),
                                                       static_cast<int>(b.size())) < 0;
    testing::internal::CaptureStdout();
    const double fast = comparable ? ridge_test::match_score(a, b) : ridge_test::comparison_score(a, b);
    const double plain = ridge_test::plain_match_score(a, b);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(plain, fast) << what;
}

} // namespace

TEST(FastPaths, DirectionTableAgreesWithTheComputationEverywhere)
{
    const int32_t reach = ridge::kDirectionTableReach;
    for (int32_t up = -reach - 2; up <= reach + 2; ++up)
        for (int32_t right = -reach - 2; right <= reach + 2; ++right)
            ASSERT_EQ(ridge::neighbourDirection(up, right), ridge::neighbourDirectionFast(up, right))
                << up << "," << right;
    EXPECT_EQ(0, ridge::neighbourDirectionFast(0, 0));
    EXPECT_EQ(89, ridge::neighbourDirectionFast(10, 0));
    EXPECT_EQ(271, ridge::neighbourDirectionFast(-10, 0));
}

TEST(FastPaths, NeighbourhoodTablesMatchTheExchangeSelection)
{
    std::mt19937 rng(42);
    for (int round = 0; round < 60; ++round) {
        const int count = 8 + round * 2 % 121;
        expect_same_tables(ridge_test::random_template(round, count, 400, 400, 0), "random");
        expect_same_tables(grid_template(rng, count, 4 + round % 9, 3), "grid");
        expect_same_tables(grid_template(rng, count, 2, 1), "dense grid");
        expect_same_tables(wild_template(rng, count), "wild");
        expect_same_tables(spread_template(rng, count), "spread");
        expect_same_tables(clustered_template(rng, count), "clustered");
    }
}

TEST(FastPaths, ScoresEqualTheStraightforwardMatcher)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> size(1, 128), small(1, 12);
    std::uniform_real_distribution<double> turn(-40.0, 40.0);
    std::uniform_int_distribution<int> shift(-60, 60), jitter(0, 4), drop(0, 10);
    for (int round = 0; round < 150; ++round) {
        const int na = round % 5 == 0 ? small(rng) : size(rng);
        const Minutiae a = ridge_test::random_template(1000u + static_cast<uint32_t>(round), na, 400, 400, 4);
        ridge_test::Distortion how;
        how.rotation_degrees = turn(rng);
        how.shift_x = shift(rng);
        how.shift_y = shift(rng);
        how.jitter = jitter(rng);
        how.angle_jitter = 3 * jitter(rng);
        how.dropped = std::min(drop(rng), na - 1);
        how.added = drop(rng);
        Minutiae genuine = ridge_test::distorted_copy(a, how, static_cast<uint32_t>(round));
        if (genuine.size() > 128)
            genuine.resize(128);
        expect_same_score(a, genuine, "genuine " + std::to_string(round));
        const Minutiae other = ridge_test::random_template(5000u + static_cast<uint32_t>(round),
                                                           round % 3 == 0 ? na : size(rng));
        expect_same_score(a, other, "impostor " + std::to_string(round));
    }
}

TEST(FastPaths, ScoresEqualOnTiesTwinsAndWrappingValues)
{
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> size(1, 60);
    for (int round = 0; round < 60; ++round) {
        const std::string r = std::to_string(round);
        const Minutiae g = grid_template(rng, size(rng), 6, 4);
        expect_same_score(g, grid_template(rng, size(rng), 6, 4), "grid " + r);
        expect_same_score(g, g, "grid self " + r);
        const Minutiae w = wild_template(rng, size(rng));
        expect_same_score(w, wild_template(rng, size(rng)), "wild " + r);
        expect_same_score(w, w, "wild self " + r);
        const Minutiae s = spread_template(rng, size(rng));
        expect_same_score(s, s, "spread self " + r);
        expect_same_score(s, spread_template(rng, size(rng)), "spread " + r);
    }
}

// A thread keeps the descriptions of the templates it compared last. A
// probe recurring against a gallery, in either role, next to templates that
// differ from it in one field of one minutia or only in their count, must
// still get the straightforward matcher's scores every time.
TEST(FastPaths, ScoresEqualWhenTemplatesRecurInEitherRole)
{
    std::mt19937 rng(3);
    const Minutiae probe = ridge_test::random_template(900, 40, 400, 400, 4);
    std::vector<Minutiae> gallery;
    for (int k = 0; k < 6; ++k) {
        ridge_test::Distortion how;
        how.rotation_degrees = 5.0 * k;
        how.jitter = 2;
        gallery.push_back(ridge_test::distorted_copy(probe, how, static_cast<uint32_t>(k)));
    }
    for (const size_t at : {size_t{0}, probe.size() / 2, probe.size() - 1})
        for (const int field : {0, 1, 2, 3}) {
            Minutiae near_twin = probe;
            RawMinutia &m = near_twin[at];
            if (field == 0)
                m.type = 3 - m.type;
            else
                (field == 1 ? m.x : field == 2 ? m.y : m.angle) += field == 3 ? 40 : 6;
            gallery.push_back(near_twin);
        }
    gallery.push_back(Minutiae(probe.begin(), probe.end() - 1));
    gallery.push_back(probe);

    for (int round = 0; round < 3; ++round) {
        std::shuffle(gallery.begin(), gallery.end(), rng);
        for (size_t k = 0; k < gallery.size(); ++k) {
            const std::string what = "round " + std::to_string(round) + " entry " + std::to_string(k);
            expect_same_score(probe, gallery[k], what);
            expect_same_score(gallery[k], probe, what + " swapped");
            expect_same_score(gallery[k], gallery[(k + 1) % gallery.size()], what + " gallery pair");
        }
    }
}

// The cache itself: after the probe, each near twin (one field of one
// minutia changed, or one minutia fewer) gets its own description, equal to
// one built from scratch, and the probe is found again afterwards.
TEST(FastPaths, DescribedTemplatesTellNearTwinsApart)
{
    const Minutiae probe = ridge_test::random_template(901, 30, 400, 400, 0);
    std::vector<Minutiae> twins{Minutiae(probe.begin(), probe.end() - 1)};
    for (const size_t at : {size_t{0}, probe.size() - 1})
        for (int field = 0; field < 4; ++field) {
            Minutiae t = probe;
            (field == 0 ? t[at].type : field == 1 ? t[at].x : field == 2 ? t[at].y : t[at].angle) += 1;
            twins.push_back(t);
        }

    auto cache = std::make_unique<ridge::DescribedTemplates>();
    auto fresh = std::make_unique<ridge::NeighbourhoodTable>();
    auto same_as_fresh = [&](const ridge::DescribedTemplate &d, const Minutiae &m) {
        ridge::buildNeighbourhoods(m.data(), static_cast<int>(m.size()), fresh.get());
        return d.count == static_cast<int>(m.size()) &&
               std::memcmp(d.table.entries, fresh->entries, m.size() * sizeof(ridge::Neighbourhood)) == 0;
    };
    const int n = static_cast<int>(probe.size());
    ridge::DescribedTemplate *first = &cache->describe(probe.data(), n);
    for (const Minutiae &t : twins) {
        const ridge::DescribedTemplate &kept = cache->describe(probe.data(), n);
        EXPECT_EQ(first, &kept) << "the probe is found again";
        const ridge::DescribedTemplate &d = cache->describe(t.data(), static_cast<int>(t.size()));
        EXPECT_NE(&kept, &d);
        EXPECT_TRUE(same_as_fresh(d, t));
        EXPECT_TRUE(same_as_fresh(kept, probe));
    }
}
