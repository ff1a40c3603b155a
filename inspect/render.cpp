// Drawing the layers.
#include "inspect/render.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace ridge {

namespace {

const Rgb kWhite{255, 255, 255};
const Rgb kBlack{0, 0, 0};
const Rgb kRidgeBlue{0, 0, 255};
const Rgb kDirectionColour{0, 170, 255};
const Rgb kQualityTints[5] = {{230, 0, 0}, {255, 140, 0}, {255, 230, 0}, {170, 230, 0}, {0, 200, 0}};
constexpr int kQualityOpacity = 44;  // of 256
constexpr int kBinaryOpacity = 128;
const Rgb kPairColours[6] = {{255, 0, 0}, {0, 200, 0}, {0, 90, 255}, {255, 0, 255}, {255, 160, 0}, {0, 200, 200}};
constexpr double kPi = 3.14159265358979323846;

Rgb fate_colour(int32_t fate)
{
    switch (fate) {
    case RIDGE_CANDIDATE_NEAR_VOID: return Rgb{255, 0, 255};
    case RIDGE_CANDIDATE_OPEN_SIDE: return Rgb{0, 220, 255};
    default: return kBlack;
    }
}

unsigned char lerp(int a, int b, float t)
{
    return static_cast<unsigned char>(std::lround(static_cast<float>(a) + static_cast<float>(b - a) * t));
}

// Size of a side: its image, else room for its minutiae and their marks.
void side_size(const PictureSide &side, int &width, int &height)
{
    if (side.inspection != nullptr) {
        width = side.inspection->width;
        height = side.inspection->height;
        return;
    }
    width = height = 16;
    for (const RawMinutia &m : side.minutiae) {
        width = std::max(width, m.x + kStrokeEnd + 1);
        height = std::max(height, m.y + kStrokeEnd + 1);
    }
    // A template may place a minutia 16383 pixels out: no picture of 800 MB.
    width = std::min(width, kMaxTemplateSide);
    height = std::min(height, kMaxTemplateSide);
}

void draw_quality(Canvas &canvas, const Inspection &inspection)
{
    const lfs::BlockMaps &maps = inspection.products.maps;
    const std::vector<int> &quality = inspection.products.quality_map;
    for (int y = 0; y < inspection.height; ++y)
        for (int x = 0; x < inspection.width; ++x) {
            const int level = quality[static_cast<size_t>((y / RIDGE_MAP_BLOCK_SIZE) * maps.mw +
                                                          x / RIDGE_MAP_BLOCK_SIZE)];
            canvas.blend(x, y, kQualityTints[std::clamp(level, 0, 4)], kQualityOpacity);
        }
}

void draw_binary(Canvas &canvas, const Inspection &inspection)
{
    const std::vector<unsigned char> &binary = inspection.products.binary;
    for (int y = 0; y < inspection.height; ++y)
        for (int x = 0; x < inspection.width; ++x)
            if (binary[static_cast<size_t>(y) * static_cast<size_t>(inspection.width) + static_cast<size_t>(x)] == 0)
                canvas.blend(x, y, kRidgeBlue, kBinaryOpacity);
}

void draw_directions(Canvas &canvas, const Inspection &inspection)
{
    const lfs::BlockMaps &maps = inspection.products.maps;
    const int half = RIDGE_MAP_BLOCK_SIZE / 2;
    for (int by = 0; by < maps.mh; ++by)
        for (int bx = 0; bx < maps.mw; ++bx) {
            const int d = maps.direction_map[static_cast<size_t>(by * maps.mw + bx)];
            if (d < 0)
                continue;
            // 16 directions over a half turn, 0 along the columns, clockwise.
            const double phi = d * kPi / 16.0;
            const int dx = static_cast<int>(std::lround(2.6 * std::sin(phi)));
            const int dy = static_cast<int>(std::lround(-2.6 * std::cos(phi)));
            const int cx = bx * RIDGE_MAP_BLOCK_SIZE + half, cy = by * RIDGE_MAP_BLOCK_SIZE + half;
            canvas.line(cx - dx, cy - dy, cx + dx, cy + dy, kDirectionColour);
        }
}

void draw_dropped(Canvas &canvas, const Inspection &inspection)
{
    for (const ridge_candidate &c : inspection.candidates)
        if (c.fate != RIDGE_CANDIDATE_KEPT)
            canvas.cross(c.x, c.y, 2, fate_colour(c.fate));
}

void draw_minutia(Canvas &canvas, const RawMinutia &m, Rgb colour)
{
    int start = kEndingRadius;
    if (m.type == FPT_MINUTIA_BIFURCATION) {
        canvas.square(m.x, m.y, kBifurcationHalf, colour);
        start = kBifurcationHalf + 1;
    } else {
        canvas.ring(m.x, m.y, kEndingRadius, colour);
    }
    // Angles count counter-clockwise with the y axis up.
    const double a = m.angle * kPi / 180.0;
    const double c = std::cos(a), s = -std::sin(a);
    canvas.line(m.x + static_cast<int>(std::lround(start * c)), m.y + static_cast<int>(std::lround(start * s)),
                m.x + static_cast<int>(std::lround(kStrokeEnd * c)),
                m.y + static_cast<int>(std::lround(kStrokeEnd * s)), colour);
}

void draw_minutiae(Canvas &canvas, const PictureSide &side)
{
    const bool coloured = side.reliability.size() == side.minutiae.size();
    std::vector<size_t> order(side.minutiae.size());
    std::iota(order.begin(), order.end(), size_t{0});
    // The most reliable are drawn last, on top.
    if (coloured)
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return side.reliability[a] < side.reliability[b]; });
    for (const size_t k : order)
        draw_minutia(canvas, side.minutiae[k],
                     coloured ? reliability_colour(side.reliability[k]) : kGivenTemplateColour);
}

