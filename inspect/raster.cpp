// Raster drawing of the inspection pictures.
#include "inspect/raster.h"

#include <cstdlib>

namespace ridge {

namespace {

struct Glyph {
    char c;
    const char *rows[kFontHeight]; // '#' set, '.' clear, 5 columns
};

const Glyph kGlyphs[] = {
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'3', {"####.", "....#", "....#", ".###.", "....#", "....#", "####."}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'6', {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
    {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
    {'9', {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."}},
    {'.', {".....", ".....", ".....", ".....", ".....", ".##..", ".##.."}},
    {':', {".....", ".##..", ".##..", ".....", ".##..", ".##..", "....."}},
    {'-', {".....", ".....", ".....", "#####", ".....", ".....", "....."}},
    {'a', {".....", ".....", ".###.", "....#", ".####", "#...#", ".####"}},
    {'c', {".....", ".....", ".###.", "#....", "#....", "#...#", ".###."}},
    {'e', {".....", ".....", ".###.", "#...#", "#####", "#....", ".###."}},
    {'i', {"..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."}},
    {'n', {".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"}},
    {'o', {".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."}},
    {'p', {".....", ".....", "####.", "#...#", "####.", "#....", "#...."}},
    {'r', {".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."}},
    {'s', {".....", ".....", ".####", "#....", ".###.", "....#", "####."}},
};

const Glyph *glyph_of(char c)
{
    for (const Glyph &g : kGlyphs)
        if (g.c == c)
            return &g;
    return nullptr;
}

constexpr int kGlyphAdvance = 6;

} // namespace

Canvas::Canvas(int width, int height, Rgb fill)
    : width_(width), height_(height), rgb_(static_cast<size_t>(width) * static_cast<size_t>(height) * 3)
{
    for (size_t i = 0; i < rgb_.size(); i += 3) {
        rgb_[i] = fill.r;
        rgb_[i + 1] = fill.g;
        rgb_[i + 2] = fill.b;
    }
}

Rgb Canvas::at(int x, int y) const
{
    const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)) * 3;
    return Rgb{rgb_[i], rgb_[i + 1], rgb_[i + 2]};
}

void Canvas::set(int x, int y, Rgb colour)
{
    if (!inside(x, y))
        return;
    const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)) * 3;
    rgb_[i] = colour.r;
    rgb_[i + 1] = colour.g;
    rgb_[i + 2] = colour.b;
}

void Canvas::blend(int x, int y, Rgb colour, int opacity256)
{
    if (!inside(x, y))
        return;
    const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)) * 3;
    const auto mix = [opacity256](unsigned char under, unsigned char over) {
        return static_cast<unsigned char>((under * (256 - opacity256) + over * opacity256 + 128) >> 8);
    };
    rgb_[i] = mix(rgb_[i], colour.r);
    rgb_[i + 1] = mix(rgb_[i + 1], colour.g);
    rgb_[i + 2] = mix(rgb_[i + 2], colour.b);
}

void Canvas::line(int x0, int y0, int x1, int y1, Rgb colour)
{
    // Bresenham, every step inside the canvas set.
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        set(x0, y0, colour);
        if (x0 == x1 && y0 == y1)
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void Canvas::ring(int cx, int cy, int radius, Rgb colour)
{
    // Midpoint circle: the eight octants of each step.
    int x = radius, y = 0, err = 1 - radius;
    while (x >= y) {
        const int px[8] = {x, y, -y, -x, -x, -y, y, x};
        const int py[8] = {y, x, x, y, -y, -x, -x, -y};
        for (int k = 0; k < 8; ++k)
            set(cx + px[k], cy + py[k], colour);
        ++y;
        if (err < 0) {
            err += 2 * y + 1;
        } else {
            --x;
            err += 2 * (y - x) + 1;
        }
    }
}

void Canvas::square(int cx, int cy, int half_side, Rgb colour)
{
    for (int k = -half_side; k <= half_side; ++k) {
        set(cx + k, cy - half_side, colour);
        set(cx + k, cy + half_side, colour);
        set(cx - half_side, cy + k, colour);
        set(cx + half_side, cy + k, colour);
    }
}

void Canvas::cross(int cx, int cy, int half_size, Rgb colour)
{
    for (int k = -half_size; k <= half_size; ++k) {
        set(cx + k, cy + k, colour);
        set(cx + k, cy - k, colour);
    }
}

void Canvas::fill_rect(int x, int y, int w, int h, Rgb colour)
{
    for (int row = y; row < y + h; ++row)
        for (int col = x; col < x + w; ++col)
            set(col, row, colour);
}

void Canvas::text(int x, int y, const std::string &text, Rgb colour)
{
    for (const char c : text) {
        if (const Glyph *g = glyph_of(c))
            for (int row = 0; row < kFontHeight; ++row)
                for (int col = 0; col < 5; ++col)
                    if (g->rows[row][col] == '#')
                        set(x + col, y + row, colour);
        x += kGlyphAdvance;
    }
}

void Canvas::paste(const Canvas &other, int x, int y)
{
    for (int row = 0; row < other.height(); ++row)
        for (int col = 0; col < other.width(); ++col)
            set(x + col, y + row, other.at(col, row));
}

int text_width(const std::string &text)
{
    return text.empty() ? 0 : static_cast<int>(text.size()) * kGlyphAdvance - 1;
}

} // namespace ridge
