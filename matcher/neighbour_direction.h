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

} // namespace ridge

#endif
