// Mean time of one matchRawFPTs call on synthetic templates of 40, 60 and
// 128 minutiae: against an unrelated template (impostor-like) and against a
// turned, shifted and jittered copy of itself (genuine-like), with the split
// between building the neighbourhoods, the candidate loop and the pairing;
// then the same on templates extracted from the data sets, when present
// (first argument: the data folder), over their match lists in list order
// and shuffled. The split is measured on the same pairs with every template
// described afresh, so it is given for the shuffled order only: in list
// order the matcher describes a recurring template once.
#include "matcher/compare_templates.h"
#include "matcher/int32_arith.h"
#include "matcher/neighbourhood_keys.h"
#include "matcher/neighbourhoods.h"
#include "matcher/pairing.h"
#include "matcher/random_minutiae.h"
#include "bench_clock.h"
#include "bench_images.h"
#include "ridgesdk.h"

#include <algorithm>
#include <map>
#include <string>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

using Minutiae = std::vector<RawMinutia>;

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
    // The matcher refuses negative coordinates: a copy turned or shifted past
    // the image's top or left edge is moved back inside as a whole.
    int min_x = 0, min_y = 0;
    for (const RawMinutia &m : out) {
        min_x = std::min(min_x, m.x);
        min_y = std::min(min_y, m.y);
    }
    for (RawMinutia &m : out) {
        m.x -= min_x;
        m.y -= min_y;
    }
    return out;
}

TemplateBuffer raw(const Minutiae &m)
{
    return TemplateBuffer{reinterpret_cast<unsigned char *>(const_cast<RawMinutia *>(m.data())),
                          static_cast<uint32_t>(m.size() * sizeof(RawMinutia)), FPT_FORMAT_RAW};
}

// Thread CPU time in microseconds: other processes on a shared machine
// then disturb the figures less than wall time would.
double cpu_micros() { return bench::thread_cpu_seconds() * 1e6; }

struct Pair {
    Minutiae first, second;
};

// The comparison's inputs after roles, topping up and the sort by x, as the
// driver prepares them.
struct Prepared {
    Minutiae base, live;
    int base_count = 0, live_count = 0;
};

Prepared prepare(const Pair &p)
{
    Prepared out;
    Minutiae a = p.first, b = p.second;
    a.resize(128);
    b.resize(128);
    int na = static_cast<int>(p.first.size()), nb = static_cast<int>(p.second.size());
    if (ridge::secondIsBase(a.data(), b.data(), na, nb)) {
        std::swap(a, b);
        std::swap(na, nb);
    }
    ridge::sortByX(a.data(), na);
    out.base = a;
    out.live = b;
    out.base_count = na;
    out.live_count = nb;
    return out;
}

struct Tables {
    ridge::NeighbourhoodTable base, live;
    ridge::BaseKeys base_keys;
    ridge::LiveKeys live_keys;
};

void build_tables(const Prepared &p, Tables *t)
{
    ridge::buildNeighbourhoods(p.base.data(), p.base_count, &t->base);
    ridge::buildNeighbourhoods(p.live.data(), p.live_count, &t->live);
    ridge::keyBaseNeighbourhoods(t->base, p.base_count, &t->base_keys);
    ridge::keyLiveNeighbourhoods(t->live, p.live_count, &t->live_keys);
}

// The driver's candidate loop without the evaluations; returns how many
// candidates reach the evaluation.
long candidate_loop(const Prepared &p, const Tables &t)
{
    long evaluated = 0;
    ridge::NeighbourMatch match;
    for (int i = 0; i < p.base_count; ++i) {
        const ridge::LiveSet partners = ridge::possiblePartners(t.base_keys, i, t.live_keys);
        for (int j = 0; j < p.live_count; ++j) {
            if (((partners.words[j >> 6] >> (j & 63)) & 1u) == 0 ||
                !ridge::withinCandidateAngle(p.base[static_cast<size_t>(i)].angle,
                                             p.live[static_cast<size_t>(j)].angle))
                continue;
            const ridge::Neighbourhood &b = t.base.entries[i], &l = t.live.entries[j];
            if (ridge::sub32(b.records[0].distance, l.records[6].distance) > 12 ||
                ridge::sub32(l.records[0].distance, b.records[6].distance) > 12)
                continue;
            if (ridge::matchNeighbourhoods(b, l, &match) >= 3)
                ++evaluated;
        }
    }
    return evaluated;
}

struct Figures {
    double total = 1e300, neighbourhoods = 1e300, loop = 1e300;
    double score = 0;
    long evaluated = 0;
};

