// Directional powers of the blocks of one block row, computed side by side.
//
// The analysis windows of horizontally neighbouring blocks lie 8 pixels
// apart, and every window walks the same rotated grids. Split by column
// modulo 8 (the column-phase planes), the same grid point of neighbouring
// windows becomes consecutive bytes, so one vector load fetches that pixel
// for 8 or 16 blocks at once, and the row and column sums of all of them
// build up lane by lane. The sums, the folded A and B and the powers are
// exactly those of dft_dir_powers.
#ifndef RIDGESDK_EXTRACT_MAPS_BLOCK_POWERS_H
#define RIDGESDK_EXTRACT_MAPS_BLOCK_POWERS_H

#include "extract/maps/block_powers_lanes.h"
#include "lfs/lfs.h"
#include "lfs/simd.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ridge {

class BlockPowers {
public:
    // Sets up for the padded 6-bit image (which must outlive this object),
    // the wave tables and the rotated grids. With SimdLevel::Plain, or when
    // the waves and grids are not the 4 waves and 16 directions of 24 x 24
    // this path is built for, every block takes the single-block path.
    // Returns 0 or the code of dft_dir_powers' checks (-90, -91).
    int prepare(const unsigned char *pdata, int pw, int ph, const lfs::DftWaves &waves,
                const lfs::RotGrids &grids, lfs::SimdLevel level);

    // Powers of the blocks of one row whose needed flag is set:
    // powers[block * nwaves * ndirs + wave * ndirs + dir] (64, 16 and 1 on
    // the batched path), the blocks given by their window origins (offsets
    // in the padded image). Others are left as they were. Returns 0 or the
    // code of dft_dir_powers.
    int row(float *powers, const int *origins, const unsigned char *needed, int count);

    // Lanes per batch: 0 when batching is off.
    int lanes() const { return lanes_; }

private:
    int batch(float *powers, const int *origins, const unsigned char *needed, int run);
    const int32_t *table_for_phase(int phase);

    const unsigned char *pdata_ = nullptr;
    int pw_ = 0, ph_ = 0;
    const lfs::DftWaves *waves_ = nullptr;
    const lfs::RotGrids *grids_ = nullptr;
    int lanes_ = 0;
    size_t per_block_ = kPowerCount; // powers of one block: waves x directions
    std::vector<uint8_t> planes_;
    int plane_w_ = 0;
    int plane_size_ = 0;
    std::vector<int> dx_, dy_;            // grid points of the walked grids
    std::vector<int32_t> tables_[8];      // plane offsets, per column phase
    PowerCoefs coefs_{};
    std::vector<unsigned char> wanted_;   // blocks of the row computed, not copied
    bool six_bit_ = false; // every pixel below 64: powers converted in vectors
};

} // namespace ridge

#endif
