// Angle of every minutia from the shape of its contour, or from the
// detector direction where the contour gives no sharp turn.
#ifndef RIDGESDK_EXTRACT_ANGLE_REFINEMENT_H
#define RIDGESDK_EXTRACT_ANGLE_REFINEMENT_H

#include "lfs/lfs.h"

namespace ridge {

// Angle in radians, counter-clockwise from +x with y pointing up, of the
// detector direction d (0 up, clockwise in 32 steps).
float direction_angle(int direction);

// Sets every minutia's angle field. bdata: 0 ridge, 255 valley.
void refine_minutia_angles(lfs::Minutiae &minutiae, const unsigned char *bdata, int iw, int ih);

} // namespace ridge

#endif
