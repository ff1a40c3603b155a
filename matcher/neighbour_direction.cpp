// Neighbour directions, computed and tabulated.
#include "matcher/neighbour_direction.h"

#include <cmath>
#include <vector>

namespace ridge {

namespace {

constexpr double kDegreesPerRadian = 57.2957763671875; // single-precision 180/pi
constexpr int32_t kSide = kDirectionTableSide;

// Every direction for offsets within the reach, filled once per process
// from neighbourDirection itself, so the two never disagree.
class DirectionTable {
public:
    DirectionTable() : values_(static_cast<size_t>(kSide) * kSide)
    {
        for (int32_t up = -kDirectionTableReach; up <= kDirectionTableReach; ++up)
            for (int32_t right = -kDirectionTableReach; right <= kDirectionTableReach; ++right)
                values_[slot(up, right)] = static_cast<int16_t>(neighbourDirection(up, right));
    }
    int32_t at(int32_t up, int32_t right) const { return values_[slot(up, right)]; }
    const int16_t *centre() const { return &values_[slot(0, 0)]; }

private:
    static size_t slot(int32_t up, int32_t right)
    {
        return static_cast<size_t>((up + kDirectionTableReach) * kSide + right + kDirectionTableReach);
    }
    std::vector<int16_t> values_;
};

const DirectionTable &direction_table()
{
    static const DirectionTable table; // built on first use, thread-safe
    return table;
}

} // namespace

int32_t neighbourDirection(int32_t up, int32_t right)
{
    const double phi = std::atan2(static_cast<double>(up), static_cast<double>(right));
    const int32_t degrees = static_cast<int32_t>(static_cast<float>(phi * kDegreesPerRadian));
    return degrees < 0 ? degrees + 360 : degrees;
}

int32_t neighbourDirectionFast(int32_t up, int32_t right)
{
    if (!DirectionLookup::inReach(up, right))
        return neighbourDirection(up, right);
    return direction_table().at(up, right);
}

DirectionLookup::DirectionLookup() : centre_(direction_table().centre()) {}

} // namespace ridge
