// Detector minutiae to RawMinutia: type codes and even-degree angles.
#include "extract/minutiae/raw_conversion.h"

namespace ridge {

int32_t raw_angle_degrees(float angle)
{
    // Half the angle in degrees is rounded, so the result is even; the first
    // rounding to 1/16384 absorbs the error of the single-precision angle.
    const double half_degrees = static_cast<double>(angle) * 180.0 / static_cast<double>(lfs::PI_F) * 0.5;
    int32_t degrees = 2 * lfs::round_trunc(half_degrees);
    if (degrees < 0)
        degrees += 360;
    return degrees;
}

RawMinutia to_raw_minutia(const lfs::Minutia &m)
{
    RawMinutia r{};
    r.type = m.type == lfs::RIDGE_ENDING ? FPT_MINUTIA_RIDGE_ENDING : FPT_MINUTIA_BIFURCATION;
    r.x = m.x;
    r.y = m.y;
    r.angle = raw_angle_degrees(m.angle);
    return r;
}

std::vector<RawMinutia> to_raw_minutiae(const lfs::Minutiae &minutiae)
{
    std::vector<RawMinutia> out;
    out.reserve(minutiae.list.size());
    for (const lfs::Minutia &m : minutiae.list)
        out.push_back(to_raw_minutia(m));
    return out;
}

} // namespace ridge
