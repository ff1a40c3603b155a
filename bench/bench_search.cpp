// Identification speed: comparisons per second of ridge_gallery_search over
// a gallery of distinct templates made from the real templates of FVC2002
// DB1_B (each copy shifted by its own offset and jittered by a pixel or a
// degree), on one thread and on all, against a loop of matchRawFPTs over the
// same entries in the same run; the gallery's memory, the time to save and
// load its file, and the time of one search after loading.
//
// Usage: bench_search [--entries N] [--probes P] [--loop N] [--threads T]
//                     [--file PATH] [--bases GALLERY] [data folder]
//   --entries  gallery size (default 100000)
//   --probes   probes, those of the base templates nearest 50 minutiae (default 3)
//   --loop     entries compared by the matchRawFPTs loop (default 20000)
//   --threads  threads of the parallel figure (default 0: one per core)
//   --file     also save the gallery to PATH, load it back and search it
//   --bases    read the base templates from a gallery file instead of
//              extracting them from the data folder (written there when absent)
#include "bench_clock.h"
#include "bench_images.h"

#include "ridgesearch.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sched.h>
#include <sys/resource.h>
#include <vector>

namespace {

using Minutiae = std::vector<RawMinutia>;

using bench::process_cpu_seconds;
using bench::thread_cpu_seconds;

double wall_seconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

long peak_rss_mib()
{
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss / 1024;
}

TemplateBuffer raw(const Minutiae &m)
{
    return TemplateBuffer{reinterpret_cast<unsigned char *>(const_cast<RawMinutia *>(m.data())),
                          static_cast<uint32_t>(m.size() * sizeof(RawMinutia)), FPT_FORMAT_RAW};
}

[[noreturn]] void die(const char *what)
{
    std::fprintf(stderr, "bench_search: %s: %s\n", what, ridge_last_error());
    std::exit(1);
}

std::vector<Minutiae> extract_set(const std::string &dir)
{
    std::vector<Minutiae> out;
    for (const std::string &name : bench::set_images(dir)) {
        bench::GreyImage image;
        if (!bench::load_grey_bmp(dir + "/" + name, image))
            continue;
        TemplateBuffer t{nullptr, 0, FPT_FORMAT_RAW};
        if (generateRawFPT(image.pixels.data(), image.width, image.height, &t) == FPT_OK && t.size >= 16) {
            const RawMinutia *m = reinterpret_cast<const RawMinutia *>(t.data);
            out.emplace_back(m, m + t.size / sizeof(RawMinutia));
        }
        free_FPAPI_mem(t.data);
    }
    return out;
}

std::vector<Minutiae> gallery_templates(ridge_gallery *g)
{
    uint64_t n = 0;
    ridge_gallery_count(g, &n);
    std::vector<Minutiae> out;
    for (uint64_t k = 0; k < n; ++k) {
        TemplateBuffer t{nullptr, 0, FPT_FORMAT_RAW};
        if (ridge_gallery_entry(g, k, nullptr, &t) != RIDGE_OK)
            die("reading an entry");
        const RawMinutia *m = reinterpret_cast<const RawMinutia *>(t.data);
        out.emplace_back(m, m + t.size / sizeof(RawMinutia));
        ridge_free(t.data);
    }
    return out;
}

// Copy number `copy` of a base template: shifted by an offset of its own
// (distinct for every copy of one base) and each minutia jittered by up to a
// pixel and a degree, the jitter drawn from the entry's own seed.
Minutiae variant(const Minutiae &base, uint64_t copy, uint64_t seed)
{
    std::mt19937 rng(static_cast<uint32_t>(seed * 2654435761u + 1));
    const int span = 241; // offsets -120..120 on each axis
    const int dx = static_cast<int>(copy % span) - 120;
    const int dy = static_cast<int>(copy / span % span) - 120;
    std::uniform_int_distribution<int> jitter(-1, 1);
    Minutiae out = base;
    for (RawMinutia &m : out) {
        m.x = std::clamp(m.x + dx + jitter(rng), 0, 16383);
        m.y = std::clamp(m.y + dy + jitter(rng), 0, 16383);
        m.angle = std::clamp(m.angle + jitter(rng), 0, 360);
    }
    return out;
}

unsigned threads_used(uint32_t requested)
{
    if (requested != 0)
        return requested;
    cpu_set_t set;
    CPU_ZERO(&set);
    return sched_getaffinity(0, sizeof set, &set) == 0 ? static_cast<unsigned>(CPU_COUNT(&set)) : 1u;
}

uint64_t content_hash(const Minutiae &m)
{
    uint64_t h = 1469598103934665603u;
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(m.data());
    for (std::size_t k = 0; k < m.size() * sizeof(RawMinutia); ++k)
        h = (h ^ bytes[k]) * 1099511628211u;
    return h;
}

struct Options {
    uint64_t entries = 100000;
    int probes = 3;
    uint64_t loop = 20000;
    uint32_t threads = 0;
    std::string file, bases, data;
};

Options parse(int argc, char **argv)
{
    Options o;
    o.data = RIDGESDK_SHARED_DATA;
    for (int k = 1; k < argc; ++k) {
        const std::string a = argv[k];
        auto value = [&]() -> std::string {
            if (k + 1 >= argc) {
                std::fprintf(stderr, "bench_search: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++k];
        };
        if (a == "--entries")
            o.entries = std::strtoull(value().c_str(), nullptr, 10);
        else if (a == "--probes")
            o.probes = std::atoi(value().c_str());
        else if (a == "--loop")
            o.loop = std::strtoull(value().c_str(), nullptr, 10);
        else if (a == "--threads")
            o.threads = static_cast<uint32_t>(std::atoi(value().c_str()));
        else if (a == "--file")
            o.file = value();
        else if (a == "--bases")
            o.bases = value();
        else
            o.data = a;
    }
    return o;
}

struct SearchFigures {
    double seconds = 0; // thread CPU seconds on one thread, wall seconds on several
    double wall = 0;    // wall seconds
    double cpu = 0;     // process CPU seconds
};

SearchFigures timed_search(ridge_gallery *g, const Minutiae &probe, uint32_t threads, std::vector<double> *scores)
{
    const TemplateBuffer p = raw(probe);
    ridge_match *m = nullptr;
    uint64_t n = 0;
    const double t0 = threads == 1 ? thread_cpu_seconds() : wall_seconds(), c0 = process_cpu_seconds();
    const double w0 = wall_seconds();
    if (ridge_gallery_search(g, &p, 0, 0.0, threads, nullptr, nullptr, &m, &n) != RIDGE_OK)
        die("search");
    SearchFigures f;
    f.seconds = (threads == 1 ? thread_cpu_seconds() : wall_seconds()) - t0;
    f.wall = wall_seconds() - w0;
    f.cpu = process_cpu_seconds() - c0;
    if (scores != nullptr) {
        scores->assign(n, 0.0);
        for (uint64_t k = 0; k < n; ++k)
            (*scores)[m[k].index] = m[k].score;
    }
    ridge_free(m);
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    const Options o = parse(argc, argv);
    ridge_set_diagnostic_handler(ridge_diagnostic_drop, nullptr);

    std::vector<Minutiae> bases;
    ridge_gallery *saved_bases = nullptr;
    if (!o.bases.empty() && ridge_gallery_load(o.bases.c_str(), &saved_bases) == RIDGE_OK) {
        bases = gallery_templates(saved_bases);
        ridge_gallery_close(saved_bases);
    } else {
        const std::string dir = o.data + "/fvc2002_db1_b";
        if (!bench::is_dir(dir)) {
            std::printf("bench_search: %s is absent; nothing measured\n", dir.c_str());
            return 0;
        }
        bases = extract_set(dir);
        if (!o.bases.empty()) {
            ridge_gallery *g = nullptr;
            ridge_gallery_create(&g);
            for (size_t k = 0; k < bases.size(); ++k) {
                const TemplateBuffer t = raw(bases[k]);
                ridge_gallery_add(g, std::to_string(k).c_str(), &t, nullptr);
            }
            if (ridge_gallery_save(g, o.bases.c_str()) != RIDGE_OK)
                die("saving the base templates");
            ridge_gallery_close(g);
        }
    }
    if (bases.empty()) {
        std::printf("bench_search: no base template\n");
        return 0;
    }
    double mean_count = 0;
    for (const Minutiae &b : bases)
        mean_count += static_cast<double>(b.size());
    mean_count /= static_cast<double>(bases.size());
    std::printf("%zu base templates of FVC2002 DB1_B, %.1f minutiae on average\n", bases.size(), mean_count);

    // The gallery: entry k is copy k / bases of base k % bases.
    auto entry = [&](uint64_t k) { return variant(bases[k % bases.size()], k / bases.size(), k); };
    ridge_gallery *g = nullptr;
    ridge_gallery_create(&g);
    double t0 = wall_seconds();
    const double add_cpu0 = process_cpu_seconds();
    std::vector<uint64_t> hashes;
    hashes.reserve(o.entries);
    for (uint64_t k = 0; k < o.entries; ++k) {
        const Minutiae m = entry(k);
        hashes.push_back(content_hash(m));
        const TemplateBuffer t = raw(m);
        if (ridge_gallery_add(g, ("entry" + std::to_string(k)).c_str(), &t, nullptr) != RIDGE_OK)
            die("adding an entry");
    }
    const double add_seconds = wall_seconds() - t0, add_cpu = process_cpu_seconds() - add_cpu0;
    // No two entries are equal (their contents hash apart).
    std::sort(hashes.begin(), hashes.end());
    const uint64_t repeated = static_cast<uint64_t>(hashes.end() - std::unique(hashes.begin(), hashes.end()));
    std::vector<uint64_t>().swap(hashes);
    std::printf("%llu entries share their contents with an earlier one\n", static_cast<unsigned long long>(repeated));
    uint64_t memory = 0;
    ridge_gallery_memory(g, &memory);
    std::printf("gallery of %llu entries: enrolled one by one in %.2f s (wall; %.2f CPU s), %llu bytes held, "
                "%.0f bytes per entry\n",
                static_cast<unsigned long long>(o.entries), add_seconds, add_cpu,
                static_cast<unsigned long long>(memory), static_cast<double>(memory) / static_cast<double>(o.entries));

    // Probes: the base templates nearest 50 minutiae.
    std::vector<size_t> order(bases.size());
    for (size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return std::abs(static_cast<int>(bases[a].size()) - 50) < std::abs(static_cast<int>(bases[b].size()) - 50);
    });
    const uint64_t loop = std::min(o.loop, o.entries);
    for (int p = 0; p < o.probes && p < static_cast<int>(order.size()); ++p) {
        const Minutiae &probe = bases[order[static_cast<size_t>(p)]];
        std::vector<double> scores;
        const SearchFigures one = timed_search(g, probe, 1, &scores);
        const SearchFigures all = timed_search(g, probe, o.threads, nullptr);

        // The plain loop over the first entries, on this thread.
        const TemplateBuffer pb = raw(probe);
        int differ = 0;
        std::vector<Minutiae> first;
        for (uint64_t k = 0; k < loop; ++k)
            first.push_back(entry(k));
        t0 = thread_cpu_seconds();
        for (uint64_t k = 0; k < loop; ++k) {
            const TemplateBuffer e = raw(first[k]);
            double s = 0;
            matchRawFPTs(&pb, &e, &s);
            differ += s != scores[k];
        }
        const double loop_seconds = thread_cpu_seconds() - t0;
        const double n = static_cast<double>(o.entries);
        const double one_rate = n / one.seconds, all_rate = n / all.seconds;
        const double loop_rate = static_cast<double>(loop) / loop_seconds;
        std::printf("probe of %zu minutiae: 1 thread %.0f comparisons/s (CPU time; %.0f/s wall); %u threads "
                    "%.0f/s (wall, %.2f x one thread's wall rate; %.0f per CPU second, %.2f of one thread's); "
                    "matchRawFPTs loop %.0f/s (CPU time); search / loop %.2f x; %d of %llu scores differ from the "
                    "loop\n",
                    probe.size(), one_rate, n / one.wall, threads_used(o.threads), all_rate,
                    all_rate / (n / one.wall), n / all.cpu, n / all.cpu / one_rate, loop_rate, one_rate / loop_rate,
                    differ, static_cast<unsigned long long>(loop));
    }

    if (!o.file.empty()) {
        t0 = wall_seconds();
        if (ridge_gallery_save(g, o.file.c_str()) != RIDGE_OK)
            die("save");
        const double save_seconds = wall_seconds() - t0;
        ridge_gallery_close(g);
        g = nullptr;
        t0 = wall_seconds();
        const double c0 = process_cpu_seconds();
        if (ridge_gallery_load(o.file.c_str(), &g) != RIDGE_OK)
            die("load");
        const double load_seconds = wall_seconds() - t0, load_cpu = process_cpu_seconds() - c0;
        ridge_gallery_memory(g, &memory);
        const SearchFigures after = timed_search(g, bases[order[0]], o.threads, nullptr);
        std::printf("file %s: saved in %.2f s, loaded in %.2f s (wall; %.2f CPU s), %llu bytes held after "
                    "loading; one search after loading %.2f s (wall); peak resident %ld MiB\n",
                    o.file.c_str(), save_seconds, load_seconds, load_cpu, static_cast<unsigned long long>(memory),
                    after.seconds, peak_rss_mib());
    }
    ridge_gallery_close(g);
    return 0;
}
