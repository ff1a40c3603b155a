// 32-bit two's-complement arithmetic that wraps by definition.
//
// The matcher's integer geometry is defined on wrapping 32-bit integers so
// that one pair of templates gets one score everywhere, whatever the input
// values. Signed overflow is undefined in C++, so every operation that can
// overflow goes through unsigned arithmetic and back.
#ifndef RIDGESDK_MATCHER_INT32_ARITH_H
#define RIDGESDK_MATCHER_INT32_ARITH_H

#include <cmath>
#include <cstdint>
#include <limits>

namespace ridge {

inline int32_t wrap32(uint32_t v) { return static_cast<int32_t>(v); }

inline int32_t add32(int32_t a, int32_t b)
{
    return wrap32(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

inline int32_t sub32(int32_t a, int32_t b)
{
    return wrap32(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

inline int32_t mul32(int32_t a, int32_t b)
{
    return wrap32(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// |v|, with |INT32_MIN| wrapping to INT32_MIN as the hardware does.
inline int32_t abs32(int32_t v)
{
    return v < 0 ? wrap32(0u - static_cast<uint32_t>(v)) : v;
}

// Arithmetic shift right by 8: rounds toward minus infinity for negative
// values (-1 stays -1), written without relying on how the compiler shifts
// negative numbers.
inline int32_t shift_right_8(int32_t v)
{
    return v < 0 ? ~static_cast<int32_t>(~static_cast<uint32_t>(v) >> 8) : (v >> 8);
}

inline int32_t shift_left_8(int32_t v) { return wrap32(static_cast<uint32_t>(v) << 8); }

// Truncation toward zero of a real value to 32 bits. Values that do not fit
// (and NaN) give INT32_MIN, the x86 "integer indefinite" value, so the
// outcome is defined and the same on every platform.
inline int32_t truncate_to_int32(double v)
{
    if (!(v > -2147483649.0 && v < 2147483648.0))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// Quotient truncated toward zero; false for the two quotients that have no
// 32-bit value (a zero denominator, and INT32_MIN / -1).
inline bool divide32(int32_t numerator, int32_t denominator, int32_t *quotient)
{
    if (denominator == 0)
        return false;
    if (denominator == -1 && numerator == std::numeric_limits<int32_t>::min())
        return false;
    *quotient = numerator / denominator;
    return true;
}

// Circular difference of two angles in degrees: |a - b|, folded to at most
// 180 for plain degree values.
inline int32_t circular_difference(int32_t a, int32_t b)
{
    const int32_t d = abs32(sub32(a, b));
    return d > 180 ? sub32(360, d) : d;
}

} // namespace ridge

#endif
