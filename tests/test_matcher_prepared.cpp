// The comparison of described templates against compareTemplates: compact
// neighbourhoods give matchNeighbourhoods's choices, the reach index never
// drops a candidate, and comparePrepared gives exactly compareTemplates's
// best pairing score in both roles, on ties, twins and equal areas.
#include "matcher/alignment.h"
#include "matcher/compact_hoods.h"
#include "matcher/indexed_pairing.h"
#include "matcher/compare_templates.h"
#include "matcher/prepared_compare.h"
#include "matcher/reach_index.h"
#include "ridgeext.h"
#include "support/matcher_templates.h"
#include "support/search_fixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <climits>
#include <memory>
#include <random>

using ridge_test::Minutiae;

namespace {

// Minutiae on a coarse grid, with any angle.
Minutiae grid_template(std::mt19937 &rng, int count, int cells, int step)
{
    return ridge_test::grid_template(rng, count, cells, step, 1);
}

std::unique_ptr<ridge::NeighbourhoodTable> table_of(const Minutiae &m)
{
    auto t = std::make_unique<ridge::NeighbourhoodTable>();
    ridge::buildNeighbourhoods(m.data(), static_cast<int>(m.size()), t.get());
    return t;
}

int32_t reference_best(const Minutiae &a, const Minutiae &b)
{
    RawMinutia ca[FPT_MAX_MINUTIAE], cb[FPT_MAX_MINUTIAE];
    std::copy(a.begin(), a.end(), ca);
    std::copy(b.begin(), b.end(), cb);
    return ridge::compareTemplates(ca, cb, static_cast<int>(a.size()), static_cast<int>(b.size()));
}

struct Described {
    ridge::DescribedBlock block;
    ridge::TemplateView view;
};

Described describe(const Minutiae &m)
{
    Described d;
    EXPECT_TRUE(ridge::describeTemplate(m.data(), static_cast<int>(m.size()), &d.block));
    d.view = ridge::viewOfBlock(d.block.bytes.get());
    return d;
}

// Pairs of every kind the comparison meets.
std::vector<std::pair<Minutiae, Minutiae>> varied_pairs(uint32_t seed, int rounds)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> size(9, 128);
    std::vector<std::pair<Minutiae, Minutiae>> pairs;
    for (int round = 0; round < rounds; ++round) {
        const int n = round % 4 == 0 ? 9 + round % 20 : size(rng);
        const Minutiae a = ridge_test::random_template(seed * 1000 + static_cast<uint32_t>(round), n, 400, 400, 4);
        ridge_test::Distortion how;
        how.rotation_degrees = static_cast<double>(round % 50) - 25.0;
        how.shift_x = round % 30;
        how.shift_y = -(round % 17);
        how.jitter = round % 4;
        how.angle_jitter = round % 7;
        how.dropped = round % 5;
        how.added = round % 6;
        Minutiae genuine = ridge_test::clamped(ridge_test::distorted_copy(a, how, static_cast<uint32_t>(round)));
        if (genuine.size() > 128)
            genuine.resize(128);
        // Minutiae moved off the image are lost: a copy left with eight or
        // fewer has no description.
        if (ridge::describableCount(static_cast<int>(genuine.size()))) {
            pairs.emplace_back(a, genuine);
            pairs.emplace_back(genuine, a);
        }
        pairs.emplace_back(a, ridge_test::random_template(seed * 77 + static_cast<uint32_t>(round),
                                                          round % 3 == 0 ? n : size(rng)));
        pairs.emplace_back(a, a); // equal counts and areas: the first is the base
        const Minutiae g1 = grid_template(rng, size(rng) / 2 + 9, 7, 5);
        pairs.emplace_back(g1, grid_template(rng, static_cast<int>(g1.size()), 7, 5));
        pairs.emplace_back(g1, g1);
        // Spread over the whole coordinate range: coarse pairing grids.
        const Minutiae wide = ridge_test::random_template(seed * 31 + static_cast<uint32_t>(round), n, 16384, 16384, 0);
        ridge_test::Distortion nudge;
        nudge.shift_x = 3 + round % 5;
        nudge.shift_y = 2;
        nudge.jitter = 2;
        nudge.angle_jitter = 4;
        const Minutiae wide_copy = ridge_test::clamped(ridge_test::distorted_copy(wide, nudge, static_cast<uint32_t>(round)));
        if (wide_copy.size() > 8)
            pairs.emplace_back(wide, wide_copy);
    }
    return pairs;
}

} // namespace

