// Mean time of one matchRawFPTs call on synthetic templates of 40, 60 and
// 128 minutiae: against an unrelated template (impostor-like) and against a
// turned, shifted and jittered copy of itself (genuine-like), with the split
// between building the neighbourhoods, the candidate loop and the pairing.
#include "matcher/compare_templates.h"
#include "matcher/int32_arith.h"
#include "matcher/neighbourhoods.h"
#include "matcher/pairing.h"
#include "matcher/random_minutiae.h"
#include "ridgesdk.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

using Minutiae = std::vector<RawMinutia>;
using Clock = std::chrono::steady_clock;

Minutiae random_template(std::mt19937 &rng, int count)
{
    std::uniform_int_distribution<int> xs(20, 360), ys(20, 350), angles(0, 179), types(1, 2);
    Minutiae out;
    while (static_cast<int>(out.size()) < count) {
        const RawMinutia m{types(rng), xs(rng), ys(rng), 2 * angles(rng)};
        bool far_enough = true;
        for (const RawMinutia &o : out)
            if ((o.x - m.x) * (o.x - m.x) + (o.y - m.y) * (o.y - m.y) < 64)
                far_enough = false;
        if (far_enough)
            out.push_back(m);
    }
    return out;
}

// Turned by up to 25 degrees, shifted by up to 40 pixels, each point moved
// by up to 3 pixels and 8 degrees, a sixth of the minutiae replaced.
Minutiae genuine_copy(std::mt19937 &rng, const Minutiae &source)
{
    std::uniform_real_distribution<double> turn(-25.0, 25.0);
    std::uniform_int_distribution<int> shift(-40, 40), jitter(-3, 3), angle_jitter(-8, 8);
    const double degrees = turn(rng), t = degrees * M_PI / 180.0;
    const int sx = shift(rng), sy = shift(rng);
    Minutiae out;
    for (const RawMinutia &m : source) {
        const double dx = m.x - 190.0, dy = 185.0 - m.y;
        RawMinutia c = m;
        c.x = static_cast<int>(std::lround(190.0 + dx * std::cos(t) - dy * std::sin(t))) + sx + jitter(rng);
        c.y = static_cast<int>(std::lround(185.0 - dx * std::sin(t) - dy * std::cos(t))) + sy + jitter(rng);
        int a = (m.angle + static_cast<int>(std::lround(degrees)) + angle_jitter(rng)) % 360;
        c.angle = a < 0 ? a + 360 : a;
        out.push_back(c);
    }
    const size_t replaced = source.size() / 6;
    const Minutiae extra = random_template(rng, static_cast<int>(replaced));
    for (size_t k = 0; k < replaced; ++k)
        out[k * 5 % out.size()] = extra[k];
    return out;
}

TemplateBuffer raw(const Minutiae &m)
{
    return TemplateBuffer{reinterpret_cast<unsigned char *>(const_cast<RawMinutia *>(m.data())),
                          static_cast<uint32_t>(m.size() * sizeof(RawMinutia)), FPT_FORMAT_RAW};
}

double micros_since(Clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

struct Split {
    double neighbourhoods = 0, loop = 0, pairing = 0;
    long candidates = 0, evaluated = 0;
};

// The stages of one comparison, timed one by one with the matcher's own
// routines (same roles, topping up and sort as the driver).
Split time_stages(const Minutiae &first, const Minutiae &second)
{
    Split s;
    Minutiae a = first, b = second;
    a.resize(128);
    b.resize(128);
    int na = static_cast<int>(first.size()), nb = static_cast<int>(second.size());
    RawMinutia *base = a.data(), *live = b.data();
    if (ridge::secondIsBase(base, live, na, nb)) {
        std::swap(base, live);
        std::swap(na, nb);
    }
    ridge::sortByX(base, na);
    static ridge::NeighbourhoodTable base_table, live_table;

    auto t0 = Clock::now();
    ridge::buildNeighbourhoods(base, na, &base_table);
    ridge::buildNeighbourhoods(live, nb, &live_table);
    s.neighbourhoods = micros_since(t0);

    struct Accepted { int i, j; ridge::NeighbourMatch match; };
    std::vector<Accepted> accepted;
    accepted.reserve(static_cast<size_t>(na * nb));
    t0 = Clock::now();
    for (int i = 0; i < na; ++i)
        for (int j = 0; j < nb; ++j) {
            if (ridge::circular_difference(base[i].angle, live[j].angle) > 90)
                continue;
            ++s.candidates;
            ridge::NeighbourMatch match;
            if (ridge::matchNeighbourhoods(base_table.entries[i], live_table.entries[j], &match) >= 3)
                accepted.push_back({i, j, match});
        }
    s.loop = micros_since(t0);

    t0 = Clock::now();
    int32_t best = 0;
    for (const Accepted &c : accepted) {
        const int32_t score = ridge::evaluateCandidate(base, na, live, nb, c.i, c.j,
                                                       base_table.entries[c.i],
                                                       live_table.entries[c.j], c.match);
        if (score > best)
            best = score;
    }
    s.pairing = micros_since(t0);
    s.evaluated = static_cast<long>(accepted.size());
    return s;
}

void run(int count, bool genuine, int pairs)
{
    std::mt19937 rng(static_cast<uint32_t>(count * 7 + genuine));
    std::vector<std::pair<Minutiae, Minutiae>> set;
    for (int p = 0; p < pairs; ++p) {
        Minutiae a = random_template(rng, count);
        Minutiae b = genuine ? genuine_copy(rng, a) : random_template(rng, count);
        set.emplace_back(std::move(a), std::move(b));
    }
    double score_sum = 0, total = 0;
    const int rounds = 5;
    for (int r = 0; r < rounds; ++r) {
        const auto t0 = Clock::now();
        for (const auto &p : set) {
            const TemplateBuffer a = raw(p.first), b = raw(p.second);
            double score = 0;
            matchRawFPTs(&a, &b, &score);
            score_sum += score;
        }
        total += micros_since(t0);
    }
    Split sum;
    for (const auto &p : set) {
        const Split s = time_stages(p.first, p.second);
        sum.neighbourhoods += s.neighbourhoods;
        sum.loop += s.loop;
        sum.pairing += s.pairing;
        sum.candidates += s.candidates;
        sum.evaluated += s.evaluated;
    }
    const double n = static_cast<double>(pairs);
    std::printf("%3d minutiae %-8s %8.1f us/pair  (score %6.2f)  stages: neighbourhoods %6.1f, "
                "loop %6.1f, pairing %6.1f us; %5.0f candidates, %5.1f evaluated\n",
                count, genuine ? "genuine" : "impostor", total / (rounds * n),
                score_sum / (rounds * n), sum.neighbourhoods / n, sum.loop / n, sum.pairing / n,
                static_cast<double>(sum.candidates) / n, static_cast<double>(sum.evaluated) / n);
}

} // namespace

int main()
{
    for (int count : {40, 60, 128}) {
        run(count, false, 200);
        run(count, true, 200);
    }
    return 0;
}
