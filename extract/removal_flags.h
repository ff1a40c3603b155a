// Marks for the pairwise removal tests: each test marks minutiae while it
// scans the list in order and removes them all at the end, so that a removal
// never shifts the positions the scan is still walking.
#ifndef RIDGESDK_EXTRACT_REMOVAL_FLAGS_H
#define RIDGESDK_EXTRACT_REMOVAL_FLAGS_H

#include "lfs/lfs.h"

#include <vector>

namespace ridge {

// One cleared mark per minutia. Without memory, prints
// "ERROR : <routine> : calloc : to_remove" and returns false.
bool allocate_removal_flags(int count, const char *routine, std::vector<char> &flags);

// Removes the marked minutiae, last first; 0 or remove_minutia's code.
int remove_flagged_minutiae(const std::vector<char> &flags, lfs::Minutiae &minutiae);

} // namespace ridge

#endif
