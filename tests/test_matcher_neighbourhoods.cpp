// Building neighbourhoods (selection order, distance and direction rounding)
// and comparing them (tolerances at their edges, scan start, early end).
#include "matcher/neighbourhoods.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using ridge::Neighbourhood;
using ridge::NeighbourhoodTable;
using ridge::NeighbourMatch;
using ridge::NeighbourRecord;

namespace {

RawMinutia at(int x, int y, int angle = 0, int type = 1) { return RawMinutia{type, x, y, angle}; }

// Eight minutiae far from (100, 100) and from each other, to fill templates.
void add_far_filler(std::vector<RawMinutia> *m, int how_many)
{
    for (int k = 0; k < how_many; ++k)
        m->push_back(at(600 + 40 * k, 700 + 25 * k));
}

const NeighbourRecord *find_index(const Neighbourhood &hood, int index)
{
    for (const NeighbourRecord &r : hood.records)
        if (r.index == index)
            return &r;
    return nullptr;
}

std::vector<int> indices(const Neighbourhood &hood)
{
    std::vector<int> out;
    for (const NeighbourRecord &r : hood.records)
        out.push_back(r.index);
    return out;
}

// A neighbourhood whose record k has the given distance; direction and
// orientation default to 0.
Neighbourhood hood_of(const std::vector<int> &distances, const std::vector<int> &directions = {},
                      const std::vector<int> &orientations = {})
{
    Neighbourhood h{};
    for (int k = 0; k < ridge::kNeighbourCount; ++k) {
        h.records[k].distance = distances[static_cast<size_t>(k)];
        h.records[k].direction = directions.empty() ? 0 : directions[static_cast<size_t>(k)];
        h.records[k].orientation = orientations.empty() ? 0 : orientations[static_cast<size_t>(k)];
        h.records[k].index = k;
    }
    return h;
}

std::vector<int> results(const NeighbourMatch &m)
{
    return std::vector<int>(m.live_of_base, m.live_of_base + ridge::kNeighbourCount);
}

} // namespace

TEST(BuildNeighbourhoods, EightMinutiaeSeeAllSevenOthers)
{
    std::vector<RawMinutia> m;
    for (int k = 0; k < 8; ++k)
        m.push_back(at(10 + 37 * k, 200 - 21 * k * k % 90, 2 * k));
    NeighbourhoodTable table;
    ridge::buildNeighbourhoods(m.data(), 8, &table);
    for (int i = 0; i < 8; ++i) {
        std::vector<int> seen = indices(table.entries[i]);
        std::sort(seen.begin(), seen.end());
        std::vector<int> others;
        for (int j = 0; j < 8; ++j)
            if (j != i)
                others.push_back(j);
        EXPECT_EQ(others, seen) << i;
        for (int r = 1; r < ridge::kNeighbourCount; ++r)
            EXPECT_LE(table.entries[i].records[r - 1].distance, table.entries[i].records[r].distance);
    }
}

TEST(BuildNeighbourhoods, TiesFollowTheExchangePasses)
{
    // Squared distances 0, 5, 4, 1, 8, 9, 4, 1, 10 from minutia 0: the same
    // order pattern as 0, 5, 4, 2, 7, 8, 4, 2, 9.
    std::vector<RawMinutia> m = {at(100, 100), at(101, 102), at(102, 100), at(101, 100), at(102, 102),
                                 at(103, 100), at(100, 102), at(100, 101), at(101, 103)};
    NeighbourhoodTable table;
    ridge::buildNeighbourhoods(m.data(), 9, &table);
    EXPECT_EQ((std::vector<int>{3, 7, 6, 2, 1, 4, 5}), indices(table.entries[0]));
}

TEST(BuildNeighbourhoods, TwinsAtOnePoint)
{
    std::vector<RawMinutia> m = {at(100, 100, 30), at(100, 100, 50)};
    add_far_filler(&m, 7);
    NeighbourhoodTable table;
    ridge::buildNeighbourhoods(m.data(), static_cast<int>(m.size()), &table);
    const NeighbourRecord &p0 = table.entries[0].records[0];
    EXPECT_EQ(1, p0.index);
    EXPECT_EQ(0, p0.distance);
    EXPECT_EQ(330, p0.direction);
    EXPECT_EQ(20, p0.orientation);
    const NeighbourRecord &q0 = table.entries[1].records[0];
    EXPECT_EQ(1, q0.index);
    EXPECT_EQ(0, q0.distance);
    EXPECT_EQ(0, q0.orientation);
    EXPECT_EQ(nullptr, find_index(table.entries[1], 0));
}

