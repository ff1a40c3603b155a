// Accuracy evaluation on a folder of fingerprint images with its genuine and
// impostor match lists: extracts every template through the SDK on all
// cores, matches every listed pair, and reports the failed images, the
// minutiae per image, the equal error rate, FNMR at FMR 1% and 0.1% where
// the impostor count allows, with the threshold of each, and the mean
// extraction and match times. Writes an SVG with the score histograms and
// the DET curve, and on request every pair's score.
//
// Usage: bench_evaluate FOLDER [--impostors LIST] [--svg PATH] [--scores PATH] [--threads N]
// FOLDER holds the .bmp images, pairs_genuine.txt and pairs_impostor_all.txt
// (or pairs_impostor.txt); each list line names two images of the folder.
// The scores file has one line per pair: first image, second image,
// "genuine" or "impostor", score with six decimals.
#include "accuracy_metrics.h"
#include "accuracy_svg.h"
#include "bench_clock.h"

#include "bmp_image.h"
#include "ridgesdk.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <numeric>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// CPU time of the calling thread in microseconds. Per-call times are taken
// in CPU time so that other work on a shared machine does not count.
double thread_cpu_us() { return bench::thread_cpu_seconds() * 1e6; }

struct Options {
    std::string folder, impostor_list, svg_path, scores_path;
    unsigned threads = 0;
};

struct ImageResult {
    std::string name;
    bool extracted = false;
    std::string failure;
    std::vector<RawMinutia> minutiae;
    double extraction_ms = 0;
};

struct PairList {
    std::string file;
    std::vector<std::pair<std::string, std::string>> pairs;
};

bool file_exists(const std::string &path) { return std::ifstream(path).good(); }

std::string base_name(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool read_pair_list(const std::string &path, PairList *list)
{
    std::ifstream in(path);
    if (!in)
        return false;
    list->file = base_name(path);
    std::string a, b;
    while (in >> a >> b)
        list->pairs.emplace_back(a, b);
    return true;
}

// Runs work(k) for k = 0..count-1 on the given number of threads.
void parallel_for(size_t count, unsigned threads, const std::function<void(size_t)> &work)
{
    std::atomic<size_t> next{0};
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t)
        pool.emplace_back([&] {
            for (size_t k = next++; k < count; k = next++)
                work(k);
        });
    for (std::thread &t : pool)
        t.join();
}

void extract(const std::string &folder, ImageResult *image)
{
    std::ifstream in(folder + "/" + image->name, std::ios::binary);
    if (!in) {
        image->failure = "cannot be read";
        return;
    }
    const std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<unsigned char> grey;
    int32_t width = 0, height = 0;
    std::string reason;
    if (ridge::bmp_to_grey_image(file.data(), file.size(), grey, width, height, &reason) != 1) {
        image->failure = reason;
        return;
    }
    TemplateBuffer raw{nullptr, 0, FPT_FORMAT_RAW};
    const double start = thread_cpu_us();
    const SdkStatus status = generateRawFPT(grey.data(), width, height, &raw);
    image->extraction_ms = (thread_cpu_us() - start) / 1000.0;
    if (status != FPT_OK) {
        image->failure = "generateRawFPT returned " + std::to_string(status);
    } else {
        const RawMinutia *m = reinterpret_cast<const RawMinutia *>(raw.data);
        image->minutiae.assign(m, m + raw.size / sizeof(RawMinutia));
        image->extracted = true;
    }
    free_FPAPI_mem(raw.data);
}

struct Scored {
    std::vector<double> scores;
    double match_us_sum = 0;
    size_t with_failed_image = 0;
};

Scored match_pairs(const PairList &list, const std::map<std::string, const ImageResult *> &images,
                   unsigned threads)
{
    Scored out;
    out.scores.assign(list.pairs.size(), 0.0);
    std::vector<double> micros(list.pairs.size(), 0.0);
    static const std::vector<RawMinutia> kEmpty;
    auto minutiae_of = [&](const std::string &name) -> const std::vector<RawMinutia> & {
        const auto it = images.find(name);
        return it == images.end() ? kEmpty : it->second->minutiae;
    };
    parallel_for(list.pairs.size(), threads, [&](size_t k) {
        const std::vector<RawMinutia> &a = minutiae_of(list.pairs[k].first);
        const std::vector<RawMinutia> &b = minutiae_of(list.pairs[k].second);
        const TemplateBuffer ta{reinterpret_cast<unsigned char *>(const_cast<RawMinutia *>(a.data())),
                                static_cast<uint32_t>(a.size() * sizeof(RawMinutia)), FPT_FORMAT_RAW};
        const TemplateBuffer tb{reinterpret_cast<unsigned char *>(const_cast<RawMinutia *>(b.data())),
                                static_cast<uint32_t>(b.size() * sizeof(RawMinutia)), FPT_FORMAT_RAW};
        double score = 0;
        const double start = thread_cpu_us();
        matchRawFPTs(&ta, &tb, &score);
        micros[k] = thread_cpu_us() - start;
        out.scores[k] = score;
    });
    out.match_us_sum = std::accumulate(micros.begin(), micros.end(), 0.0);
    for (const auto &p : list.pairs) {
        const auto a = images.find(p.first), b = images.find(p.second);
        if (a == images.end() || b == images.end() || !a->second->extracted || !b->second->extracted)
            ++out.with_failed_image;
    }
    return out;
}

