// Storage for the directional DFT powers of a window and the per-wave
// statistics drawn from them, and the ranking of the waves.
#include "lfs/maps.h"
#include "sdk/diagnostics.h"

#include <cstdio>
#include <new>
#include <utility>

namespace lfs {

int alloc_dir_powers(std::vector<float> &powers, int nwaves, int ndirs)
{
    if (nwaves < 0 || ndirs < 0) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : alloc_dir_powers : bad dimensions\n");
        return -42;
    }
    try {
        powers.assign(static_cast<size_t>(nwaves) * static_cast<size_t>(ndirs), 0.0f);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : alloc_dir_powers : malloc : powers\n");
        return -40;
    }
    return 0;
}

int alloc_power_stats(PowerStats &stats, int nstats)
{
    if (nstats < 0) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : alloc_power_stats : bad dimensions\n");
        return -54;
    }
    const size_t n = static_cast<size_t>(nstats);
    try {
        stats.wis.assign(n, 0);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : alloc_power_stats : malloc : wis\n");
        return -50;
    }
    try {
        stats.powmaxs.assign(n, 0.0f);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : alloc_power_stats : malloc : powmaxs\n");
        return -51;
    }
    try {
        stats.powmax_dirs.assign(n, 0);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : alloc_power_stats : malloc : powmax_dirs\n");
        return -52;
    }
    try {
        stats.pownorms.assign(n, 0.0f);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : alloc_power_stats : malloc : pownorms\n");
        return -53;
    }
    return 0;
}

int sort_dft_waves(PowerStats &stats, int nstats)
{
    if (nstats < 0 || static_cast<size_t>(nstats) > stats.wis.size() ||
        static_cast<size_t>(nstats) > stats.powmaxs.size() || static_cast<size_t>(nstats) > stats.pownorms.size()) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : sort_dft_waves : bad number of stats : %d\n", nstats);
        return -101;
    }
    // Only the ranking wis is permuted; the statistics stay where they are
    // and are read through it. A bubble sort on strict "less than" keeps
    // equally ranked waves in their original order.
    float ranks[64];
    std::vector<float> big;
    float *rank = ranks;
    if (nstats > 64) {
        try {
            big.resize(static_cast<size_t>(nstats));
        } catch (const std::bad_alloc &) {
            ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : sort_dft_waves : malloc : pownorms2\n");
            return -100;
        }
        rank = big.data();
    }
    for (int i = 0; i < nstats; i++)
        rank[i] = stats.powmaxs[static_cast<size_t>(i)] * stats.pownorms[static_cast<size_t>(i)];

    for (int n = nstats; n > 1; n--) {
        bool swapped = false;
        for (int i = 1; i < n; i++) {
            if (rank[i - 1] < rank[i]) {
                std::swap(rank[i - 1], rank[i]);
                std::swap(stats.wis[static_cast<size_t>(i - 1)], stats.wis[static_cast<size_t>(i)]);
                swapped = true;
            }
        }
        if (!swapped)
            break;
    }
    return 0;
}

} // namespace lfs
