// Sector cells of neighbour records for the quick candidate test.
#include "matcher/neighbourhood_keys.h"

#include <cstring>

namespace ridge {

namespace {

bool plain_record(const NeighbourRecord &r)
{
    return r.direction >= 0 && r.direction < 360 && r.orientation >= 0 && r.orientation <= 360;
}

bool plain_table(const NeighbourhoodTable &table, int count)
{
    for (int i = 0; i < count; ++i)
        for (const NeighbourRecord &r : table.entries[i].records)
            if (!plain_record(r))
                return false;
    return true;
}

int direction_sector(const NeighbourRecord &r) { return r.direction / 10; }
// An orientation of 360 is the same direction as 0.
int orientation_sector(const NeighbourRecord &r) { return (r.orientation % 360) / 20; }

int cell_of(int direction_sector_index, int orientation_sector_index)
{
    return direction_sector_index * kOrientationSectors + orientation_sector_index;
}

} // namespace

void keyBaseNeighbourhoods(const NeighbourhoodTable &table, int count, BaseKeys *keys)
{
    keys->usable = plain_table(table, count);
    if (!keys->usable)
        return;
    for (int i = 0; i < count; ++i)
        for (int k = 0; k < kNeighbourCount; ++k) {
            const NeighbourRecord &r = table.entries[i].records[k];
            keys->cell[i][k] = static_cast<uint16_t>(cell_of(direction_sector(r), orientation_sector(r)));
        }
}

void keyLiveNeighbourhoods(const NeighbourhoodTable &table, int count, LiveKeys *keys)
{
    keys->usable = count <= FPT_MAX_MINUTIAE && plain_table(table, count);
    if (!keys->usable)
        return;
    std::memset(keys->reaching, 0, sizeof keys->reaching);
    for (int j = 0; j < count; ++j) {
        const uint64_t bit = uint64_t{1} << (j & 63);
        const int word = j >> 6;
        for (const NeighbourRecord &r : table.entries[j].records) {
            const int ds = direction_sector(r), os = orientation_sector(r);
            const int rows[3] = {ds == 0 ? kDirectionSectors - 1 : ds - 1, ds,
                                 ds == kDirectionSectors - 1 ? 0 : ds + 1};
            const int columns[3] = {os == 0 ? kOrientationSectors - 1 : os - 1, os,
                                    os == kOrientationSectors - 1 ? 0 : os + 1};
            for (const int d : rows)
                for (const int o : columns)
                    keys->reaching[cell_of(d, o)].words[word] |= bit;
        }
    }
}

LiveSet possiblePartners(const BaseKeys &base, int i, const LiveKeys &live)
{
    // A position is in at_least_three once three of the sets held it.
    LiveSet at_least_three{};
    for (int w = 0; w < kLiveSetWords; ++w) {
        CountToThree count;
        for (int k = 0; k < kNeighbourCount; ++k)
            count.add(live.reaching[base.cell[i][k]].words[w]);
        at_least_three.words[w] = count.thrice;
    }
    return at_least_three;
}

} // namespace ridge