std::string score_text(double score, size_t pairs)
{
    char text[64];
    std::snprintf(text, sizeof text, "score %.2f  pairs %zu", score, pairs);
    return text;
}

} // namespace

PictureSide inspection_side(const Inspection &inspection)
{
    PictureSide side;
    side.inspection = &inspection;
    side.minutiae = inspection.raw;
    side.reliability = inspection.reliability;
    return side;
}

Rgb reliability_colour(float reliability)
{
    const float t = std::clamp(reliability, 0.0f, 1.0f);
    if (t < 0.5f)
        return Rgb{255, lerp(0, 230, t * 2.0f), 0};
    return Rgb{lerp(255, 0, (t - 0.5f) * 2.0f), lerp(230, 200, (t - 0.5f) * 2.0f), 0};
}

Rgb pair_colour(size_t n) { return kPairColours[n % (sizeof kPairColours / sizeof kPairColours[0])]; }

Canvas render_side(const PictureSide &side, uint32_t layers)
{
    int width = 0, height = 0;
    side_size(side, width, height);
    Canvas canvas(width, height, kWhite);
    if (const Inspection *in = side.inspection) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const unsigned char g = in->grey[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
                canvas.set(x, y, Rgb{g, g, g});
            }
        if (layers & RIDGE_LAYER_BINARY)
            draw_binary(canvas, *in);
        if (layers & RIDGE_LAYER_QUALITY)
            draw_quality(canvas, *in);
        if (layers & RIDGE_LAYER_DIRECTIONS)
            draw_directions(canvas, *in);
        if (layers & RIDGE_LAYER_DROPPED)
            draw_dropped(canvas, *in);
    }
    if (layers & RIDGE_LAYER_MINUTIAE)
        draw_minutiae(canvas, side);
    return canvas;
}

Canvas render_pair(const PictureSide &first, const PictureSide &second, uint32_t layers,
                   const MatchedPairs &pairs, double score)
{
    const Canvas left = render_side(first, layers);
    const Canvas right = render_side(second, layers);
    Canvas canvas(left.width() + kPairGap + right.width(), std::max(left.height(), right.height()) + kPairBand,
                  kWhite);
    canvas.paste(left, 0, kPairBand);
    const int right_x = left.width() + kPairGap;
    canvas.paste(right, right_x, kPairBand);
    canvas.text(2, (kPairBand - kFontHeight) / 2, score_text(score, pairs.pairs.size()), kBlack);
    size_t n = 0;
    for (const auto &[a, b] : pairs.pairs) {
        const RawMinutia &ma = first.minutiae[static_cast<size_t>(a)];
        const RawMinutia &mb = second.minutiae[static_cast<size_t>(b)];
        canvas.line(ma.x, ma.y + kPairBand, mb.x + right_x, mb.y + kPairBand, pair_colour(n++));
    }
    return canvas;
}

} // namespace ridge
