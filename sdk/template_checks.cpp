#include "sdk/template_checks.h"

#include <cstdio>
#include <cstring>

namespace ridge {

namespace {

RawMinutia minutia_at(const unsigned char *data, int k)
{
    RawMinutia m;
    std::memcpy(&m, data + static_cast<std::size_t>(k) * sizeof m, sizeof m);
    return m;
}

bool coordinate_ok(int32_t v) { return v >= 0 && v <= kMaxMinutiaCoordinate; }

} // namespace

int firstInvalidMinutia(const unsigned char *data, int count)
{
    for (int k = 0; k < count; ++k) {
        const RawMinutia m = minutia_at(data, k);
        if (m.angle < 0 || m.angle > kMaxMinutiaAngle || !coordinate_ok(m.x) || !coordinate_ok(m.y))
            return k;
    }
    return -1;
}

std::string describeFirstInvalidMinutia(const unsigned char *data, int count)
{
    const int k = firstInvalidMinutia(data, count);
    if (k < 0)
        return std::string();
    const RawMinutia m = minutia_at(data, k);
    const char *what = (m.angle < 0 || m.angle > kMaxMinutiaAngle) ? "angle outside 0..360"
                       : !coordinate_ok(m.x)                       ? "x outside 0..16383"
                                                                   : "y outside 0..16383";
    char text[160];
    std::snprintf(text, sizeof text, "minutia %d (type %d, x %d, y %d, angle %d): %s", k,
                  static_cast<int>(m.type), static_cast<int>(m.x), static_cast<int>(m.y),
                  static_cast<int>(m.angle), what);
    return text;
}

} // namespace ridge
