// Initial block maps. The contrast test runs over all blocks first so that
// stray contrasted patches can be dropped (largest region) and pinholes in
// the finger closed (opening) before any direction is computed: only the
// blocks that keep their contrast pay for the directional powers.
#include "extract/maps/initial_maps.h"

#include "extract/maps/block_direction.h"
#include "extract/maps/block_powers.h"
#include "extract/maps/contrast_pass.h"
#include "extract/maps/dft_waves.h"
#include "extract/maps/largest_region.h"
#include "extract/maps/low_contrast_opening.h"
#include "lfs/maps.h"
#include "lfs/simd.h"
#include "sdk/diagnostics.h"

#include <cstdio>
#include <new>

namespace ridge {

int window_origin(int blkoffset, int pw, int ph, int pad, const lfs::LfsParams &lfsparms)
{
    int x = blkoffset % pw - lfsparms.windowoffset;
    int y = blkoffset / pw - lfsparms.windowoffset;
    const int x_max = pw - pad - lfsparms.windowsize - 1;
    const int y_max = ph - pad - lfsparms.windowsize - 1;
    if (x < pad)
        x = pad;
    if (x > x_max)
        x = x_max;
    if (y < pad)
        y = pad;
    if (y > y_max)
        y = y_max;
    return y * pw + x;
}

namespace {

int alloc_map(std::vector<int> &map, size_t n, int fill, const char *name, int code)
{
    try {
        map.assign(n, fill);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : gen_initial_maps : malloc : %s\n", name);
        return code;
    }
    return 0;
}

int release_all(int code, std::vector<int> &direction_map, std::vector<int> &low_contrast_map,
                std::vector<int> &low_flow_map)
{
    std::vector<int>().swap(direction_map);
    std::vector<int>().swap(low_contrast_map);
    std::vector<int>().swap(low_flow_map);
    return code;
}

} // namespace

int gen_initial_maps(std::vector<int> &direction_map, std::vector<int> &low_contrast_map,
                     std::vector<int> &low_flow_map, const std::vector<int> &blkoffs, int mw, int mh,
                     const unsigned char *pdata, int pw, int ph, const lfs::DftWaves &dftwaves,
                     const lfs::RotGrids &dftgrids, const lfs::LfsParams &lfsparms)
{
    const size_t nblocks = static_cast<size_t>(mw) * static_cast<size_t>(mh);
    int ret;
    if ((ret = alloc_map(direction_map, nblocks, -1, "direction_map", -550)) != 0)
        return release_all(ret, direction_map, low_contrast_map, low_flow_map);
    if ((ret = alloc_map(low_contrast_map, nblocks, 0, "low_contrast_map", -551)) != 0)
        return release_all(ret, direction_map, low_contrast_map, low_flow_map);
    if ((ret = alloc_map(low_flow_map, nblocks, 0, "low_flow_map", -552)) != 0)
        return release_all(ret, direction_map, low_contrast_map, low_flow_map);

    const int ndirs = dftgrids.ngrids;
    const int nstats = dftwaves.nwaves - 1;
    std::vector<float> powers;
    lfs::PowerStats stats;
    if ((ret = lfs::alloc_dir_powers(powers, dftwaves.nwaves, ndirs)) != 0)
        return release_all(ret, direction_map, low_contrast_map, low_flow_map);
    if ((ret = lfs::alloc_power_stats(stats, nstats)) != 0)
        return release_all(ret, direction_map, low_contrast_map, low_flow_map);

    // The windows only fit when the unpadded image is larger than a window.
    const int pad = dftgrids.pad;
    if (pw - 2 * pad <= lfsparms.windowsize || ph - 2 * pad <= lfsparms.windowsize) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : gen_initial_maps : image smaller than the analysis window\n");
        return release_all(-553, direction_map, low_contrast_map, low_flow_map);
    }
    // The direction tests rank the waves after the first.
    if (nstats < 1) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : gen_initial_maps : at least two DFT waves needed\n");
        return release_all(-555, direction_map, low_contrast_map, low_flow_map);
    }

    try {
        std::vector<int> origins(nblocks);
        for (size_t b = 0; b < nblocks; ++b)
            origins[b] = window_origin(blkoffs[b], pw, ph, pad, lfsparms);

        if ((ret = low_contrast_pass(low_contrast_map, origins, pdata, pw, ph, pad, lfsparms)) != 0)
            return release_all(ret, direction_map, low_contrast_map, low_flow_map);
        keep_largest_region(low_contrast_map, mw, mh);
        open_low_contrast_map(low_contrast_map, mw, mh);

        // The powers are computed a block row at a time, neighbouring blocks
        // side by side; the tests then take the blocks one by one.
        BlockPowers block_powers;
        if ((ret = block_powers.prepare(pdata, pw, ph, dftwaves, dftgrids, lfs::best_simd_level())) != 0)
            return release_all(ret, direction_map, low_contrast_map, low_flow_map);
        const size_t row_blocks = static_cast<size_t>(mw);
        const size_t per_block = powers.size();
        std::vector<float> row_powers(row_blocks * per_block);
        std::vector<unsigned char> needed(row_blocks);
        for (size_t row = 0; row < static_cast<size_t>(mh); ++row) {
            const size_t first = row * row_blocks;
            for (size_t i = 0; i < row_blocks; ++i)
                needed[i] = low_contrast_map[first + i] == 0;
            if ((ret = block_powers.row(row_powers.data(), origins.data() + first, needed.data(),
                                        static_cast<int>(row_blocks))) != 0)
                return release_all(ret, direction_map, low_contrast_map, low_flow_map);
            for (size_t i = 0; i < row_blocks; ++i) {
                if (!needed[i])
                    continue;
                const size_t b = first + i;
                const float *block = row_powers.data() + i * per_block;
                get_dft_power_stats(stats, block, 1, dftwaves.nwaves, ndirs);
                if ((ret = lfs::sort_dft_waves(stats, nstats)) != 0)
                    return release_all(ret, direction_map, low_contrast_map, low_flow_map);

                int dir = primary_dir_test(block, stats, nstats, lfsparms);
                if (dir < 0)
                    dir = fork_dir_test(block, stats, 1, ndirs, lfsparms);
                if (dir >= 0)
                    direction_map[b] = dir;
                else
                    low_flow_map[b] = 1;
            }
        }
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : gen_initial_maps : malloc : working copy\n");
        return release_all(-554, direction_map, low_contrast_map, low_flow_map);
    }
    return 0;
}

} // namespace ridge
