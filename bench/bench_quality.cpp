// Mean time of getFpImgQuality per image over a real image set, single
// thread (CPU time of the thread), split into the directional-power pass and
// the rest of the call.
//
// Usage: bench_quality [folder of 8-bit BMPs] [repeats]
// Without a folder the shared fvc2002_db1_b set is used; when it is absent
// the benchmark reports so and exits cleanly.
#include "bench_clock.h"

#include "extract/detector_params.h"
#include "extract/maps/block_powers.h"
#include "extract/maps/dft_waves.h"
#include "extract/maps/initial_maps.h"
#include "extract/maps/map_stage.h"
#include "lfs/maps.h"
#include "lfs/simd.h"
#include "ridgesdk.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Image {
    std::string name;
    int w = 0, h = 0;
    std::vector<unsigned char> px;
};

uint32_t le32(const std::vector<unsigned char> &b, size_t at)
{
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// 8-bit uncompressed BMP, bottom-up or top-down, returned top row first.
bool load_bmp(const std::string &path, Image &img)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || (b[28] | b[29] << 8) != 8 || le32(b, 30) != 0)
        return false;
    const int32_t w = static_cast<int32_t>(le32(b, 18));
    const int32_t h = static_cast<int32_t>(le32(b, 22));
    const int rows = h < 0 ? -h : h;
    const size_t stride = (static_cast<size_t>(w) + 3) & ~size_t{3};
    const size_t at = le32(b, 10);
    if (w <= 0 || rows == 0 || at + stride * static_cast<size_t>(rows) > b.size())
        return false;
    img.w = w;
    img.h = rows;
    img.px.resize(static_cast<size_t>(w) * static_cast<size_t>(rows));
    for (int y = 0; y < rows; ++y) {
        const size_t src = at + stride * static_cast<size_t>(h > 0 ? rows - 1 - y : y);
        std::copy_n(b.begin() + static_cast<std::ptrdiff_t>(src), w,
                    img.px.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(y) * static_cast<size_t>(w)));
    }
    img.name = path;
    return true;
}

std::vector<Image> load_folder(const std::string &dir)
{
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d)) {
            const std::string n = e->d_name;
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".bmp") == 0)
                names.push_back(n);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    std::vector<Image> out;
    for (const std::string &n : names) {
        Image img;
        if (load_bmp(dir + "/" + n, img))
            out.push_back(std::move(img));
    }
    return out;
}

// Time of the directional powers alone for the blocks that the map stage
// analyses (those left with contrast), with the same tables, windows and
// batching by block row, the column-phase planes included.
double dft_pass_ms(const Image &img, const std::vector<int> &low_contrast_map)
{
    const lfs::LfsParams &p = ridge::DetectorParams;
    ridge::MapStageOutput stage;
    if (ridge::run_map_stage(stage, img.px.data(), img.w, img.h) != 0)
        return 0.0;
    lfs::DftWaves waves;
    lfs::RotGrids grids;
    ridge::init_dftwaves(waves, p.num_dft_waves, p.windowsize);
    lfs::init_rotgrids(grids, img.w, img.h, stage.pad, p.start_dir_angle, p.num_directions, p.windowsize,
                       p.windowsize, lfs::RELATIVE2ORIGIN);
    std::vector<int> offsets;
    int mw = 0, mh = 0;
    lfs::block_offsets(offsets, mw, mh, img.w, img.h, stage.pad, p.blocksize);
    std::vector<int> origins;
    std::vector<unsigned char> needed;
    for (size_t b = 0; b < offsets.size(); ++b) {
        origins.push_back(ridge::window_origin(offsets[b], stage.pw, stage.ph, stage.pad, p));
        needed.push_back(low_contrast_map[b] == 0);
    }
    std::vector<float> powers(static_cast<size_t>(mw * p.num_dft_waves * p.num_directions));
    float sink = 0.0f;
    const double t0 = 1e3 * bench::thread_cpu_seconds();
    ridge::BlockPowers batched;
    batched.prepare(stage.padded6.data(), stage.pw, stage.ph, waves, grids, lfs::best_simd_level());
    for (int row = 0; row < mh; ++row) {
        batched.row(powers.data(), origins.data() + row * mw, needed.data() + row * mw, mw);
        sink += powers[5];
    }
    const double ms = 1e3 * bench::thread_cpu_seconds() - t0;
    if (sink < 0.0f)
        std::printf("?");
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    std::string dir = argc > 1 ? argv[1] : std::string(RIDGESDK_SHARED_DATA) + "/fvc2002_db1_b";
    std::vector<Image> images = load_folder(dir);
    if (images.empty() && argc <= 1) {
        dir = std::string(RIDGESDK_TEST_DATA) + "/../../../../shared/data/fvc2002_db1_b";
        images = load_folder(dir);
    }
    if (images.empty()) {
        std::printf("bench_quality: no images found (%s); nothing measured\n", dir.c_str());
        return 0;
    }
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

    // The machine is shared: besides the plain mean, the mean over images
    // of each image's fastest run shows the cost without interference.
    double total_ms = 0.0, dft_ms = 0.0, best_total = 0.0, best_dft = 0.0, quality_sum = 0.0;
    int calls = 0;
    for (const Image &img : images) {
        lfs::BlockMaps maps;
        if (ridge::lfs_detect_maps_V2(maps, img.px.data(), img.w, img.h) != 0) {
            std::printf("%s: map stage failed\n", img.name.c_str());
            continue;
        }
        double fastest = 1e30, fastest_dft = 1e30;
        for (int r = 0; r < repeats; ++r) {
            double q = 0.0;
            int32_t area = 0;
            const double t0 = 1e3 * bench::thread_cpu_seconds();
            const SdkStatus status = getFpImgQuality(img.px.data(), img.w, img.h, &q, &area);
            const double ms = 1e3 * bench::thread_cpu_seconds() - t0;
            if (status != FPT_OK)
                std::printf("%s: failed\n", img.name.c_str());
            if (r == 0)
                quality_sum += q;
            const double d = dft_pass_ms(img, maps.low_contrast_map);
            total_ms += ms;
            dft_ms += d;
            ++calls;
            fastest = std::min(fastest, ms);
            fastest_dft = std::min(fastest_dft, d);
        }
        best_total += fastest;
        best_dft += fastest_dft;
    }
    if (calls == 0)
        return 1;
    const double n = static_cast<double>(images.size());
    std::printf("bench_quality: %zu images from %s, %d repeats, single thread\n", images.size(), dir.c_str(),
                repeats);
    std::printf("  getFpImgQuality per image (%dx%d), mean of all runs: %.3f ms (directional powers %.3f ms, rest "
                "%.3f ms)\n",
                images[0].w, images[0].h, total_ms / calls, dft_ms / calls, (total_ms - dft_ms) / calls);
    std::printf("  mean of each image's fastest run:            %.3f ms (directional powers %.3f ms, rest %.3f "
                "ms)\n",
                best_total / n, best_dft / n, (best_total - best_dft) / n);
    std::printf("  mean quality figure %.2f\n", quality_sum / n);
    return 0;
}
