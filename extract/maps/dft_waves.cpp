// Integer DFT wave tables and directional powers.
//
// A block's direction is read from the energy of a few low-frequency waves
// along the rows of its window rotated to each direction. The sums and the
// coefficients are integers (coefficients scaled by 1024), so the power
// (A^2 + B^2) >> 20 has the units of the floating-point formulation.
#include "extract/maps/dft_waves.h"
#include "sdk/diagnostics.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <new>

namespace ridge {

namespace {

int round_half_away(double v)
{
    return static_cast<int>(v < 0.0 ? v - 0.5 : v + 0.5);
}

constexpr int FAST_LEN = 24;     // window and wave length of the folded path
constexpr int FAST_WAVES = 4;    // frequency factors 1..4
constexpr int MAX_GRID_LEN = 64; // bound on the sums kept on the stack

float power_of(int64_t a, int64_t b)
{
    return static_cast<float>((a * a + b * b) >> 20);
}

// Powers of waves 1..nwaves from 24 sums, the sums folded by the symmetries
// of cosine and sine so only the table entries are multiplied.
void folded_powers(const int *s, const lfs::DftWaves &w, int nwaves, float *out, int stride)
{
    const int full = DFT_COEF_SCALE;
    if (nwaves >= 1) {
        const std::vector<int> &c = w.waves[0].cos;
        const std::vector<int> &sn = w.waves[0].sin;
        int a = (s[0] - s[12]) * full;
        int b = (s[6] - s[18]) * full;
        for (int j = 1; j <= 5; ++j) {
            a += (s[j] + s[24 - j] - s[12 - j] - s[12 + j]) * c[j];
            b += (s[j] + s[12 - j] - s[12 + j] - s[24 - j]) * sn[j];
        }
        out[0] = power_of(a, b);
    }
    if (nwaves >= 2) {
        int t[12];
        for (int i = 0; i < 12; ++i)
            t[i] = s[i] + s[i + 12];
        const std::vector<int> &c = w.waves[1].cos;
        const std::vector<int> &sn = w.waves[1].sin;
        int a = (t[0] - t[6]) * full;
        int b = (t[3] - t[9]) * full;
        for (int j = 1; j <= 2; ++j) {
            a += (t[j] + t[12 - j] - t[6 - j] - t[6 + j]) * c[j];
            b += (t[j] + t[6 - j] - t[6 + j] - t[12 - j]) * sn[j];
        }
        out[stride] = power_of(a, b);
    }
    if (nwaves >= 3) {
        int u[8];
        for (int i = 0; i < 8; ++i)
            u[i] = s[i] + s[i + 8] + s[i + 16];
        const int a = (u[0] - u[4]) * full + (u[1] + u[7] - u[3] - u[5]) * w.waves[2].cos[1];
        const int b = (u[2] - u[6]) * full + (u[1] + u[3] - u[5] - u[7]) * w.waves[2].sin[1];
        out[2 * stride] = power_of(a, b);
    }
    if (nwaves >= 4) {
        int v[6];
        for (int i = 0; i < 6; ++i)
            v[i] = s[i] + s[i + 6] + s[i + 12] + s[i + 18];
        const int a = (v[0] - v[3]) * full + (v[1] + v[5] - v[2] - v[4]) * w.waves[3].cos[1];
        const int b = (v[1] + v[2] - v[4] - v[5]) * w.waves[3].sin[1];
        out[3 * stride] = power_of(a, b);
    }
}

// One walk over a 24 x 24 grid: row sums and reversed column sums. Four
// rows are walked side by side so that each column sum is updated once per
// four pixels; the pixel fetches through the offset table are what bound
// this loop.
void walk_grid24(const unsigned char *origin, const int *offsets, int *rows, int *cols_rev)
{
    int cols[FAST_LEN] = {};
    for (int r = 0; r < FAST_LEN; r += 4) {
        const int *o0 = offsets + r * FAST_LEN;
        const int *o1 = o0 + FAST_LEN;
        const int *o2 = o1 + FAST_LEN;
        const int *o3 = o2 + FAST_LEN;
        int s0 = 0, s1 = 0, s2 = 0, s3 = 0;
        for (int c = 0; c < FAST_LEN; ++c) {
            const int p0 = origin[o0[c]];
            const int p1 = origin[o1[c]];
            const int p2 = origin[o2[c]];
            const int p3 = origin[o3[c]];
            s0 += p0;
            s1 += p1;
            s2 += p2;
            s3 += p3;
            cols[c] += (p0 + p1) + (p2 + p3);
        }
        rows[r] = s0;
        rows[r + 1] = s1;
        rows[r + 2] = s2;
        rows[r + 3] = s3;
    }
    for (int c = 0; c < FAST_LEN; ++c)
        cols_rev[FAST_LEN - 1 - c] = cols[c];
}

int check_shapes(const lfs::DftWaves &dftwaves, const lfs::RotGrids &dftgrids)
{
    if (dftgrids.grid_w != dftgrids.grid_h) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : dft_dir_powers : DFT grids must be square\n");
        return -90;
    }
    if (dftwaves.wavelen != dftgrids.grid_w || dftgrids.grid_w <= 0 || dftgrids.grid_w > MAX_GRID_LEN ||
        dftgrids.ngrids % 2 != 0 || static_cast<int>(dftwaves.waves.size()) < dftwaves.nwaves) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : dft_dir_powers : DFT waves do not fit the grids\n");
        return -91;
    }
    return 0;
}

} // namespace

