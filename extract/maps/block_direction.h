// Choice of a block's direction from its directional powers.
#ifndef RIDGESDK_EXTRACT_BLOCK_DIRECTION_H
#define RIDGESDK_EXTRACT_BLOCK_DIRECTION_H

#include "lfs/lfs_params.h"
#include "lfs/maps.h"

namespace ridge {

// Statistics of waves first_wave.. of a power table powers[wave * ndirs +
// dir] into stats[0..]: the maximal power, its (first) direction, and the
// maximal power over the mean power (a sum of 10 or less counts as 10);
// stats.wis is reset to 0, 1, ... for sort_dft_waves to rank.
void get_dft_power_stats(lfs::PowerStats &stats, const float *powers, int first_wave, int nwaves, int ndirs);

// powers[dir] is the lowest wave's power at dir.
// Direction given by the first ranked wave (stats.wis) that is strong,
// peaked and not dominated by the lowest wave; -1 when none is.
int primary_dir_test(const float *powers, const lfs::PowerStats &stats, int nstats,
                     const lfs::LfsParams &lfsparms);

// Rescue of a block the primary test rejects: the best-ranked wave must be
// nearly as strong as the primary test asks, and exactly one of the two
// directions fork_interval away on either side of its peak must be weak.
// Returns that wave's peak direction, or -1.
int fork_dir_test(const float *powers, const lfs::PowerStats &stats, int first_wave, int ndirs,
                  const lfs::LfsParams &lfsparms);

} // namespace ridge

#endif
