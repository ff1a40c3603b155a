#include "extract/minutiae/join_line.h"

#include <cstddef>
#include <cstdlib>

namespace ridge {

namespace {

void set_pixel(unsigned char *bdata, int iw, int ih, int x, int y, unsigned char value)
{
    if (x >= 0 && y >= 0 && x < iw && y < ih)
        bdata[static_cast<std::size_t>(y) * iw + x] = value;
}

} // namespace

void draw_join_line(unsigned char *bdata, int iw, int ih, int x0, int y0, int x1, int y1, unsigned char value)
{
    const int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
    const int sx = x1 >= x0 ? 1 : -1, sy = y1 >= y0 ? 1 : -1;
    int x = x0, y = y0;
    if (dx > dy) {
        int decision = 2 * dy - dx;
        for (int i = 0; i <= dx; ++i) {
            set_pixel(bdata, iw, ih, x, y, value);
            if (decision >= 0) {
                y += sy;
                decision -= 2 * dx;
            }
            decision += 2 * dy;
            x += sx;
        }
    } else {
        int decision = 2 * dx - dy;
        for (int i = 0; i <= dy; ++i) {
            set_pixel(bdata, iw, ih, x, y, value);
            if (decision >= 0) {
                x += sx;
                decision -= 2 * dy;
            }
            decision += 2 * dx;
            y += sy;
        }
    }
    set_pixel(bdata, iw, ih, x1, y1, value);
}

} // namespace ridge
