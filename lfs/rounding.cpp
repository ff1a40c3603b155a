// Rounding helpers shared by the detector stages.
#include "lfs/lfs.h"

#include <cmath>

namespace lfs {

int sround(double v)
{
    return v < 0.0 ? static_cast<int>(v - 0.5) : static_cast<int>(v + 0.5);
}

double trunc_dbl_precision(double v, double scale)
{
    // Rounds v to a multiple of 1/scale, halves away from zero.
    const double s = v < 0.0 ? v * scale - 0.5 : v * scale + 0.5;
    return static_cast<double>(static_cast<long long>(s)) / scale;
}

int round_trunc(double v)
{
    return sround(trunc_dbl_precision(v, TRUNC_SCALE));
}

} // namespace lfs
