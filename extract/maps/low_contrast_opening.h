// Morphological opening of the low-contrast block map.
#ifndef RIDGESDK_EXTRACT_LOW_CONTRAST_OPENING_H
#define RIDGESDK_EXTRACT_LOW_CONTRAST_OPENING_H

#include <vector>

namespace ridge {

// One erosion then one dilation of the set of cells holding 1, 4-connected,
// everything beyond the map counting as 1. Isolated flagged cells and
// flagged strips one cell wide return to 0.
void open_low_contrast_map(std::vector<int> &low_contrast_map, int mw, int mh);

} // namespace ridge

#endif
