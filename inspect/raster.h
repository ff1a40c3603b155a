// A small RGB raster and the few shapes the inspection pictures need:
// lines, rings, squares, crosses, tints and a 5 x 7 pixel font. Everything
// outside the canvas is clipped.
#ifndef RIDGESDK_INSPECT_RASTER_H
#define RIDGESDK_INSPECT_RASTER_H

#include <cstdint>
#include <string>
#include <vector>

namespace ridge {

struct Rgb {
    unsigned char r = 0, g = 0, b = 0;
};
inline bool operator==(Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

class Canvas {
public:
    Canvas() = default;
    // width x height pixels of one colour.
    Canvas(int width, int height, Rgb fill);

    int width() const { return width_; }
    int height() const { return height_; }
    const std::vector<unsigned char> &rgb() const { return rgb_; }

    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    Rgb at(int x, int y) const;
    void set(int x, int y, Rgb colour);
    // colour laid over the pixel with the given opacity (0..256 = 0..1).
    void blend(int x, int y, Rgb colour, int opacity256);

    void line(int x0, int y0, int x1, int y1, Rgb colour);
    void ring(int cx, int cy, int radius, Rgb colour);
    void square(int cx, int cy, int half_side, Rgb colour);
    void cross(int cx, int cy, int half_size, Rgb colour);
    void fill_rect(int x, int y, int w, int h, Rgb colour);
    // Text in the 5 x 7 font with one free column between characters; its
    // top-left corner at (x, y). Characters without a glyph leave a gap.
    void text(int x, int y, const std::string &text, Rgb colour);
    // Copies another canvas with its top-left corner at (x, y).
    void paste(const Canvas &other, int x, int y);

private:
    int width_ = 0, height_ = 0;
    std::vector<unsigned char> rgb_;
};

// Width in pixels of a text in the font.
int text_width(const std::string &text);
constexpr int kFontHeight = 7;

} // namespace ridge

#endif
