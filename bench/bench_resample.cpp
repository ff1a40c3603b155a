// Accuracy with and without resampling to 500 ppi on a set scanned at
// another resolution (FVC2002 DB2_B is 569 ppi): every image is extracted
// as it is, after ridge_image_resample from the given resolution, and as it
// is with its minutiae scaled to 500 ppi afterwards (what reading a record
// that states the sensor's resolution does); then the genuine and impostor
// lists are matched and the equal error rate and FNMR at FMR 1% and 0.1%
// reported for each. A last line matches resampled templates against
// templates of images taken as 500 ppi when they are not, as between an
// enrolment at 500 ppi and a probe from this sensor.
//
// Usage: bench_resample [FOLDER] [PPI...]
//   FOLDER  the set (default: fvc2002_db2_b of the shared data)
//   PPI     resolutions to try (default 569)
#include "accuracy_metrics.h"
#include "bench_images.h"

#include "ridgeinterop.h"
#include "ridgesdk.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

using Template = std::vector<unsigned char>;
using Pairs = std::vector<std::pair<std::string, std::string>>;
using bench::load_pairs;

Template extract(const unsigned char *pixels, int32_t width, int32_t height)
{
    TemplateBuffer raw{nullptr, 0, FPT_FORMAT_RAW};
    const SdkStatus status = generateRawFPT(pixels, width, height, &raw);
    Template t;
    if (status == FPT_OK)
        t.assign(raw.data, raw.data + raw.size);
    free_FPAPI_mem(raw.data);
    return t;
}

// The minutiae of a template scaled by 500 / ppi, rounded.
Template scaled(const Template &t, double ppi)
{
    Template out = t;
    for (std::size_t at = 0; at + 16 <= out.size(); at += 16) {
        RawMinutia m;
        std::memcpy(&m, &out[at], sizeof m);
        m.x = static_cast<int32_t>(std::floor(m.x * 500.0 / ppi + 0.5));
        m.y = static_cast<int32_t>(std::floor(m.y * 500.0 / ppi + 0.5));
        std::memcpy(&out[at], &m, sizeof m);
    }
    return out;
}

double score(const Template &a, const Template &b)
{
    Template ca = a, cb = b;
    TemplateBuffer ta{ca.empty() ? nullptr : ca.data(), static_cast<uint32_t>(ca.size()), FPT_FORMAT_RAW};
    TemplateBuffer tb{cb.empty() ? nullptr : cb.data(), static_cast<uint32_t>(cb.size()), FPT_FORMAT_RAW};
    double s = 0;
    matchRawFPTs(&ta, &tb, &s);
    return s;
}

// The first image of each pair from `first`, the second from `second`:
// two different sets of templates stand for two sensors.
void report(const char *label, const std::map<std::string, Template> &first,
            const std::map<std::string, Template> &second, const Pairs &genuine, const Pairs &impostor)
{
    const std::map<std::string, Template> &templates = first;
    std::vector<double> g, i;
    for (const auto &p : genuine)
        g.push_back(score(first.at(p.first), second.at(p.second)));
    for (const auto &p : impostor)
        i.push_back(score(first.at(p.first), second.at(p.second)));
    const auto curve = ridge_eval::error_tradeoff(g, i);
    const auto eer = ridge_eval::equal_error_rate(curve);
    double at1 = 1, at01 = 1;
    const bool has1 = ridge_eval::fnmr_at_fmr(curve, i.size(), 0.01, &at1);
    const bool has01 = ridge_eval::fnmr_at_fmr(curve, i.size(), 0.001, &at01);
    double minutiae = 0;
    for (const auto &t : templates)
        minutiae += static_cast<double>(t.second.size() / 16);
    double mean_genuine = 0;
    for (double s : g)
        mean_genuine += s;
    std::printf("%-26s EER %6.2f%%  FNMR@FMR1%% %7s  FNMR@FMR0.1%% %7s  genuine mean %6.1f  minutiae %5.1f\n",
                label, 100 * eer.rate, has1 ? (std::to_string(100 * at1).substr(0, 5) + "%").c_str() : "n/a",
                has01 ? (std::to_string(100 * at01).substr(0, 5) + "%").c_str() : "n/a",
                g.empty() ? 0.0 : mean_genuine / static_cast<double>(g.size()),
                minutiae / static_cast<double>(templates.size()));
}

} // namespace

int main(int argc, char **argv)
{
    const std::string folder = argc > 1 ? argv[1] : std::string(RIDGESDK_SHARED_DATA) + "/fvc2002_db2_b";
    std::vector<double> resolutions;
    for (int k = 2; k < argc; ++k)
        resolutions.push_back(std::atof(argv[k]));
    if (resolutions.empty())
        resolutions.push_back(569);
    ridge_set_diagnostic_handler(ridge_diagnostic_drop, nullptr);

    const Pairs genuine = load_pairs(folder + "/pairs_genuine.txt");
    Pairs impostor = load_pairs(folder + "/pairs_impostor_all.txt");
    if (impostor.empty())
        impostor = load_pairs(folder + "/pairs_impostor.txt");
    if (genuine.empty() || impostor.empty()) {
        std::fprintf(stderr, "bench_resample: no match lists in %s\n", folder.c_str());
        return 1;
    }
    std::map<std::string, ridge_image> images;
    const Pairs *lists[] = {&genuine, &impostor};
    for (const Pairs *list : lists)
        for (const auto &p : *list)
            for (const std::string &name : {p.first, p.second})
                if (images.count(name) == 0) {
                    ridge_image image{0, 0, nullptr, 0};
                    if (ridge_image_read((folder + "/" + name).c_str(), &image) != RIDGE_OK) {
                        std::fprintf(stderr, "bench_resample: %s\n", ridge_last_error());
                        return 1;
                    }
                    images[name] = image;
                }
    std::printf("%s: %zu images, %zu genuine and %zu impostor pairs\n", folder.c_str(), images.size(),
                genuine.size(), impostor.size());

    std::map<std::string, Template> as_is;
    for (const auto &entry : images)
        as_is[entry.first] = extract(entry.second.pixels, entry.second.width, entry.second.height);
    report("as scanned (500 assumed)", as_is, as_is, genuine, impostor);

    for (const double ppi : resolutions) {
        std::map<std::string, Template> resampled, minutiae_scaled;
        for (const auto &entry : images) {
            ridge_image at500{0, 0, nullptr, 0};
            if (ridge_image_resample(&entry.second, ppi, &at500) != RIDGE_OK) {
                std::fprintf(stderr, "bench_resample: %s\n", ridge_last_error());
                return 1;
            }
            resampled[entry.first] = extract(at500.pixels, at500.width, at500.height);
            ridge_image_release(&at500);
            minutiae_scaled[entry.first] = scaled(as_is[entry.first], ppi);
        }
        const std::string a = "resampled from " + std::to_string(static_cast<int>(ppi)) + " ppi";
        const std::string b = "minutiae scaled from " + std::to_string(static_cast<int>(ppi));
        report(a.c_str(), resampled, resampled, genuine, impostor);
        report(b.c_str(), minutiae_scaled, minutiae_scaled, genuine, impostor);
        // One side at its true 500 ppi scale, the other taken as 500 ppi
        // when it is not: the resolution mistake between two sensors.
        report("mixed: one side resampled", resampled, as_is, genuine, impostor);
    }
    for (auto &entry : images)
        ridge_image_release(&entry.second);
    return 0;
}
