// Direction-to-angle table with the 16.16 fixed-point companions used by the
// neighbour direction averaging.
#ifndef RIDGESDK_EXTRACT_DIR2RAD_H
#define RIDGESDK_EXTRACT_DIR2RAD_H

#include "lfs/lfs.h"

namespace ridge {

// Builds the table for ndirs directions over a half turn; the stored angle
// of direction i is the doubled block angle i * 2pi / ndirs. Returns 0, or
// -10/-11/-12 when storage cannot be had.
int init_dir2rad(lfs::Dir2Rad &dir2rad, int ndirs);

} // namespace ridge

#endif
