// Digital straight line drawn into the binary image.
#ifndef RIDGESDK_EXTRACT_JOIN_LINE_H
#define RIDGESDK_EXTRACT_JOIN_LINE_H

namespace ridge {

// Sets every pixel of Bresenham's line from (x0, y0) to (x1, y1), both
// ends included, to value; pixels outside the image are skipped. The
// longer axis steps every pixel (the vertical one on a tie).
void draw_join_line(unsigned char *bdata, int iw, int ih, int x0, int y0, int x1, int y1, unsigned char value);

} // namespace ridge

#endif