TEST(PreparedCompare, CompactHoodsChooseAsMatchNeighbourhoods)
{
    std::mt19937 rng(5);
    int compared = 0, matched = 0;
    for (int round = 0; round < 40; ++round) {
        const Minutiae a = round % 2 ? grid_template(rng, 40, 6, 4) : ridge_test::random_template(round, 60, 300, 300, 3);
        ridge_test::Distortion how;
        how.rotation_degrees = 10.0;
        how.jitter = round % 3;
        how.angle_jitter = 3;
        // Unrelated grids (ties everywhere) and genuine-like copies (many
        // corresponding records).
        const Minutiae b = round % 3 ? grid_template(rng, 45, 6, 4)
                                     : ridge_test::clamped(ridge_test::distorted_copy(a, how, static_cast<uint32_t>(round)));
        const auto ta = table_of(a), tb = table_of(b);
        ASSERT_TRUE(ridge::compactable(*ta, static_cast<int>(a.size())));
        for (size_t i = 0; i < a.size(); ++i)
            for (size_t j = 0; j < b.size(); ++j) {
                const ridge::Neighbourhood &hb = ta->entries[i], &hl = tb->entries[j];
                ridge::NeighbourMatch want{}, got{};
                const int n = ridge::matchNeighbourhoods(hb, hl, &want);
                const ridge::CompactHood cb = ridge::compactHood(hb), cl = ridge::compactHood(hl);
                ridge::RecordAcceptance acceptance, by_row, by_record;
                const int rows = ridge::acceptRecords(cb, cl, &acceptance);
                ASSERT_EQ(n, ridge::chooseRecords(acceptance, &got)) << round << " " << i << " " << j;
                ASSERT_GE(rows, n);
                // The wide, the one-row and the record-by-record forms agree.
                ASSERT_EQ(rows, ridge::acceptRecordsByRow(cb, cl, &by_row));
                ASSERT_EQ(rows, ridge::acceptRecordsByRecord(cb, cl, &by_record));
                for (int k = 0; k < ridge::kNeighbourCount; ++k) {
                    ASSERT_EQ(acceptance.rows[k], by_row.rows[k]);
                    ASSERT_EQ(acceptance.rows[k], by_record.rows[k]);
                    for (int m = 0; m < ridge::kNeighbourCount; ++m)
                        if ((acceptance.rows[k] >> m) & 1u) {
                            ASSERT_EQ(acceptance.cost[k][m], by_row.cost[k][m]);
                            ASSERT_EQ(acceptance.cost[k][m], by_record.cost[k][m]);
                        }
                }
                for (int k = 0; k < ridge::kNeighbourCount; ++k)
                    ASSERT_EQ(want.live_of_base[k], got.live_of_base[k]) << round << " " << i << " " << j;
                ASSERT_EQ(n, ridge::matchCompactHoods(cb, cl, &got));
                ++compared;
                matched += n >= 3;
            }
    }
    EXPECT_GT(matched, 500) << "of " << compared;
}

// Thresholds at their edges, one record pair at a time.
TEST(PreparedCompare, CompactHoodsAtTheThresholds)
{
    ridge::Neighbourhood base{}, live{};
    for (int k = 0; k < ridge::kNeighbourCount; ++k) {
        base.records[k] = {100 + 40 * k, 50, 50, k};
        live.records[k] = {100 + 40 * k, 50, 50, k};
    }
    struct Edge {
        int distance, direction, orientation;
    };
    for (const Edge e : {Edge{12, 0, 0}, Edge{13, 0, 0}, Edge{0, 10, 0}, Edge{0, 11, 0}, Edge{0, 0, 20},
                         Edge{0, 0, 21}, Edge{10, 10, 10}, Edge{10, 10, 11}, Edge{0, -55, 0}, Edge{0, 0, 310}}) {
        ridge::Neighbourhood l = live;
        l.records[3].distance += e.distance;
        l.records[3].direction = (l.records[3].direction + e.direction + 360) % 360;
        l.records[3].orientation = (l.records[3].orientation + e.orientation) % 361;
        ridge::NeighbourMatch want{}, got{};
        const int n = ridge::matchNeighbourhoods(base, l, &want);
        ASSERT_EQ(n, ridge::matchCompactHoods(ridge::compactHood(base), ridge::compactHood(l), &got));
        for (int k = 0; k < ridge::kNeighbourCount; ++k)
            EXPECT_EQ(want.live_of_base[k], got.live_of_base[k]) << e.distance << " " << e.direction << " " << e.orientation;
    }
}

