// Direction tests on the directional powers of one block.
#include "extract/maps/block_direction.h"

#include <cstddef>

namespace ridge {

namespace {

constexpr float MIN_POWER_SUM = 10.0f;

} // namespace

void get_dft_power_stats(lfs::PowerStats &stats, const float *powers, int first_wave, int nwaves, int ndirs)
{
    for (int w = first_wave, i = 0; w < nwaves; ++w, ++i) {
        const float *row = powers + w * ndirs;
        float powmax = row[0];
        int powmax_dir = 0;
        float powsum = row[0];
        for (int d = 1; d < ndirs; ++d) {
            powsum += row[d];
            if (row[d] > powmax) {
                powmax = row[d];
                powmax_dir = d;
            }
        }
        const float mean = (powsum > MIN_POWER_SUM ? powsum : MIN_POWER_SUM) / static_cast<float>(ndirs);
        const size_t k = static_cast<size_t>(i);
        stats.powmaxs[k] = powmax;
        stats.powmax_dirs[k] = powmax_dir;
        stats.pownorms[k] = powmax / mean;
        stats.wis[k] = i;  // unranked until sort_dft_waves
    }
}

int primary_dir_test(const float *powers, const lfs::PowerStats &stats, int nstats,
                     const lfs::LfsParams &lfsparms)
{
    for (int i = 0; i < nstats; ++i) {
        const size_t w = static_cast<size_t>(stats.wis[static_cast<size_t>(i)]);
        const int dir = stats.powmax_dirs[w];
        if (stats.powmaxs[w] > lfsparms.powmax_min && stats.pownorms[w] > lfsparms.pownorm_min &&
            powers[dir] <= lfsparms.powmax_max)
            return dir;
    }
    return -1;
}

int fork_dir_test(const float *powers, const lfs::PowerStats &stats, int first_wave, int ndirs,
                  const lfs::LfsParams &lfsparms)
{
    const int best = stats.wis[0];
    const size_t w = static_cast<size_t>(best);
    const float powmax = stats.powmaxs[w];
    const int dir = stats.powmax_dirs[w];
    const float pownorm_min = lfsparms.pownorm_min * lfsparms.fork_pct_pownorm;
    if (!(powmax > lfsparms.powmax_min) || !(stats.pownorms[w] >= pownorm_min) ||
        !(powers[dir] <= lfsparms.powmax_max))
        return -1;

    const int left = (dir + ndirs - lfsparms.fork_interval) % ndirs;
    const int right = (dir + lfsparms.fork_interval) % ndirs;
    const float threshold = powmax * lfsparms.fork_pct_powmax;
    const float *row = powers + (first_wave + best) * ndirs;
    const bool left_weak = row[left] <= threshold;
    const bool right_weak = row[right] <= threshold;
    return left_weak != right_weak ? dir : -1;
}

} // namespace ridge