int init_dftwaves(lfs::DftWaves &dftwaves, int nwaves, int wavelen)
{
    dftwaves = lfs::DftWaves{};
    if (nwaves <= 0 || wavelen <= 0) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : init_dftwaves : malloc : dftwaves\n");
        return -20;
    }
    try {
        dftwaves.waves.resize(static_cast<size_t>(nwaves));
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : init_dftwaves : malloc : dftwaves->waves[i]\n");
        dftwaves = lfs::DftWaves{};
        return -22;
    }
    const size_t quarter = static_cast<size_t>(wavelen / 4 > 0 ? wavelen / 4 : 1);
    const float base = lfs::TWO_PI_F / static_cast<float>(wavelen);
    for (int k = 0; k < nwaves; ++k) {
        lfs::DftWave &wave = dftwaves.waves[static_cast<size_t>(k)];
        try {
            wave.cos.resize(quarter);
        } catch (const std::bad_alloc &) {
            ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : init_dftwaves : malloc : dftwaves->waves[i]->cos\n");
            dftwaves = lfs::DftWaves{};
            return -23;
        }
        try {
            wave.sin.resize(quarter);
        } catch (const std::bad_alloc &) {
            ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : init_dftwaves : malloc : dftwaves->waves[i]->sin\n");
            dftwaves = lfs::DftWaves{};
            return -24;
        }
        const float freq = base * static_cast<float>(k + 1);
        for (size_t j = 0; j < quarter; ++j) {
            const float theta = static_cast<float>(j) * freq;
            wave.cos[j] = round_half_away(std::cos(static_cast<double>(theta)) * DFT_COEF_SCALE);
            wave.sin[j] = round_half_away(std::sin(static_cast<double>(theta)) * DFT_COEF_SCALE);
        }
    }
    dftwaves.nwaves = nwaves;
    dftwaves.wavelen = wavelen;
    return 0;
}

int dft_dir_powers(float *powers, const unsigned char *pdata, int blkoffset, const lfs::DftWaves &dftwaves,
                   const lfs::RotGrids &dftgrids)
{
    if (dftgrids.grid_w != FAST_LEN || dftwaves.wavelen != FAST_LEN || dftwaves.nwaves > FAST_WAVES ||
        dftgrids.grid_h != FAST_LEN)
        return dft_dir_powers_plain(powers, pdata, blkoffset, dftwaves, dftgrids);
    const int status = check_shapes(dftwaves, dftgrids);
    if (status != 0)
        return status;

    const int ndirs = dftgrids.ngrids;
    const int half = ndirs / 2;
    const unsigned char *origin = pdata + blkoffset;
    int rows[FAST_LEN];
    int cols[FAST_LEN];
    for (int d = 0; d < half; ++d) {
        walk_grid24(origin, dftgrids.grids[static_cast<size_t>(d)].data(), rows, cols);
        folded_powers(rows, dftwaves, dftwaves.nwaves, powers + d, ndirs);
        folded_powers(cols, dftwaves, dftwaves.nwaves, powers + d + half, ndirs);
    }
    return 0;
}

int dft_dir_powers_plain(float *powers, const unsigned char *pdata, int blkoffset,
                         const lfs::DftWaves &dftwaves, const lfs::RotGrids &dftgrids)
{
    const int status = check_shapes(dftwaves, dftgrids);
    if (status != 0)
        return status;

    const int n = dftgrids.grid_w;
    const int ndirs = dftgrids.ngrids;
    const int half = ndirs / 2;
    const double two_pi = 2.0 * std::acos(-1.0);
    const unsigned char *origin = pdata + blkoffset;
    int rows[MAX_GRID_LEN];
    int cols[MAX_GRID_LEN];
    for (int d = 0; d < half; ++d) {
        const int *grid = dftgrids.grids[static_cast<size_t>(d)].data();
        for (int r = 0; r < n; ++r) {
            rows[r] = 0;
            for (int c = 0; c < n; ++c)
                rows[r] += origin[grid[r * n + c]];
        }
        for (int c = 0; c < n; ++c) {
            cols[n - 1 - c] = 0;
            for (int r = 0; r < n; ++r)
                cols[n - 1 - c] += origin[grid[r * n + c]];
        }
        for (int k = 1; k <= dftwaves.nwaves; ++k) {
            int64_t a_row = 0, b_row = 0, a_col = 0, b_col = 0;
            for (int i = 0; i < n; ++i) {
                const double theta = two_pi * k * i / n;
                const int cosc = round_half_away(std::cos(theta) * DFT_COEF_SCALE);
                const int sinc = round_half_away(std::sin(theta) * DFT_COEF_SCALE);
                a_row += rows[i] * cosc;
                b_row += rows[i] * sinc;
                a_col += cols[i] * cosc;
                b_col += cols[i] * sinc;
            }
            powers[(k - 1) * ndirs + d] = power_of(a_row, b_row);
            powers[(k - 1) * ndirs + d + half] = power_of(a_col, b_col);
        }
    }
    return 0;
}

} // namespace ridge
