// Mean generateRawFPT time per image over each data set, single thread, with
// the split by stage and the process's peak resident memory.
//
// Usage: bench_extract [data folder]   (default: the shared data beside the project)
#include "bench_clock.h"
#include "bench_images.h"

#include "extract/extract_minutiae.h"
#include "ridgesdk.h"

#include <chrono>
#include <cstdio>
#include <sys/resource.h>

namespace {

long peak_rss_kib()
{
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

void bench_set(const std::string &dir, const char *name)
{
    const auto files = bench::set_images(dir);
    if (files.empty())
        return;
    double total = 0.0, total_cpu = 0.0;
    int count = 0, failed = 0;
    ridge::ExtractionStageTimes stages;
    // Each image is read just before its extraction, so the process holds one
    // image at a time and the peak reflects a single extraction.
    for (const auto &file : files) {
        bench::GreyImage img;
        if (!bench::load_grey_bmp(dir + "/" + file, img)) {
            std::printf("  cannot read %s\n", file.c_str());
            continue;
        }
        TemplateBuffer t{nullptr, 0, 0};
        const double c0 = bench::thread_cpu_seconds();
        const auto t0 = std::chrono::steady_clock::now();
        const SdkStatus st = generateRawFPT(img.pixels.data(), img.width, img.height, &t);
        const auto t1 = std::chrono::steady_clock::now();
        total_cpu += bench::thread_cpu_seconds() - c0;
        free_FPAPI_mem(t.data);
        total += std::chrono::duration<double>(t1 - t0).count();
        ++count;
        failed += st != FPT_OK;

        lfs::Minutiae minutiae;
        ridge::extract_minutiae(minutiae, img.pixels.data(), img.width, img.height, &stages);
    }
    if (count == 0)
        return;
    const double n = count;
    std::printf("%-14s %3d images, %d failed: generateRawFPT %.2f ms/image CPU (%.2f ms wall)\n", name, count,
                failed, 1e3 * total_cpu / n, 1e3 * total / n);
    // The stages are timed on a second run of each image; their shares are
    // scaled to the CPU time above so that the split adds up to it.
    const double staged = stages.maps + stages.binarisation + stages.detection + stages.removal + stages.rest;
    const double scale = staged > 0.0 ? 1e3 * total_cpu / n / staged : 0.0;
    std::printf("%-14s stages ms/image: maps %.2f, binarisation %.2f, detection %.2f, removal %.2f, rest %.2f\n",
                "", scale * stages.maps, scale * stages.binarisation, scale * stages.detection,
                scale * stages.removal, scale * stages.rest);
}

} // namespace

int main(int argc, char **argv)
{
    const std::string root = bench::data_root(argc, argv, RIDGESDK_SHARED_DATA);
    if (!bench::is_dir(root)) {
        std::printf("bench_extract: no data at %s, skipped\n", root.c_str());
        return 0;
    }
    std::printf("peak resident memory before extraction: %.2f MiB\n", static_cast<double>(peak_rss_kib()) / 1024.0);
    for (const char *set : bench::kDataSets)
        if (bench::is_dir(root + "/" + set))
            bench_set(root + "/" + set, set);
    std::printf("peak resident memory of the process: %.2f MiB\n", static_cast<double>(peak_rss_kib()) / 1024.0);
    return 0;
}
