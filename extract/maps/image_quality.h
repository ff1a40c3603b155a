// Image quality figure from the block quality levels.
#ifndef RIDGESDK_EXTRACT_IMAGE_QUALITY_H
#define RIDGESDK_EXTRACT_IMAGE_QUALITY_H

#include <vector>

namespace ridge {

// Usable blocks fewer than or equal to this give a figure of 0.
constexpr int MIN_USABLE_BLOCKS = 100;
constexpr int PIXELS_PER_BLOCK = 64;

// Figure = 25 x mean level of the blocks above 0 when more than 100 of them,
// else 0; area = 64 pixels per block above 0.
void quality_from_levels(const std::vector<int> &quality_map, float &quality, int &quality_area);

} // namespace ridge

#endif
