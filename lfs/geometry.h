// Angles, directions and distances between pixel positions, as the
// detector measures them.
#ifndef RIDGESDK_LFS_GEOMETRY_H
#define RIDGESDK_LFS_GEOMETRY_H

namespace lfs {

// Angle in radians of the line from (fx, fy) to (tx, ty), counter-clockwise
// from +x with y pointing up; 0 for coincident points.
float angle2line(int fx, int fy, int tx, int ty);

// Direction of the line from (fx, fy) to (tx, ty) on the 2*ndirs scale:
// 0 points up (towards row 0) and the direction grows clockwise.
int line2direction(int fx, int fy, int tx, int ty, int ndirs);

float squared_distance(int x1, int y1, int x2, int y2);

} // namespace lfs

#endif
