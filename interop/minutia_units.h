// How the minutia fields of the interchange records relate to the raw
// template's pixels (500 per inch) and whole degrees. ridgeinterop.h states
// the rules and their losses; the tests check the stated worst errors over
// every value.
#ifndef RIDGESDK_INTEROP_MINUTIA_UNITS_H
#define RIDGESDK_INTEROP_MINUTIA_UNITS_H

#include <cstdint>

namespace ridge {
namespace interop {

// 500 pixels per inch as the records state it, in pixels per centimetre.
constexpr std::uint32_t kRecordResolution = 197;
// Largest coordinate of a full record's 14-bit fields.
constexpr std::int32_t kMaxRecordCoordinate = 0x3fff;
// Largest coordinate, in pixels, whose compact card unit fits its byte.
constexpr std::int32_t kMaxCardPixels = 502;

// Whole degrees (0..360) of a raw template taken modulo 360.
inline std::uint32_t degrees_mod_360(std::int32_t degrees)
{
    const std::int32_t d = degrees % 360;
    return static_cast<std::uint32_t>(d < 0 ? d + 360 : d);
}

// ISO angles: 256 units to the turn, rounded to the nearest unit.
inline std::uint32_t iso_angle_units(std::int32_t degrees)
{
    return (degrees_mod_360(degrees) * 256u + 180u) / 360u % 256u;
}
inline std::int32_t iso_angle_degrees(std::uint32_t units)
{
    return static_cast<std::int32_t>(((units & 0xffu) * 360u + 128u) / 256u);
}

// Compact card angles: 64 units to the turn.
inline std::uint32_t card_angle_units(std::int32_t degrees)
{
    return (degrees_mod_360(degrees) * 64u + 180u) / 360u % 64u;
}
inline std::int32_t card_angle_degrees(std::uint32_t units)
{
    return static_cast<std::int32_t>(((units & 0x3fu) * 360u + 32u) / 64u);
}

// ANSI angles: units of two degrees, the odd degree dropped, as the FMR378
// converter of the nine exports writes them; 360 stays 180 units.
inline std::uint32_t ansi_angle_units(std::int32_t degrees)
{
    return static_cast<std::uint32_t>(degrees / 2) & 0xffu;
}
inline std::int32_t ansi_angle_degrees(std::uint32_t units)
{
    return static_cast<std::int32_t>(units * 2u);
}

// Compact card coordinates: units of 0.1 mm; a pixel at 500 ppi is
// 0.508 units. Both ways round to the nearest, halves up.
inline std::uint32_t card_units(std::int32_t pixels)
{
    return (static_cast<std::uint32_t>(pixels) * 508u + 500u) / 1000u;
}
inline std::int32_t card_pixels(std::uint32_t units)
{
    return static_cast<std::int32_t>((units * 1000u + 254u) / 508u);
}

// A coordinate of a record at `resolution` pixels per centimetre taken to
// kRecordResolution: round(value * 197 / resolution), halves up. Identity
// at 197. resolution must not be 0.
inline std::int64_t to_record_resolution(std::uint32_t value, std::uint32_t resolution)
{
    if (resolution == kRecordResolution)
        return value;
    return (2 * static_cast<std::int64_t>(value) * kRecordResolution + resolution) /
           (2 * static_cast<std::int64_t>(resolution));
}

} // namespace interop
} // namespace ridge

#endif