// Mean per pair of each stage, the best of several rounds.
Figures measure(const std::vector<Pair> &set)
{
    Figures f;
    const double n = static_cast<double>(set.size());
    std::vector<Prepared> prepared;
    for (const Pair &p : set)
        prepared.push_back(prepare(p));
    static Tables tables;
    for (int round = 0; round < 7; ++round) {
        double score_sum = 0;
        double t0 = cpu_micros();
        for (const Pair &p : set) {
            const TemplateBuffer a = raw(p.first), b = raw(p.second);
            double score = 0;
            matchRawFPTs(&a, &b, &score);
            score_sum += score;
        }
        f.total = std::min(f.total, (cpu_micros() - t0) / n);
        f.score = score_sum / n;

        t0 = cpu_micros();
        for (const Prepared &p : prepared)
            build_tables(p, &tables);
        f.neighbourhoods = std::min(f.neighbourhoods, (cpu_micros() - t0) / n);

        double loop = 0;
        long evaluated = 0;
        for (const Prepared &p : prepared) {
            build_tables(p, &tables);
            t0 = cpu_micros();
            evaluated += candidate_loop(p, tables);
            loop += cpu_micros() - t0;
        }
        f.loop = std::min(f.loop, loop / n);
        f.evaluated = evaluated;
    }
    return f;
}

void run(int count, bool genuine, int pairs)
{
    std::mt19937 rng(static_cast<uint32_t>(count * 7 + genuine));
    std::vector<Pair> set;
    for (int p = 0; p < pairs; ++p) {
        Minutiae a = random_template(rng, count);
        Minutiae b = genuine ? genuine_copy(rng, a) : random_template(rng, count);
        set.push_back({std::move(a), std::move(b)});
    }
    const Figures f = measure(set);
    std::printf("%3d minutiae %-8s %7.1f us per pair (mean score %6.2f): neighbourhoods %6.1f, "
                "candidate loop %6.1f, pairing %6.1f us; %5.1f candidates evaluated\n",
                count, genuine ? "genuine" : "impostor", f.total, f.score, f.neighbourhoods, f.loop,
                std::max(0.0, f.total - f.neighbourhoods - f.loop),
                static_cast<double>(f.evaluated) / pairs);
}

// Templates extracted from the real images of a data set, compared over
// its genuine list and its full impostor list.
void run_real(const std::string &set_dir, const std::string &set)
{
    std::map<std::string, Minutiae> templates;
    double minutiae = 0;
    for (const std::string &name : bench::set_images(set_dir)) {
        bench::GreyImage image;
        if (!bench::load_grey_bmp(set_dir + "/" + name, image))
            continue;
        TemplateBuffer raw{nullptr, 0, FPT_FORMAT_RAW};
        if (generateRawFPT(image.pixels.data(), image.width, image.height, &raw) == FPT_OK) {
            const RawMinutia *m = reinterpret_cast<const RawMinutia *>(raw.data);
            templates[name] = Minutiae(m, m + raw.size / sizeof(RawMinutia));
            minutiae += static_cast<double>(raw.size / sizeof(RawMinutia));
        }
        free_FPAPI_mem(raw.data);
    }
    if (templates.empty()) {
        std::printf("%s: no template extracted\n", set.c_str());
        return;
    }
    for (const char *list : {"pairs_genuine.txt", "pairs_impostor_all.txt"}) {
        std::vector<Pair> pairs;
        for (const auto &p : bench::load_pairs(set_dir + "/" + list))
            if (templates.count(p.first) && templates.count(p.second))
                pairs.push_back({templates[p.first], templates[p.second]});
        if (pairs.empty())
            continue;
        // In list order a line's first template mostly repeats the line
        // before's, and the matcher describes it once; in shuffled order
        // nearly every comparison describes both templates.
        for (const bool shuffled : {false, true}) {
            if (shuffled)
                std::shuffle(pairs.begin(), pairs.end(), std::mt19937(1));
            const Figures f = measure(pairs);
            std::printf("%s %-22s %-8s %7.1f us per pair (mean score %6.2f, %.1f minutiae per template)",
                        set.c_str(), list, shuffled ? "shuffled" : "in order", f.total, f.score,
                        minutiae / static_cast<double>(templates.size()));
            if (shuffled)
                std::printf(": neighbourhoods %6.1f, candidate loop %6.1f, pairing %6.1f us; %5.1f "
                            "candidates evaluated",
                            f.neighbourhoods, f.loop, std::max(0.0, f.total - f.neighbourhoods - f.loop),
                            static_cast<double>(f.evaluated) / static_cast<double>(pairs.size()));
            std::printf("\n");
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    for (int count : {40, 60, 128}) {
        run(count, false, 200);
        run(count, true, 200);
    }
    // Real templates, when the data sets are there.
    const std::string root = bench::data_root(argc, argv, RIDGESDK_SHARED_DATA);
    for (const char *set : bench::kDataSets)
        if (bench::is_dir(root + "/" + set))
            run_real(root + "/" + set, set);
    return 0;
}
