// Conversion of detector minutiae to the raw template's records.
#ifndef RIDGESDK_EXTRACT_RAW_CONVERSION_H
#define RIDGESDK_EXTRACT_RAW_CONVERSION_H

#include "lfs/lfs.h"
#include "ridgesdk.h"

#include <vector>

namespace ridge {

// Even whole degrees 0..360 of an angle in radians (an angle of 359 degrees
// or more gives 360).
int32_t raw_angle_degrees(float angle);

RawMinutia to_raw_minutia(const lfs::Minutia &m);

// One record per minutia, in list order.
std::vector<RawMinutia> to_raw_minutiae(const lfs::Minutiae &minutiae);

} // namespace ridge

#endif
