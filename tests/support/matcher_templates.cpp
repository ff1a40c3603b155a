// Synthetic raw templates for the matcher tests.
#include "support/matcher_templates.h"

#include "matcher/compare_templates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace ridge_test {

Minutiae grid_template(std::mt19937 &rng, int count, int cells, int step, int angle_step)
{
    std::uniform_int_distribution<int> cell(0, cells - 1), angle(0, 360 / angle_step), type(1, 2);
    Minutiae m;
    for (int k = 0; k < count; ++k)
        m.push_back(RawMinutia{type(rng), 50 + step * cell(rng), 60 + step * cell(rng), angle_step * angle(rng)});
    return m;
}

Minutiae random_template(uint32_t seed, int count, int width, int height, int min_spacing)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> xs(0, width - 1), ys(0, height - 1), angles(0, 179),
        types(1, 2);
    Minutiae out;
    int attempts = 0;
    while (static_cast<int>(out.size()) < count && attempts < 100000) {
        ++attempts;
        RawMinutia m{types(rng), xs(rng), ys(rng), 2 * angles(rng)};
        bool far_enough = true;
        for (const RawMinutia &o : out) {
            const int dx = o.x - m.x, dy = o.y - m.y;
            if (dx * dx + dy * dy < min_spacing * min_spacing) {
                far_enough = false;
                break;
            }
        }
        if (far_enough)
            out.push_back(m);
    }
    return out;
}

Minutiae distorted_copy(const Minutiae &source, const Distortion &how, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> jitter(-how.jitter, how.jitter);
    std::uniform_int_distribution<int> angle_jitter(-how.angle_jitter, how.angle_jitter);
    const double turn = how.rotation_degrees * M_PI / 180.0;
    const double cx = 190.0, cy = 185.0;
    Minutiae out;
    for (const RawMinutia &m : source) {
        // Counter-clockwise on the image: y grows downwards.
        const double dx = m.x - cx, dy = cy - m.y;
        const double rx = dx * std::cos(turn) - dy * std::sin(turn);
        const double ry = dx * std::sin(turn) + dy * std::cos(turn);
        RawMinutia t;
        t.type = m.type;
        t.x = static_cast<int>(std::lround(cx + rx)) + how.shift_x + jitter(rng);
        t.y = static_cast<int>(std::lround(cy - ry)) + how.shift_y + jitter(rng);
        int angle = m.angle + static_cast<int>(std::lround(how.rotation_degrees)) + angle_jitter(rng);
        angle %= 360;
        if (angle < 0)
            angle += 360;
        t.angle = angle;
        // A minutia moved off the image is lost, as at the edge of a capture.
        if (t.x >= 0 && t.y >= 0)
            out.push_back(t);
    }
    for (int k = 0; k < how.dropped && !out.empty(); ++k) {
        std::uniform_int_distribution<size_t> pick(0, out.size() - 1);
        out.erase(out.begin() + static_cast<std::ptrdiff_t>(pick(rng)));
    }
    const Minutiae extra = random_template(seed ^ 0x5bd1e995u, how.added);
    out.insert(out.end(), extra.begin(), extra.end());
    return out;
}

Minutiae with_type(Minutiae m, int32_t type)
{
    for (RawMinutia &r : m)
        r.type = type;
    return m;
}

TemplateBuffer raw_buffer(const Minutiae &m)
{
    TemplateBuffer t;
    t.data = m.empty() ? nullptr
                       : reinterpret_cast<unsigned char *>(const_cast<RawMinutia *>(m.data()));
    t.size = static_cast<uint32_t>(m.size() * sizeof(RawMinutia));
    t.format = FPT_FORMAT_RAW;
    return t;
}

double comparison_score(const Minutiae &first, const Minutiae &second)
{
    if (first.empty() || second.empty() || first.size() > 128 || second.size() > 128)
        return 0.0;
    RawMinutia a[FPT_MAX_MINUTIAE], b[FPT_MAX_MINUTIAE];
    std::copy(first.begin(), first.end(), a);
    std::copy(second.begin(), second.end(), b);
    const int na = static_cast<int>(first.size()), nb = static_cast<int>(second.size());
    return ridge::similarityScore(ridge::compareTemplates(a, b, na, nb), na, nb);
}

double match_score(const Minutiae &first, const Minutiae &second)
{
    const TemplateBuffer a = raw_buffer(first), b = raw_buffer(second);
    double score = -1.0;
    EXPECT_EQ(FPT_OK, matchRawFPTs(&a, &b, &score));
    return score;
}

} // namespace ridge_test
