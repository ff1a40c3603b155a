// Arctangent in 16.16 fixed point by vectoring CORDIC.
#ifndef RIDGESDK_EXTRACT_FIXED_ATAN2_H
#define RIDGESDK_EXTRACT_FIXED_ATAN2_H

#include <cstdint>

namespace ridge {

// Fixed-point angles in degrees, scaled by 65536.
constexpr int32_t FIXED_DEG_180 = 11796480;
constexpr int32_t FIXED_DEG_360 = 23592960;

// Angle of the vector (x, y) in degrees (16.16), about -180..+180; the
// result may pass +-180 by the few units of the method's error.
int32_t fixed_atan2(int32_t x, int32_t y);

} // namespace ridge

#endif
