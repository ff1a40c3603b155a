// Screening of doubtful ridge endings: endings near a void block and open
// endings that too few ridge/valley changes surround.
#include "extract/minutiae/ridge_ending_screening.h"

#include "lfs/direction_table.h"

#include <cmath>
#include <cstdlib>

namespace ridge {

namespace {

// Rounds a coordinate to its pixel: floor(v + 0.5).
int to_pixel(float v)
{
    return static_cast<int>(std::floor(v + 0.5f));
}

bool inside(int x, int y, int iw, int ih)
{
    return x >= 0 && x < iw && y >= 0 && y < ih;
}

unsigned char pixel(const unsigned char *bdata, int x, int y, int iw)
{
    return bdata[static_cast<size_t>(y) * static_cast<size_t>(iw) + static_cast<size_t>(x)];
}

float distance_from(int x0, int y0, int x, int y)
{
    const int dx = x - x0;
    const int dy = y - y0;
    return std::sqrt(static_cast<float>(dx * dx + dy * dy));
}

// Changes closer than this to the start of a line are not counted.
constexpr float kMinTransitionDistance = 3.0f;

// Ray lengths of the open-ending test.
constexpr float kSideRayLength = 50.0f;
constexpr float kBackRayLength = 20.0f;

// Points behind a ridge ending that are probed for a void block.
constexpr int kVoidProbeSteps = 14;

struct Point {
    int x, y;
};

// End of a ray of length len from p in detector angle phi (0 up, clockwise).
Point ray_end(Point p, float phi, float len)
{
    return {to_pixel(static_cast<float>(p.x) - len * std::sin(phi)),
            to_pixel(static_cast<float>(p.y) + len * std::cos(phi))};
}

int transitions_along(const unsigned char *bdata, Point from, Point to, int iw, int ih)
{
    return count_line_transitions(bdata, from.x, from.y, to.x, to.y, iw, ih);
}

bool is_open_ending(const lfs::Minutia &m, const unsigned char *bdata, int iw, int ih)
{
    const float theta = static_cast<float>(m.direction) * (lfs::PI_F / 16.0f);
    const float half_turn = lfs::PI_F / 2.0f;
    const float back_spread = lfs::PI_F / 16.0f;
    const Point at{m.x, m.y};
    const Point back{to_pixel(static_cast<float>(m.x) - std::sin(theta)),
                     to_pixel(static_cast<float>(m.y) + std::cos(theta))};
    const Point front{to_pixel(static_cast<float>(m.x) + std::sin(theta)),
                      to_pixel(static_cast<float>(m.y) - std::cos(theta))};

    // The back rays are the cheap test that most endings pass; check them first.
    const int t5 = transitions_along(bdata, at, ray_end(at, theta + back_spread, kBackRayLength), iw, ih);
    if (t5 >= 2)
        return false;
    const int t6 = transitions_along(bdata, at, ray_end(at, theta - back_spread, kBackRayLength), iw, ih);
    if (t6 >= 2)
        return false;

    const int t1 = transitions_along(bdata, back, ray_end(back, theta + half_turn, kSideRayLength), iw, ih);
    const int t2 = transitions_along(bdata, back, ray_end(back, theta - half_turn, kSideRayLength), iw, ih);
    const int t3 = transitions_along(bdata, front, ray_end(front, theta + half_turn, kSideRayLength), iw, ih);
    const int t4 = transitions_along(bdata, front, ray_end(front, theta - half_turn, kSideRayLength), iw, ih);
    return (t1 < 2 && t3 < 2) || (t2 < 2 && t4 < 2);
}

} // namespace

void remove_endings_near_void(lfs::Minutiae &minutiae, const std::vector<int> &quality_map, int mw,
                              int blocksize, int iw, int ih)
{
    if (mw <= 0 || blocksize <= 0)
        return;
    // Distance in the outer loop: removals at one distance shift the indices
    // that the next distance walks.
    for (int i = 0; i < kVoidProbeSteps; ++i) {
        const float step = static_cast<float>(i);
        int j = 0;
        while (j < minutiae.num()) {
            const lfs::Minutia &m = minutiae.list[static_cast<size_t>(j)];
            const int px = to_pixel(static_cast<float>(m.x) - step * direction_sin(m.direction));
            const int py = to_pixel(static_cast<float>(m.y) + step * direction_cos(m.direction));
            bool in_void = false;
            if (m.type != lfs::BIFURCATION && inside(px, py, iw, ih)) {
                const size_t block = static_cast<size_t>(py / blocksize) * static_cast<size_t>(mw) +
                                     static_cast<size_t>(px / blocksize);
                in_void = block < quality_map.size() && quality_map[block] <= 0;
            }
            if (in_void)
                lfs::remove_minutia(j, minutiae);
            else
                ++j;
        }
    }
}

void remove_open_side_endings(lfs::Minutiae &minutiae, const unsigned char *bdata, int iw, int ih)
{
    int j = 0;
    while (j < minutiae.num()) {
        const lfs::Minutia &m = minutiae.list[static_cast<size_t>(j)];
        if (m.type == lfs::RIDGE_ENDING && is_open_ending(m, bdata, iw, ih))
            lfs::remove_minutia(j, minutiae);
        else
            ++j;
    }
}

int count_line_transitions(const unsigned char *bdata, int x0, int y0, int x1, int y1, int iw, int ih)
{
    if (!inside(x0, y0, iw, ih))
        return 0;
    int n = pixel(bdata, x0, y0, iw) == 255 ? 1 : 0;

    // Bresenham walk; the major axis advances one pixel per step.
    const int dx = x1 - x0;
    const int dy = y1 - y0;
    const bool x_major = std::abs(dy) < std::abs(dx);
    const int major_len = x_major ? std::abs(dx) : std::abs(dy);
    const int minor_len = x_major ? std::abs(dy) : std::abs(dx);
    const int step_x = dx < 0 ? -1 : 1;
    const int step_y = dy < 0 ? -1 : 1;
    int err = 2 * minor_len - major_len;

    int x = x0;
    int y = y0;
    unsigned char previous = pixel(bdata, x0, y0, iw);
    for (int s = 0; s < major_len; ++s) {
        if (!inside(x, y, iw, ih))
            return n;
        const unsigned char value = pixel(bdata, x, y, iw);
        if (value != previous && distance_from(x0, y0, x, y) > kMinTransitionDistance)
            ++n;
        previous = value;
        if (err >= 0) {
            if (x_major)
                y += step_y;
            else
                x += step_x;
            err += 2 * minor_len - 2 * major_len;
        } else {
            err += 2 * minor_len;
        }
        if (x_major)
            x += step_x;
        else
            y += step_y;
        if (n > 1)
            return n;
    }

    if (!inside(x1, y1, iw, ih) || pixel(bdata, x1, y1, iw) == previous)
        return n;
    return distance_from(x0, y0, x1, y1) > kMinTransitionDistance ? n + 1 : n;
}

} // namespace ridge
