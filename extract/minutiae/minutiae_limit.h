// The cap on the number of minutiae and their final order.
#ifndef RIDGESDK_EXTRACT_MINUTIAE_LIMIT_H
#define RIDGESDK_EXTRACT_MINUTIAE_LIMIT_H

#include "lfs/lfs.h"

namespace ridge {

// Most minutiae a template carries.
constexpr int kMaxTemplateMinutiae = 128;

// Keeps the 128 most reliable minutiae when there are more, then orders the
// list by y, then x.
void limit_minutiae(lfs::Minutiae &minutiae);

} // namespace ridge

#endif