std::string percent(double share)
{
    char b[32];
    std::snprintf(b, sizeof b, "%.2f%%", share * 100.0);
    return b;
}

bool parse_options(int argc, char **argv, Options *o)
{
    for (int k = 1; k < argc; ++k) {
        const std::string a = argv[k];
        if ((a == "--impostors" || a == "--svg" || a == "--scores" || a == "--threads") && k + 1 < argc) {
            const std::string v = argv[++k];
            if (a == "--impostors")
                o->impostor_list = v;
            else if (a == "--svg")
                o->svg_path = v;
            else if (a == "--scores")
                o->scores_path = v;
            else
                o->threads = static_cast<unsigned>(std::max(1, std::atoi(v.c_str())));
        } else if (!a.empty() && a[0] != '-' && o->folder.empty()) {
            o->folder = a;
        } else {
            return false;
        }
    }
    return !o->folder.empty();
}

} // namespace

int main(int argc, char **argv)
{
    Options o;
    if (!parse_options(argc, argv, &o)) {
        std::fprintf(stderr,
                     "usage: bench_evaluate FOLDER [--impostors LIST] [--svg PATH] [--scores PATH] [--threads N]\n");
        return 2;
    }
    const std::string set = base_name(o.folder);
    if (o.impostor_list.empty())
        o.impostor_list = file_exists(o.folder + "/pairs_impostor_all.txt") ? o.folder + "/pairs_impostor_all.txt"
                                                                            : o.folder + "/pairs_impostor.txt";
    if (o.svg_path.empty())
        o.svg_path = set + "_accuracy.svg";
    if (o.threads == 0)
        o.threads = std::max(1u, std::thread::hardware_concurrency());

    PairList genuine, impostor;
    if (!read_pair_list(o.folder + "/pairs_genuine.txt", &genuine) ||
        !read_pair_list(o.impostor_list, &impostor)) {
        std::fprintf(stderr, "bench_evaluate: cannot read %s/pairs_genuine.txt or %s\n", o.folder.c_str(),
                     o.impostor_list.c_str());
        return 1;
    }
    if (genuine.pairs.empty() || impostor.pairs.empty()) {
        std::fprintf(stderr, "bench_evaluate: a match list holds no pair\n");
        return 1;
    }

    // Every image named in the lists, in name order.
    std::vector<ImageResult> images;
    {
        std::vector<std::string> names;
        for (const PairList *l : {&genuine, &impostor})
            for (const auto &p : l->pairs) {
                names.push_back(p.first);
                names.push_back(p.second);
            }
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
        for (const std::string &n : names)
            images.push_back(ImageResult{n, false, "", {}, 0});
    }

    const auto extraction_start = Clock::now();
    parallel_for(images.size(), o.threads, [&](size_t k) { extract(o.folder, &images[k]); });
    const double extraction_wall_s =
        std::chrono::duration<double>(Clock::now() - extraction_start).count();
    std::map<std::string, const ImageResult *> by_name;
    for (const ImageResult &i : images)
        by_name[i.name] = &i;

    const Scored g = match_pairs(genuine, by_name, o.threads);
    const Scored im = match_pairs(impostor, by_name, o.threads);

    // Report.
    std::printf("Set %s (%s)\n", set.c_str(), o.folder.c_str());
    std::vector<const ImageResult *> failed;
    std::vector<int> counts;
    double extraction_ms = 0;
    for (const ImageResult &i : images) {
        extraction_ms += i.extraction_ms;
        if (i.extracted)
            counts.push_back(static_cast<int>(i.minutiae.size()));
        else
            failed.push_back(&i);
    }
    std::printf("Images: %zu, extracted %zu, failed %zu\n", images.size(), counts.size(), failed.size());
    for (const ImageResult *f : failed)
        std::printf("  failed: %s (%s)\n", f->name.c_str(), f->failure.c_str());
    if (!counts.empty()) {
        std::vector<int> sorted = counts;
        std::sort(sorted.begin(), sorted.end());
        std::printf("Minutiae per image: mean %.1f, median %d, min %d, max %d\n",
                    std::accumulate(counts.begin(), counts.end(), 0.0) / static_cast<double>(counts.size()),
                    sorted[sorted.size() / 2], sorted.front(), sorted.back());
        int column = 0;
        for (const ImageResult &i : images) {
            if (!i.extracted)
                continue;
            std::printf("%s%-12s %3zu", column == 0 ? "  " : "   ", i.name.c_str(), i.minutiae.size());
            if (++column == 6) {
                std::printf("\n");
                column = 0;
            }
        }
        if (column != 0)
            std::printf("\n");
    }
    std::printf("Comparisons: %zu genuine (%s), %zu impostor (%s); %zu involve a failed image and score 0\n",
                genuine.pairs.size(), genuine.file.c_str(), impostor.pairs.size(), impostor.file.c_str(),
                g.with_failed_image + im.with_failed_image);
    auto mean_of = [](const std::vector<double> &v) {
        return std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
    };
    std::printf("Genuine scores: mean %.2f, min %.2f, max %.2f; impostor scores: mean %.2f, max %.2f\n",
                mean_of(g.scores), *std::min_element(g.scores.begin(), g.scores.end()),
                *std::max_element(g.scores.begin(), g.scores.end()), mean_of(im.scores),
                *std::max_element(im.scores.begin(), im.scores.end()));

    const std::vector<ridge_eval::OperatingPoint> curve = ridge_eval::error_tradeoff(g.scores, im.scores);
    const ridge_eval::EqualErrorRate eer = ridge_eval::equal_error_rate(curve);
    std::printf("EER: %s (threshold %.2f)\n", percent(eer.rate).c_str(), eer.threshold);
    std::string figures = "EER " + percent(eer.rate);
    std::vector<ridge_eval::MarkedPoint> marks;
    for (double target : {0.01, 0.001}) {
        ridge_eval::OperatingPoint point{};
        if (ridge_eval::point_at_fmr(curve, im.scores.size(), target, &point)) {
            std::printf("FNMR at FMR %s: %s (threshold %.2f, FMR %s)\n", percent(target).c_str(),
                        percent(point.fnmr).c_str(), point.threshold, percent(point.fmr).c_str());
            figures += ", FNMR " + percent(point.fnmr) + " at FMR " + percent(target);
            marks.push_back({"FMR " + ridge_eval::svg_detail::percent(target), point});
        } else {
            std::printf("FNMR at FMR %s: not resolved by %zu impostor comparisons (needs %.0f)\n",
                        percent(target).c_str(), im.scores.size(), 1.0 / target);
        }
    }
    const double match_us = (g.match_us_sum + im.match_us_sum) / static_cast<double>(g.scores.size() + im.scores.size());
    std::printf("Mean extraction time: %.2f ms CPU per image (%u threads, %.2f s in all)\n",
                extraction_ms / static_cast<double>(images.size()), o.threads, extraction_wall_s);
    std::printf("Mean match time: %.1f us CPU per pair (genuine %.1f, impostor %.1f)\n", match_us,
                g.match_us_sum / static_cast<double>(g.scores.size()),
                im.match_us_sum / static_cast<double>(im.scores.size()));

    ridge_eval::PictureFacts facts;
    facts.title = set + ": " + std::to_string(genuine.pairs.size()) + " genuine, " +
                  std::to_string(impostor.pairs.size()) + " impostor comparisons";
    facts.subtitle = figures + "; " + std::to_string(failed.size()) + " of " + std::to_string(images.size()) +
                     " images failed";
    std::string revision = Copyright();
    while (!revision.empty() && (revision.front() == '\n' || revision.back() == '\n'))
        revision.erase(revision.front() == '\n' ? 0 : revision.size() - 1, 1);
    facts.footer = revision + " (" RIDGESDK_VERSION_STRING "); data set " + set + ": " + genuine.file + ", " +
                   impostor.file + "; bench_evaluate";
    facts.marks = marks;
    facts.genuine = g.scores;
    facts.impostor = im.scores;
    facts.curve = curve;
    facts.eer = eer;
    std::ofstream svg(o.svg_path);
    svg << ridge_eval::accuracy_svg(facts);
    if (!svg) {
        std::fprintf(stderr, "bench_evaluate: cannot write %s\n", o.svg_path.c_str());
        return 1;
    }
    std::printf("SVG: %s\n", o.svg_path.c_str());

    if (!o.scores_path.empty()) {
        std::FILE *out = std::fopen(o.scores_path.c_str(), "w");
        bool written = out != nullptr;
        for (const auto &[list, scored, kind] : {std::make_tuple(&genuine, &g, "genuine"),
                                                 std::make_tuple(&impostor, &im, "impostor")})
            for (size_t k = 0; written && k < list->pairs.size(); ++k)
                written = std::fprintf(out, "%s %s %s %f\n", list->pairs[k].first.c_str(),
                                       list->pairs[k].second.c_str(), kind, scored->scores[k]) > 0;
        if (out != nullptr)
            written = std::fclose(out) == 0 && written;
        if (!written) {
            std::fprintf(stderr, "bench_evaluate: cannot write %s\n", o.scores_path.c_str());
            return 1;
        }
        std::printf("Scores: %s\n", o.scores_path.c_str());
    }
    return 0;
}
