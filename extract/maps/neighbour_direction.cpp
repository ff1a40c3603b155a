// Neighbour direction averaging: the directions are points on the doubled
// circle (16 directions over 180 degrees become 16 angles over 360), summed
// as 16.16 unit vectors; the mean vector's length is the agreement of the
// neighbours and its angle the average direction.
#include "extract/maps/neighbour_direction.h"

#include "extract/maps/fixed_atan2.h"

#include <cstdint>
#include <cstdlib>

namespace ridge {

namespace {

constexpr int32_t FIXED_DEG_22_5 = 1474560;
// Half a direction step (11.25 degrees) plus 49 units, added before the
// division by a whole step so that it rounds to the nearest direction.
constexpr int32_t HALF_STEP_ROUNDING = 737329;

} // namespace

NeighbourAverage average_neighbour_direction(const int *direction_map, int mx, int my, int mw, int mh,
                                             const lfs::Dir2Rad &dir2rad)
{
    NeighbourAverage out;
    int32_t c = 0, s = 0;
    int valid = 0;
    for (int ny = my - 1; ny <= my + 1; ++ny) {
        if (ny < 0 || ny >= mh)
            continue;
        for (int nx = mx - 1; nx <= mx + 1; ++nx) {
            if (nx < 0 || nx >= mw || (nx == mx && ny == my))
                continue;
            const int d = direction_map[ny * mw + nx];
            if (d < 0 || d >= dir2rad.ndirs)
                continue;
            c += dir2rad.ncos[static_cast<size_t>(d)];
            s += dir2rad.nsin[static_cast<size_t>(d)];
            ++valid;
        }
    }
    out.valid = valid;
    if (valid == 0)
        return out;

    const int64_t v = valid;
    const int64_t len2 = static_cast<int64_t>(c) * c + static_cast<int64_t>(s) * s;
    const int32_t strength = static_cast<int32_t>((len2 / (v * v)) >> 16);
    if (strength < DIR_STRENGTH_MIN)
        return out;

    out.strength = static_cast<float>(strength);
    const int32_t angle = (c == 0 && s == 0) ? 0 : fixed_atan2(c, s);
    const int32_t wrapped = (angle + FIXED_DEG_360) % FIXED_DEG_360;
    out.direction = ((wrapped + HALF_STEP_ROUNDING) / FIXED_DEG_22_5) % dir2rad.ndirs;
    return out;
}

namespace {

// Consistency test of a block with a valid direction against the map.
bool inconsistent(const std::vector<int> &direction_map, int mx, int my, int mw, int mh, const lfs::Dir2Rad &dir2rad,
                  const lfs::LfsParams &lfsparms)
{
    const int own = direction_map[static_cast<size_t>(my * mw + mx)];
    const NeighbourAverage avg = average_neighbour_direction(direction_map.data(), mx, my, mw, mh, dir2rad);
    if (avg.valid < lfsparms.rmv_valid_nbr_min)
        return true;
    if (avg.strength < static_cast<float>(DIR_STRENGTH_MIN))
        return false;
    const int ndirs = dir2rad.ndirs;
    const int dist = std::abs(avg.direction - own);
    return (dist < ndirs - dist ? dist : ndirs - dist) > lfsparms.dir_distance_max;
}

} // namespace

void remove_inconsistent_directions(std::vector<int> &direction_map, int mw, int mh,
                                    const lfs::Dir2Rad &dir2rad, const lfs::LfsParams &lfsparms)
{
    // A pass tests every candidate against the map as the pass found it and
    // only then removes the failures together, so the visiting order does
    // not matter. After the first pass only the neighbours of removed
    // blocks can change their verdict: everyone else sees the same
    // neighbourhood as before, which they passed.
    std::vector<int> candidates;
    for (int i = 0; i < mw * mh; ++i)
        if (direction_map[static_cast<size_t>(i)] >= 0)
            candidates.push_back(i);
    std::vector<char> queued(static_cast<size_t>(mw) * static_cast<size_t>(mh), 0);
    std::vector<int> failed;
    while (!candidates.empty()) {
        failed.clear();
        for (int index : candidates)
            if (inconsistent(direction_map, index % mw, index / mw, mw, mh, dir2rad, lfsparms))
                failed.push_back(index);
        for (int index : failed)
            direction_map[static_cast<size_t>(index)] = -1;

        candidates.clear();
        for (int index : failed) {
            const int mx = index % mw, my = index / mw;
            for (int ny = my - 1; ny <= my + 1; ++ny)
                for (int nx = mx - 1; nx <= mx + 1; ++nx) {
                    if (nx < 0 || nx >= mw || ny < 0 || ny >= mh)
                        continue;
                    const size_t n = static_cast<size_t>(ny * mw + nx);
                    if (direction_map[n] >= 0 && !queued[n]) {
                        queued[n] = 1;
                        candidates.push_back(static_cast<int>(n));
                    }
                }
        }
        for (int index : candidates)
            queued[static_cast<size_t>(index)] = 0;
    }
}

void smooth_direction_map(std::vector<int> &direction_map, const std::vector<int> &low_contrast_map, int mw,
                          int mh, const lfs::Dir2Rad &dir2rad, const lfs::LfsParams &lfsparms)
{
    for (int my = 0; my < mh; ++my) {
        for (int mx = 0; mx < mw; ++mx) {
            const size_t index = static_cast<size_t>(my * mw + mx);
            if (low_contrast_map[index] != 0)
                continue;
            const NeighbourAverage avg =
                average_neighbour_direction(direction_map.data(), mx, my, mw, mh, dir2rad);
            if (avg.strength < static_cast<float>(DIR_STRENGTH_MIN))
                continue;
            const bool own_valid = direction_map[index] >= 0;
            if ((own_valid && avg.valid >= lfsparms.rmv_valid_nbr_min) ||
                (!own_valid && avg.valid >= lfsparms.smth_valid_nbr_min))
                direction_map[index] = avg.direction;
        }
    }
}

} // namespace ridge
