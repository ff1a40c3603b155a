#include "extract/minutiae/minutia_distance.h"

#include <cmath>
#include <cstdlib>

namespace ridge {

namespace {

// floor(sqrt(s)) without trusting the floating square root at the edges.
long long isqrt_floor(long long s)
{
    long long r = static_cast<long long>(std::sqrt(static_cast<double>(s)));
    while (r * r > s)
        --r;
    while ((r + 1) * (r + 1) <= s)
        ++r;
    return r;
}

} // namespace

float minutia_distance(int dx, int dy)
{
    const long long s = static_cast<long long>(dx) * dx + static_cast<long long>(dy) * dy;
    const long long r = isqrt_floor(s);
    const float whole = static_cast<float>(r);
    return r * r == s ? whole : whole + 0.5f;
}

float minutia_distance(const lfs::Minutia &a, const lfs::Minutia &b)
{
    return minutia_distance(b.x - a.x, b.y - a.y);
}

int minutia_direction_difference(int dir1, int dir2)
{
    const int d = std::abs(dir1 - dir2);
    return d < 32 - d ? d : 32 - d;
}

} // namespace ridge