TEST(BuildNeighbourhoods, DirectionsAreTruncatedWithTheSinglePrecisionFactor)
{
    for (int angle : {0, 100}) {
        std::vector<RawMinutia> m = {at(100, 100, angle), at(110, 100), at(100, 90), at(90, 100),
                                     at(100, 110), at(110, 90), at(103, 104)};
        add_far_filler(&m, 3);
        NeighbourhoodTable table;
        ridge::buildNeighbourhoods(m.data(), static_cast<int>(m.size()), &table);
        const Neighbourhood &h = table.entries[0];
        auto direction = [&](int index) { return find_index(h, index)->direction; };
        const int turn = angle;
        auto expect = [&](int d) { return d - turn < 0 ? d - turn + 360 : d - turn; };
        EXPECT_EQ(expect(0), direction(1)) << angle;
        EXPECT_EQ(expect(89), direction(2)) << angle;
        EXPECT_EQ(expect(179), direction(3)) << angle;
        EXPECT_EQ(expect(271), direction(4)) << angle;
        EXPECT_EQ(expect(44), direction(5)) << angle;
        EXPECT_EQ(13, find_index(h, 1)->distance);
        EXPECT_EQ(18, find_index(h, 5)->distance); // 1.3 x 14.142 = 18.38
        EXPECT_EQ(7, find_index(h, 6)->distance);  // 6.5 rounds up
    }
    // With the minutia's angle at 100, a neighbour below it lies at 171.
    std::vector<RawMinutia> m = {at(100, 100, 100), at(100, 110)};
    add_far_filler(&m, 7);
    NeighbourhoodTable table;
    ridge::buildNeighbourhoods(m.data(), static_cast<int>(m.size()), &table);
    EXPECT_EQ(171, find_index(table.entries[0], 1)->direction);
}

TEST(BuildNeighbourhoods, RelativeOrientationWrapsAndKeeps360)
{
    std::vector<RawMinutia> m = {at(100, 100, 0), at(110, 100, 360), at(100, 110, 350)};
    add_far_filler(&m, 6);
    NeighbourhoodTable table;
    ridge::buildNeighbourhoods(m.data(), static_cast<int>(m.size()), &table);
    EXPECT_EQ(360, find_index(table.entries[0], 1)->orientation);
    EXPECT_EQ(350, find_index(table.entries[0], 2)->orientation);
    EXPECT_EQ(10, find_index(table.entries[2], 1)->orientation);
}

TEST(MatchNeighbourhoods, IdenticalNeighbourhoodsMatchRecordForRecord)
{
    const Neighbourhood h = hood_of({5, 9, 14, 20, 27, 33, 40}, {10, 80, 150, 200, 260, 300, 350},
                                    {0, 45, 90, 135, 180, 225, 270});
    NeighbourMatch match;
    EXPECT_EQ(7, ridge::matchNeighbourhoods(h, h, &match));
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6}), results(match));
    EXPECT_EQ(7, match.count);
}

TEST(MatchNeighbourhoods, RangeTestAtItsEdge)
{
    const Neighbourhood live = hood_of({10, 10, 10, 10, 10, 10, 20});
    NeighbourMatch match;
    // B[0] - L[6] = 12 passes (and base record 0 matches live record 6).
    EXPECT_EQ(1, ridge::matchNeighbourhoods(hood_of({32, 32, 32, 32, 32, 32, 32}), live, &match));
    EXPECT_EQ(6, match.live_of_base[0]);
    EXPECT_EQ(0, ridge::matchNeighbourhoods(hood_of({33, 33, 33, 33, 33, 33, 33}), live, &match));
    EXPECT_EQ((std::vector<int>(7, -1)), results(match));
    // The other way round: L[0] - B[6] above 12.
    EXPECT_EQ(0, ridge::matchNeighbourhoods(hood_of({1, 1, 1, 1, 1, 1, 1}), hood_of({14, 20, 20, 20, 20, 20, 20}), &match));
    EXPECT_EQ(1, ridge::matchNeighbourhoods(hood_of({2, 2, 2, 2, 2, 2, 2}), hood_of({14, 20, 20, 20, 20, 20, 20}), &match));
}

