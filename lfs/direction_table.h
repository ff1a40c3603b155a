// Sine and cosine of the 32 detector directions (d x 11.25 degrees), held
// in single precision to six significant digits. The side-minutia test and
// the ridge-ending screening both read this table, so they agree on every
// rounding.
#ifndef RIDGESDK_LFS_DIRECTION_TABLE_H
#define RIDGESDK_LFS_DIRECTION_TABLE_H

namespace ridge {

constexpr int kDetectorDirections = 32;

// S(d) and C(d); d is taken modulo 32, so negative values wrap.
float direction_sin(int d);
float direction_cos(int d);

} // namespace ridge

#endif
