#include "matcher/reach_index.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

void reachCells(const CompactHood &hood, uint16_t cells[kCompactLanes])
{
#if defined(__SSE2__)
    // Divisions by 13, 10 and 20 as high halves of 16-bit products, exact
    // over the ranges met: distances clamped to 207 (band 15), directions
    // 0..359 and orientations 0..359 once 360 has become 0.
    __m128i distance, direction, orientation;
    std::memcpy(&distance, hood.distance, sizeof distance);
    std::memcpy(&direction, hood.direction, sizeof direction);
    std::memcpy(&orientation, hood.orientation, sizeof orientation);
    const __m128i band = _mm_mulhi_epu16(_mm_min_epi16(distance, _mm_set1_epi16(207)), _mm_set1_epi16(5042));
    const __m128i ds = _mm_mulhi_epu16(direction, _mm_set1_epi16(6554));
    orientation = _mm_sub_epi16(orientation,
                                _mm_and_si128(_mm_cmpgt_epi16(orientation, _mm_set1_epi16(359)), _mm_set1_epi16(360)));
    const __m128i os = _mm_mulhi_epu16(orientation, _mm_set1_epi16(3277));
    const __m128i cell = _mm_add_epi16(
        _mm_add_epi16(_mm_mullo_epi16(band, _mm_set1_epi16(kDirectionSectors * kOrientationSectors)),
                      _mm_mullo_epi16(ds, _mm_set1_epi16(kOrientationSectors))),
        os);
    std::memcpy(cells, &cell, sizeof cell);
#else
    for (int k = 0; k < kNeighbourCount; ++k)
        cells[k] = static_cast<uint16_t>(reachCell(hood.distance[k], hood.direction[k], hood.orientation[k]));
#endif
}

LiveSet ReachIndex::partners(const CompactHood &hood) const
{
    uint16_t cell[kCompactLanes];
    reachCells(hood, cell);
    LiveSet out{};
    for (int w = 0; w < words_; ++w) {
        CountToThree count;
        for (int k = 0; k < kNeighbourCount; ++k)
            count.add(cells_[w][cell[k]]);
        out.words[w] = count.thrice;
    }
    return out;
}

} // namespace ridge