// The cells of a whole row equal reachCell record by record, over every
// distance, direction and orientation a compact neighbourhood holds.
TEST(PreparedCompare, RowCellsEqualReachCell)
{
    ridge::CompactHood h{};
    auto check = [&h](int distance, int direction, int orientation) {
        for (int k = 0; k < ridge::kNeighbourCount; ++k) {
            h.distance[k] = static_cast<int16_t>(distance);
            h.direction[k] = static_cast<int16_t>(direction);
            h.orientation[k] = static_cast<int16_t>(orientation);
        }
        uint16_t cells[ridge::kCompactLanes];
        ridge::reachCells(h, cells);
        ASSERT_EQ(ridge::reachCell(distance, direction, orientation), cells[3])
            << distance << " " << direction << " " << orientation;
    };
    for (int distance = 0; distance < INT16_MAX; ++distance)
        check(distance, distance % 360, distance % 361);
    for (int direction = 0; direction < 360; ++direction)
        for (int orientation = 0; orientation <= 360; ++orientation)
            check(200 - direction / 2, direction, orientation);
}

// The alignment applied two minutiae at a time equals applyAlignment, and
// tells the same about the coordinate limit: any count, angles 0..360,
// rotations across the gate, scales and translations that wrap.
TEST(PreparedCompare, AlignmentAppliedTwoAtATimeEqualsTheScalarOne)
{
    std::mt19937 rng(21);
    std::uniform_int_distribution<int32_t> coordinate(0, 16383), angle(0, 360), rotation(-179, 179);
    std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX), small(-300, 300), shift(-20000, 20000);
    int outside = 0;
    for (int round = 0; round < 3000; ++round) {
        const int count = 1 + round % 128;
        Minutiae live;
        for (int k = 0; k < count; ++k)
            live.push_back(RawMinutia{any(rng), coordinate(rng), coordinate(rng), angle(rng)});
        ridge::Alignment a{};
        a.c = round % 7 == 0 ? any(rng) : small(rng);
        a.s = round % 11 == 0 ? any(rng) : small(rng);
        a.rotation = rotation(rng);
        a.tx256 = round % 5 == 0 ? any(rng) : shift(rng) * 256;
        a.ty256 = round % 13 == 0 ? any(rng) : shift(rng) * 256;
        RawMinutia want[FPT_MAX_MINUTIAE], got[FPT_MAX_MINUTIAE], one[FPT_MAX_MINUTIAE];
        ridge::applyAlignment(live.data(), count, a, want);
        const bool want_within = ridge::withinIndexedLimit(want, count);
        ASSERT_EQ(want_within, ridge::applyAlignmentWithinLimit(live.data(), count, a, got)) << round;
        ASSERT_EQ(want_within, ridge::applyAlignmentWithinLimitByMinutia(live.data(), count, a, one)) << round;
        ASSERT_EQ(0, std::memcmp(want, got, static_cast<size_t>(count) * sizeof(RawMinutia))) << round;
        ASSERT_EQ(0, std::memcmp(want, one, static_cast<size_t>(count) * sizeof(RawMinutia))) << round;
        outside += !want_within;
    }
    EXPECT_GT(outside, 100);
    EXPECT_LT(outside, 2900);
}

// Whenever matchNeighbourhoods finds three corresponding records, the
// reach index of either side lists the other side's minutia.
TEST(PreparedCompare, ReachIndexKeepsEveryAcceptedCandidate)
{
    std::mt19937 rng(8);
    auto index = std::make_unique<ridge::ReachIndex>();
    int kept = 0, dropped = 0;
    for (int round = 0; round < 30; ++round) {
        const Minutiae a = round % 2 ? grid_template(rng, 70, 9, 4) : ridge_test::random_template(round, 100, 380, 370, 4);
        const Minutiae b = round % 3 ? grid_template(rng, 66, 9, 4) : ridge_test::random_template(round + 5, 90, 380, 370, 4);
        const auto ta = table_of(a), tb = table_of(b);
        std::vector<ridge::CompactHood> ca(a.size()), cb(b.size());
        ridge::compactTable(*ta, static_cast<int>(a.size()), ca.data());
        ridge::compactTable(*tb, static_cast<int>(b.size()), cb.data());
        for (const bool index_base : {false, true}) {
            index->build(index_base ? ca.data() : cb.data(), static_cast<int>(index_base ? a.size() : b.size()));
            for (size_t i = 0; i < a.size(); ++i)
                for (size_t j = 0; j < b.size(); ++j) {
                    ridge::NeighbourMatch m{};
                    const bool accepted = ridge::matchNeighbourhoods(ta->entries[i], tb->entries[j], &m) >= 3;
                    const size_t listed = index_base ? i : j;
                    const ridge::LiveSet p = index->partners(index_base ? cb[j] : ca[i]);
                    const bool in = (p.words[listed / 64] >> (listed % 64)) & 1u;
                    if (accepted) {
                        ASSERT_TRUE(in) << round << " " << i << " " << j << " index base " << index_base;
                    }
                    kept += in;
                    dropped += !in;
                }
        }
    }
    EXPECT_GT(dropped, 4 * kept) << "the index should rule out most pairs";
}

