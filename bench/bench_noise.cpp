// Extraction time on images far larger or busier than a fingerprint:
// uniform noise of several sizes, whose binarisation is full of candidate
// minutiae, and one real print tiled over a large square. Reports the CPU
// time of the extraction, its split by stage and the minutiae it keeps.
//
// Usage: bench_noise [SIZE...] [--tiled SIZE] [--data DIR]
//   SIZE      side of a square noise image (with no argument at all: 500,
//             1000, 2000 and 4000, then the tiled print)
//   --tiled   side of the tiled print (default 8000; 0 leaves it out)
//   --data    shared data folder (default: the one beside the project)
#include "bench_clock.h"
#include "bench_images.h"

#include "extract/extract_minutiae.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Uniform grey levels from a fixed generator, so every run sees one image.
std::vector<unsigned char> noise_image(int side)
{
    std::vector<unsigned char> pixels(static_cast<std::size_t>(side) * static_cast<std::size_t>(side));
    uint32_t state = 12345u;
    for (unsigned char &p : pixels) {
        state = state * 1664525u + 1013904223u;
        p = static_cast<unsigned char>(state >> 24);
    }
    return pixels;
}

// The print repeated across a side x side square.
std::vector<unsigned char> tiled_image(const bench::GreyImage &print, int side)
{
    std::vector<unsigned char> pixels(static_cast<std::size_t>(side) * static_cast<std::size_t>(side));
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(side) + static_cast<std::size_t>(x)] =
                print.pixels[static_cast<std::size_t>(y % print.height) * static_cast<std::size_t>(print.width) +
                             static_cast<std::size_t>(x % print.width)];
    return pixels;
}

void measure(const char *what, const std::vector<unsigned char> &pixels, int side)
{
    ridge::ExtractionStageTimes stages;
    lfs::Minutiae minutiae;
    const double c0 = bench::thread_cpu_seconds();
    const int ret = ridge::extract_minutiae(minutiae, pixels.data(), side, side, &stages);
    const double cpu = bench::thread_cpu_seconds() - c0;
    std::printf("%-22s %6d x %-6d %9.2f s CPU  (maps %.2f, binarisation %.2f, detection %.2f, removal %.2f, "
                "rest %.2f s wall)  status %d, %d minutiae\n",
                what, side, side, cpu, stages.maps, stages.binarisation, stages.detection, stages.removal,
                stages.rest, ret, minutiae.num());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<int> sizes;
    int tiled = 8000;
    std::string data = RIDGESDK_SHARED_DATA;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("usage: bench_noise [SIZE...] [--tiled SIZE] [--data DIR]\n");
            return 0;
        }
        if (std::strcmp(argv[i], "--tiled") == 0 && i + 1 < argc) {
            tiled = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc) {
            data = argv[++i];
        } else {
            const int side = std::atoi(argv[i]);
            if (side <= 0) {
                std::fprintf(stderr, "bench_noise: bad size %s\n", argv[i]);
                return 2;
            }
            sizes.push_back(side);
        }
    }
    if (sizes.empty() && argc == 1)
        sizes = {500, 1000, 2000, 4000};

    for (const int side : sizes)
        measure("uniform noise", noise_image(side), side);

    if (tiled > 0) {
        bench::GreyImage print;
        const std::string path = data + "/fvc2002_db1_b/101_1.bmp";
        if (!bench::load_grey_bmp(path, print)) {
            std::printf("tiled print: no image at %s, skipped\n", path.c_str());
            return 0;
        }
        measure("tiled DB1_B 101_1", tiled_image(print, tiled), tiled);
    }
    return 0;
}
