// Direction from a minutia to a neighbour in whole degrees, 0..359, before
// the minutia's own angle is taken off.
#ifndef RIDGESDK_MATCHER_NEIGHBOUR_DIRECTION_H
#define RIDGESDK_MATCHER_NEIGHBOUR_DIRECTION_H

#include <cstdint>

namespace ridge {

// up = y_self - y_other (rows grow downwards), right = x_other - x_self.
// atan2 in degrees with the single-precision factor, rounded to single
// precision and truncated toward zero, plus 360 when negative.
int32_t neighbourDirection(int32_t up, int32_t right);

// The same value, read from a table for offsets within kDirectionTableReach
// (the usual case between near neighbours) and computed otherwise.
int32_t neighbourDirectionFast(int32_t up, int32_t right);

constexpr int32_t kDirectionTableReach = 127;
constexpr int32_t kDirectionTableSide = 2 * kDirectionTableReach + 1;

// The table behind neighbourDirectionFast, for callers that look up many
// directions in a row: at(up, right) reads it for offsets within the
// reach, where inReach holds.
class DirectionLookup {
public:
    DirectionLookup();
    static bool inReach(int32_t up, int32_t right)
    {
        constexpr uint32_t kSpan = 2 * static_cast<uint32_t>(kDirectionTableReach);
        return static_cast<uint32_t>(up) + static_cast<uint32_t>(kDirectionTableReach) <= kSpan &&
               static_cast<uint32_t>(right) + static_cast<uint32_t>(kDirectionTableReach) <= kSpan;
    }
    int32_t at(int32_t up, int32_t right) const { return centre_[up * kDirectionTableSide + right]; }

private:
    const int16_t *centre_; // the entry of offset (0, 0)
};

} // namespace ridge

#endif