bool same_hood(const ridge::CompactHood &a, const ridge::CompactHood &b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A description holds the compact tables of the template in its own order
// and in the order by x, as buildNeighbourhoods makes them, ties and twins
// included (the order-free neighbourhoods are reused renumbered).
TEST(PreparedCompare, DescriptionsHoldTheTablesOfBothOrders)
{
    std::mt19937 rng(12);
    int reused = 0, selected = 0;
    for (int round = 0; round < 80; ++round) {
        const int n = 9 + round % 120;
        const Minutiae m = round % 3 == 0 ? grid_template(rng, n, 5 + round % 7, 3 + round % 4)
                                          : ridge_test::random_template(round, n, 380, 370, round % 5);
        const Described d = describe(m);
        Minutiae sorted = m;
        ridge::sortByX(sorted.data(), n);
        const auto live = table_of(m), base = table_of(sorted);
        bool order_free[ridge::kTableCapacity];
        ridge::buildNeighbourhoods(m.data(), n, live.get(), order_free);
        auto probe = std::make_unique<ridge::PreparedProbe>();
        probe->prepare(d.view);
        for (int i = 0; i < n; ++i) {
            ASSERT_TRUE(same_hood(ridge::compactHood(live->entries[i]), d.view.live_hoods[i])) << round << " " << i;
            // The base neighbourhoods name template positions; renamed by
            // rank, they are those of the copy by x.
            ridge::CompactHood b = d.view.baseHood(i);
            for (int k = 0; k < ridge::kNeighbourCount; ++k)
                b.index[k] = d.view.rank[b.index[k]];
            ASSERT_TRUE(same_hood(ridge::compactHood(base->entries[i]), b)) << round << " " << i;
            ASSERT_TRUE(same_hood(b, probe->baseHoods()[i]));
            ASSERT_EQ(0, std::memcmp(&sorted[static_cast<size_t>(i)], &m[d.view.sorted_order[i]], sizeof(RawMinutia)));
            ASSERT_EQ(i, d.view.rank[d.view.sorted_order[i]]);
            reused += order_free[i];
            selected += !order_free[i];
        }
    }
    EXPECT_GT(reused, 1000);
    EXPECT_GT(selected, 300);
}

TEST(PreparedCompare, BestPairingScoresEqualCompareTemplates)
{
    // Small templates print trace lines.
    ridge_set_diagnostic_handler(ridge_diagnostic_drop, nullptr);
    auto probe = std::make_unique<ridge::PreparedProbe>();
    auto workspace = std::make_unique<ridge::PreparedWorkspace>();
    int nonzero = 0;
    for (const auto &[a, b] : varied_pairs(3, 60)) {
        const Described da = describe(a), db = describe(b);
        probe->prepare(da.view);
        const int32_t got = ridge::comparePrepared(*probe, db.view, workspace.get());
        ASSERT_EQ(reference_best(a, b), got) << a.size() << " x " << b.size();
        nonzero += got > 0;
    }
    ridge_set_diagnostic_handler(nullptr, nullptr);
    EXPECT_GT(nonzero, 150);
}

TEST(PreparedCompare, BestPairingScoresEqualOnRealTemplates)
{
    const std::vector<Minutiae> &set = ridge_test::shared_set_templates("fvc2002_db1_b");
    if (set.empty())
        GTEST_SKIP() << "shared data absent";
    auto probe = std::make_unique<ridge::PreparedProbe>();
    auto workspace = std::make_unique<ridge::PreparedWorkspace>();
    std::vector<Described> described;
    for (const Minutiae &m : set)
        described.push_back(describe(m));
    for (size_t i = 0; i < set.size(); i += 3) {
        probe->prepare(described[i].view);
        for (size_t j = 0; j < set.size(); ++j)
            ASSERT_EQ(reference_best(set[i], set[j]), ridge::comparePrepared(*probe, described[j].view, workspace.get()))
                << i << " x " << j;
    }
}