TEST(MatchNeighbourhoods, TolerancesAcceptAtTheEdgeAndRejectOneBeyond)
{
    struct Case { int distance, direction, orientation; bool accepted; };
    const Case cases[] = {
        {12, 0, 0, true},  {13, 0, 0, false}, {-12, 0, 0, true}, {-13, 0, 0, false},
        {0, 10, 0, true},  {0, 11, 0, false}, {0, -10, 0, true}, {0, 0, 20, true},
        {0, 0, 21, false}, {0, 0, -21, false}, {10, 10, 10, true}, {11, 10, 10, false},
        {10, 0, 20, true}, {0, 10, 20, true},  {2, 10, 19, false},
    };
    for (const Case &c : cases) {
        // One base record far inside the range; every other record far away.
        const Neighbourhood base = hood_of({50, 200, 200, 200, 200, 200, 200}, {100, 0, 0, 0, 0, 0, 0},
                                           {100, 0, 0, 0, 0, 0, 0});
        const Neighbourhood live =
            hood_of({50 - c.distance, 400, 400, 400, 400, 400, 400}, {100 + c.direction, 180, 180, 180, 180, 180, 180},
                    {100 + c.orientation, 180, 180, 180, 180, 180, 180});
        NeighbourMatch match;
        ridge::matchNeighbourhoods(base, live, &match);
        EXPECT_EQ(c.accepted ? 0 : -1, match.live_of_base[0])
            << c.distance << " " << c.direction << " " << c.orientation;
    }
}

TEST(MatchNeighbourhoods, DirectionsCompareAroundTheCircle)
{
    const Neighbourhood base =
        hood_of({10, 40, 70, 100, 130, 160, 190}, {355, 0, 0, 0, 0, 0, 0}, {350, 0, 0, 0, 0, 0, 0});
    const Neighbourhood live =
        hood_of({10, 40, 70, 100, 130, 160, 190}, {3, 0, 0, 0, 0, 0, 0}, {8, 0, 0, 0, 0, 0, 0});
    NeighbourMatch match;
    EXPECT_EQ(7, ridge::matchNeighbourhoods(base, live, &match));
    EXPECT_EQ(0, match.live_of_base[0]);
}

TEST(MatchNeighbourhoods, EqualCostsKeepTheFirstScanned)
{
    const Neighbourhood base = hood_of({20, 100, 100, 100, 100, 100, 100});
    const Neighbourhood live = hood_of({18, 22, 40, 100, 100, 100, 100});
    NeighbourMatch match;
    ridge::matchNeighbourhoods(base, live, &match);
    EXPECT_EQ(0, match.live_of_base[0]);
}

TEST(MatchNeighbourhoods, NextScanStartsAtFirstAcceptableNotAtChosen)
{
    const Neighbourhood base = hood_of({20, 11, 45, 50, 55, 60, 65}, {0, 50, 0, 0, 0, 0, 0});
    const Neighbourhood live = hood_of({10, 12, 20, 20, 40, 50, 60}, {50, 50, 5, 0, 0, 0, 0});
    NeighbourMatch match;
    EXPECT_EQ(4, ridge::matchNeighbourhoods(base, live, &match));
    // Base record 1 would fit live record 0 but its scan starts at live record 2.
    EXPECT_EQ((std::vector<int>{3, -1, 4, 5, 6, -1, -1}), results(match));
}

TEST(MatchNeighbourhoods, ScanEndsAtALiveRecordFartherOutThanTheTolerance)
{
    // Live record 1 lies 13 beyond base record 0, so live record 2 (which
    // would fit) is never examined.
    const Neighbourhood base = hood_of({20, 200, 200, 200, 200, 200, 200});
    const Neighbourhood live = hood_of({20, 33, 20, 200, 200, 200, 200}, {90, 0, 0, 0, 0, 0, 0});
    NeighbourMatch match;
    ridge::matchNeighbourhoods(base, live, &match);
    EXPECT_EQ(-1, match.live_of_base[0]);
}

TEST(MatchNeighbourhoods, BaseRecordBeyondAllRemainingLiveRecordsEndsTheComparison)
{
    const Neighbourhood base = hood_of({10, 40, 11, 12, 13, 14, 15});
    const Neighbourhood live = hood_of({10, 11, 12, 13, 14, 15, 16});
    NeighbourMatch match;
    EXPECT_EQ(1, ridge::matchNeighbourhoods(base, live, &match));
    EXPECT_EQ((std::vector<int>{0, -1, -1, -1, -1, -1, -1}), results(match));
}

TEST(MatchNeighbourhoods, LowestCostWinsThenFartherBaseRecordEndsTheLoop)
{
    // Base 0 accepts live 0..2 and takes live 0 (lowest cost). Base 1 skips
    // live 1 and 2 (29 and 28 off), accepts live 3..6 and takes live 6
    // (closest); base 2 starts at live 3 and takes live 5. Base 3 lies more
    // than 12 beyond the live records left, which ends the comparison.
    const Neighbourhood base = hood_of({20, 50, 52, 70, 71, 72, 73});
    const Neighbourhood live = hood_of({10, 9, 8, 42, 44, 46, 48});
    NeighbourMatch match;
    EXPECT_EQ(3, ridge::matchNeighbourhoods(base, live, &match));
    EXPECT_EQ((std::vector<int>{0, 6, 5, -1, -1, -1, -1}), results(match));
}
