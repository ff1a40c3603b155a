#include "matcher/reach_index.h"

#include <cstring>

namespace ridge {

void ReachIndex::build(const CompactHood *hoods, int count)
{
    words_ = (count + 63) / 64;
    for (int w = 0; w < words_; ++w)
        std::memset(cells_[w], 0, sizeof cells_[w]);
    for (int p = 0; p < count; ++p) {
        const uint64_t bit = uint64_t{1} << (p & 63);
        uint64_t *cells = cells_[p >> 6];
        const CompactHood &h = hoods[p];
        for (int k = 0; k < kNeighbourCount; ++k) {
            const int band = h.distance[k] / kBandWidth < kDistanceBands ? h.distance[k] / kBandWidth
                                                                         : kDistanceBands - 1;
            const int ds = h.direction[k] / 10, os = (h.orientation[k] % 360) / 20;
            for (int b = band - 1; b <= band + 1; ++b) {
                if (b < 0 || b >= kDistanceBands)
                    continue;
                for (int d = ds - 1; d <= ds + 1; ++d) {
                    const int dw = d < 0 ? d + kDirectionSectors : d >= kDirectionSectors ? d - kDirectionSectors : d;
                    for (int o = os - 1; o <= os + 1; ++o) {
                        const int ow = o < 0 ? o + kOrientationSectors : o >= kOrientationSectors ? o - kOrientationSectors : o;
                        cells[(b * kDirectionSectors + dw) * kOrientationSectors + ow] |= bit;
                    }
                }
            }
        }
    }
}

LiveSet ReachIndex::partners(const CompactHood &hood) const
{
    int cell[kNeighbourCount];
    for (int k = 0; k < kNeighbourCount; ++k)
        cell[k] = reachCell(hood.distance[k], hood.direction[k], hood.orientation[k]);
    LiveSet out{};
    for (int w = 0; w < words_; ++w) {
        // Counts per position saturating at three, one bit plane each.
        uint64_t once = 0, twice = 0, thrice = 0;
        for (int k = 0; k < kNeighbourCount; ++k) {
            const uint64_t m = cells_[w][cell[k]];
            thrice |= twice & m;
            twice |= once & m;
            once |= m;
        }
        out.words[w] = thrice;
    }
    return out;
}

} // namespace ridge
