// Accuracy on the real data sets: extraction over every image, then the
// matcher over the genuine and all impostor pairs of each set; minutiae
// counts, score distributions, EER and FNMR at fixed FMRs.
//
// Usage: bench_accuracy [data folder] [template dump folder]
#include "bench_images.h"

#include "ridgesdk.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

namespace {

using Template = std::vector<RawMinutia>;

struct Summary {
    double mean = 0, min = 0, max = 0, p50 = 0, p90 = 0, p99 = 0;
};

Summary summarise(std::vector<double> v)
{
    Summary s;
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    double sum = 0;
    for (double x : v)
        sum += x;
    auto at = [&](double q) { return v[static_cast<size_t>(q * static_cast<double>(v.size() - 1) + 0.5)]; };
    s.mean = sum / static_cast<double>(v.size());
    s.min = v.front();
    s.max = v.back();
    s.p50 = at(0.5);
    s.p90 = at(0.9);
    s.p99 = at(0.99);
    return s;
}

// Fraction of impostor scores at or above t, and of genuine scores below it.
double fmr(const std::vector<double> &impostor, double t)
{
    return static_cast<double>(std::count_if(impostor.begin(), impostor.end(), [t](double s) { return s >= t; })) /
           static_cast<double>(impostor.size());
}
double fnmr(const std::vector<double> &genuine, double t)
{
    return static_cast<double>(std::count_if(genuine.begin(), genuine.end(), [t](double s) { return s < t; })) /
           static_cast<double>(genuine.size());
}

// Threshold swept over all scores; the point where FMR and FNMR are closest,
// their mean.
double equal_error_rate(const std::vector<double> &genuine, const std::vector<double> &impostor)
{
    std::vector<double> thresholds(genuine);
    thresholds.insert(thresholds.end(), impostor.begin(), impostor.end());
    thresholds.push_back(1e300);
    double best_gap = 2.0, eer = 1.0;
    for (double t : thresholds) {
        const double a = fmr(impostor, t), b = fnmr(genuine, t);
        if (std::fabs(a - b) < best_gap) {
            best_gap = std::fabs(a - b);
            eer = (a + b) / 2.0;
        }
    }
    return eer;
}

// Lowest FNMR over thresholds whose FMR does not exceed the target.
double fnmr_at_fmr(const std::vector<double> &genuine, const std::vector<double> &impostor, double target)
{
    std::vector<double> thresholds(genuine);
    thresholds.insert(thresholds.end(), impostor.begin(), impostor.end());
    thresholds.push_back(1e300);
    double best = 1.0;
    for (double t : thresholds)
        if (fmr(impostor, t) <= target)
            best = std::min(best, fnmr(genuine, t));
    return best;
}

void dump_template(const std::string &path, const Template &t)
{
    FILE *f = std::fopen(path.c_str(), "w");
    if (f == nullptr)
        return;
    for (const auto &m : t)
        std::fprintf(f, "%d %d %d %d\n", m.x, m.y, m.angle, m.type);
    std::fclose(f);
}

std::vector<double> scores(const std::vector<std::pair<std::string, std::string>> &pairs,
                           const std::map<std::string, Template> &templates, std::string *zero_pairs = nullptr)
{
    std::vector<double> out;
    for (const auto &p : pairs) {
        auto a = templates.find(p.first), b = templates.find(p.second);
        if (a == templates.end() || b == templates.end())
            continue;
        TemplateBuffer ta{const_cast<unsigned char *>(reinterpret_cast<const unsigned char *>(a->second.data())),
                          static_cast<uint32_t>(a->second.size() * sizeof(RawMinutia)), FPT_FORMAT_RAW};
        TemplateBuffer tb{const_cast<unsigned char *>(reinterpret_cast<const unsigned char *>(b->second.data())),
                          static_cast<uint32_t>(b->second.size() * sizeof(RawMinutia)), FPT_FORMAT_RAW};
        double score = 0;
        if (matchRawFPTs(&ta, &tb, &score) == FPT_OK)
            out.push_back(score);
        if (zero_pairs != nullptr && score == 0.0)
            *zero_pairs += " " + p.first + "/" + p.second;
    }
    return out;
}

void print_summary(const char *what, const Summary &s)
{
    std::printf("  %-22s mean %7.2f  min %7.2f  p50 %7.2f  p90 %7.2f  p99 %7.2f  max %7.2f\n", what, s.mean, s.min,
                s.p50, s.p90, s.p99, s.max);
}

void evaluate_set(const std::string &dir, const char *name, const std::string &dump_dir)
{
    std::map<std::string, Template> templates;
    std::vector<double> counts;
    std::vector<std::string> failed;
    for (const auto &file : bench::set_images(dir)) {
        bench::GreyImage img;
        TemplateBuffer t{nullptr, 0, 0};
        if (!bench::load_grey_bmp(dir + "/" + file, img) ||
            generateRawFPT(img.pixels.data(), img.width, img.height, &t) != FPT_OK) {
            failed.push_back(file);
            free_FPAPI_mem(t.data);
            continue;
        }
        Template tpl(t.size / sizeof(RawMinutia));
        if (!tpl.empty())
            std::memcpy(tpl.data(), t.data, tpl.size() * sizeof(RawMinutia));
        free_FPAPI_mem(t.data);
        counts.push_back(static_cast<double>(tpl.size()));
        if (!dump_dir.empty())
            dump_template(dump_dir + "/" + name + "_" + file.substr(0, file.rfind('.')) + ".txt", tpl);
        templates[file] = std::move(tpl);
    }
    std::string zero_genuine;
    const auto genuine = scores(bench::load_pairs(dir + "/pairs_genuine.txt"), templates, &zero_genuine);
    const auto impostor = scores(bench::load_pairs(dir + "/pairs_impostor_all.txt"), templates);

    std::printf("%s: %zu images, %zu failed", name, templates.size() + failed.size(), failed.size());
    for (const auto &f : failed)
        std::printf(" %s", f.c_str());
    std::printf("\n");
    print_summary("minutiae per image", summarise(counts));
    print_summary("genuine scores", summarise(genuine));
    print_summary("impostor scores", summarise(impostor));
    std::printf("  genuine pairs scoring 0: %zu%s\n",
                static_cast<size_t>(std::count(genuine.begin(), genuine.end(), 0.0)), zero_genuine.c_str());
    if (!genuine.empty() && !impostor.empty())
        std::printf("  %zu genuine, %zu impostor pairs: EER %.2f%%, FNMR at FMR 1%% %.2f%%, at FMR 0.1%% %.2f%%\n",
                    genuine.size(), impostor.size(), 100.0 * equal_error_rate(genuine, impostor),
                    100.0 * fnmr_at_fmr(genuine, impostor, 0.01), 100.0 * fnmr_at_fmr(genuine, impostor, 0.001));
}

} // namespace

int main(int argc, char **argv)
{
    const std::string root = bench::data_root(argc, argv, RIDGESDK_SHARED_DATA);
    const std::string dump_dir = argc > 2 ? argv[2] : "";
    if (!bench::is_dir(root)) {
        std::printf("bench_accuracy: no data at %s, skipped\n", root.c_str());
        return 0;
    }
    for (const char *set : bench::kDataSets)
        if (bench::is_dir(root + "/" + set))
            evaluate_set(root + "/" + set, set, dump_dir);
    return 0;
}
