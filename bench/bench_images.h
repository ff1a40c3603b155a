// Data-set access for the benchmarks: the 8-bit grey bitmaps of a set, its
// manifest and its match lists.
#ifndef RIDGESDK_BENCH_BENCH_IMAGES_H
#define RIDGESDK_BENCH_BENCH_IMAGES_H

#include "samples/bmp_image.h"

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace bench {

struct GreyImage {
    int width = 0, height = 0;
    std::vector<unsigned char> pixels; // top row first
};

// Reads an 8-bit bitmap as the image tool does; false when it is not one.
inline bool load_grey_bmp(const std::string &path, GreyImage &img)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    const std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int32_t w = 0, h = 0;
    if (ridge::bmp_to_grey_image(file.data(), file.size(), img.pixels, w, h) != 1)
        return false;
    img.width = w;
    img.height = h;
    return true;
}

inline bool is_dir(const std::string &p)
{
    struct stat st {};
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Image file names of a set, from its manifest.
inline std::vector<std::string> set_images(const std::string &set_dir)
{
    std::vector<std::string> names;
    std::ifstream in(set_dir + "/MANIFEST.tsv");
    std::string line;
    std::getline(in, line); // header
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::string name;
        if (ls >> name)
            names.push_back(name);
    }
    return names;
}

inline std::vector<std::pair<std::string, std::string>> load_pairs(const std::string &path)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    std::ifstream in(path);
    std::string a, b;
    while (in >> a >> b)
        pairs.emplace_back(a, b);
    return pairs;
}

// The data folder: the first argument, else the set beside the project.
inline std::string data_root(int argc, char **argv, const char *fallback)
{
    return argc > 1 ? std::string(argv[1]) : std::string(fallback);
}

inline const char *const kDataSets[] = {"fvc2002_db1_b", "fvc2002_db2_b", "fvc2002_db3_b"};

} // namespace bench

#endif
