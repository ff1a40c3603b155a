#include "lfs/simd.h"

namespace lfs {

bool simd_level_available(SimdLevel level)
{
    if (level != SimdLevel::Avx2)
        return true;
#if RIDGE_HAVE_AVX2_PATHS
    static const bool has_avx2 = __builtin_cpu_supports("avx2") != 0;
    return has_avx2;
#else
    return false;
#endif
}

SimdLevel best_simd_level()
{
    return simd_level_available(SimdLevel::Avx2) ? SimdLevel::Avx2 : SimdLevel::Vector;
}

} // namespace lfs
