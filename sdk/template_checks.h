// Bounds of the minutiae that the matcher compares. Angles lie within
// 0..360 and coordinates within 0..16383, the largest that an FMR378
// record carries; every template the extractor or the converters make from
// valid input lies inside. Fields outside would wrap the matcher's 32-bit
// arithmetic and pass its angle gates, so such templates are refused.
#ifndef RIDGESDK_SDK_TEMPLATE_CHECKS_H
#define RIDGESDK_SDK_TEMPLATE_CHECKS_H

#include "ridgesdk.h"

#include <string>

namespace ridge {

constexpr int32_t kMaxMinutiaAngle = 360;
constexpr int32_t kMaxMinutiaCoordinate = 16383;

// An input record that claims bytes but points to none.
inline bool recordWithoutData(const TemplateBuffer &record) { return record.data == nullptr && record.size != 0; }

// Position of the first minutia with a field out of bounds, or -1. data
// holds count raw minutiae, in the byte order of the machine.
int firstInvalidMinutia(const unsigned char *data, int count);

// "minutia 3 (x 12, y 40, angle -97): angle outside 0..360", or "" when
// every minutia is within bounds.
std::string describeFirstInvalidMinutia(const unsigned char *data, int count);

} // namespace ridge

#endif
