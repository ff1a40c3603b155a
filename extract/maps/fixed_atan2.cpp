// Vectoring CORDIC: the vector is rotated towards the +x axis by angles
// atan(2^-i), accumulating the rotations, so only shifts and adds are used.
#include "extract/maps/fixed_atan2.h"

namespace ridge {

namespace {

// atan(2^-i) in degrees, 16.16, rounded.
constexpr int32_t ATAN_TABLE[23] = {2949120, 1740967, 919879, 466945, 234379, 117304, 58666, 29335,
                                    14668,   7334,    3667,   1833,   917,    458,    229,    115,
                                    57,      29,      14,     7,      4,      2,      1};
// atan(2) in degrees, 16.16: the pre-rotation widens the range the
// iterations can reach to the whole half plane.
constexpr int32_t ATAN_OF_2 = 4157273;

} // namespace

int32_t fixed_atan2(int32_t x, int32_t y)
{
    int32_t angle = 0;
    if (x < 0) {
        x = -x;
        y = -y;
        angle = FIXED_DEG_180;
        if (y > 0)
            angle = -angle;
    }
    if (y < 0) {
        const int32_t nx = x - 2 * y;
        const int32_t ny = y + 2 * x;
        x = nx;
        y = ny;
        angle -= ATAN_OF_2;
    } else {
        const int32_t nx = x + 2 * y;
        const int32_t ny = y - 2 * x;
        x = nx;
        y = ny;
        angle += ATAN_OF_2;
    }
    // The rotation direction follows the sign of y, which is unpredictable;
    // with m = -1 for y < 0 and 0 otherwise, (v ^ m) - m is -v or v, so the
    // loop runs without branches.
    for (int i = 0; i < 23; ++i) {
        const int32_t m = y >> 31;
        const int32_t dx = y >> i;
        const int32_t dy = x >> i;
        x += (dx ^ m) - m;
        y -= (dy ^ m) - m;
        angle += (ATAN_TABLE[i] ^ m) - m;
    }
    return angle;
}

} // namespace ridge
