// Angles, directions and distances between pixel positions.
#include "lfs/geometry.h"

#include "lfs/lfs.h"

#include <cmath>

namespace lfs {

namespace {

// Deltas below this count as no slope at all.
constexpr float MIN_SLOPE_DELTA = 0.5f;

} // namespace

float angle2line(int fx, int fy, int tx, int ty)
{
    const float dy = static_cast<float>(fy - ty);
    const float dx = static_cast<float>(tx - fx);
    if (std::fabs(dx) < MIN_SLOPE_DELTA && std::fabs(dy) < MIN_SLOPE_DELTA)
        return 0.0f;
    return std::atan2(dy, dx);
}

int line2direction(int fx, int fy, int tx, int ty, int ndirs)
{
    if (ndirs <= 0)
        return 0;
    // Swapping the coordinates and the two points measures the angle from
    // "up" and clockwise, which is the direction convention.
    float theta = angle2line(ty, tx, fy, fx);
    theta += TWO_PI_F;
    theta = std::fmod(theta, TWO_PI_F);
    const int full_ndirs = ndirs << 1;
    const float pi_factor = static_cast<float>(full_ndirs) / TWO_PI_F;
    // Rounding via a multiple of 1/16384 keeps the result independent of
    // the last bits of the arithmetic.
    const double units = trunc_dbl_precision(static_cast<double>(theta * pi_factor), TRUNC_SCALE);
    int idir = sround(units);
    idir %= full_ndirs;
    return idir;
}

float squared_distance(int x1, int y1, int x2, int y2)
{
    const float dx = static_cast<float>(x1 - x2);
    const float dy = static_cast<float>(y1 - y2);
    return dx * dx + dy * dy;
}

} // namespace lfs
