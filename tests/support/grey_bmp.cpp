#include "support/grey_bmp.h"

#include <algorithm>
#include <cstdint>
#include <dirent.h>
#include <fstream>
#include <iterator>

namespace ridge_test {

namespace {

uint32_t u32(const std::vector<unsigned char> &b, size_t at)
{
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

uint16_t u16(const std::vector<unsigned char> &b, size_t at)
{
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

std::vector<std::string> list_dir(const std::string &path, bool dirs)
{
    std::vector<std::string> out;
    DIR *d = opendir(path.c_str());
    if (d == nullptr)
        return out;
    while (dirent *e = readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        const bool is_dir = e->d_type == DT_DIR;
        if (dirs ? is_dir : (!is_dir && name.size() > 4 && name.compare(name.size() - 4, 4, ".bmp") == 0))
            out.push_back(name);
    }
    closedir(d);
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

bool load_grey_bmp(const std::string &path, GreyImage &out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    const std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M')
        return false;
    const uint32_t data_at = u32(b, 10);
    const int32_t w = static_cast<int32_t>(u32(b, 18));
    const int32_t h = static_cast<int32_t>(u32(b, 22));
    if (u16(b, 28) != 8 || u32(b, 30) != 0 || w <= 0 || h == 0)
        return false;
    const int rows = h < 0 ? -h : h;
    const size_t stride = (static_cast<size_t>(w) + 3) & ~size_t{3};
    if (data_at + stride * static_cast<size_t>(rows) > b.size())
        return false;
    out.width = w;
    out.height = rows;
    out.pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(rows));
    for (int y = 0; y < rows; ++y) {
        const int src_row = h > 0 ? rows - 1 - y : y; // positive height: bottom row first
        std::copy_n(b.begin() + static_cast<std::ptrdiff_t>(data_at + stride * static_cast<size_t>(src_row)), w,
                    out.pixels.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(y) * static_cast<size_t>(w)));
    }
    const size_t slash = path.find_last_of('/');
    out.name = slash == std::string::npos ? path : path.substr(slash + 1);
    return true;
}

// The shared folder sits beside the project, or beside the folder that
// holds it when the project is one of several working copies.
std::string sample_path(const std::string &name) { return std::string(RIDGESDK_TEST_DATA) + "/samples/" + name; }

std::string shared_data_dir()
{
    for (const std::string &dir :
         {std::string(RIDGESDK_SHARED_DATA), std::string(RIDGESDK_TEST_DATA) + "/../../../../shared/data"}) {
        DIR *d = opendir(dir.c_str());
        if (d != nullptr) {
            closedir(d);
            return dir;
        }
    }
    return std::string();
}

std::vector<std::string> shared_image_sets()
{
    const std::string root = shared_data_dir();
    return root.empty() ? std::vector<std::string>() : list_dir(root, true);
}

std::vector<std::string> bmp_files(const std::string &dir)
{
    std::vector<std::string> out;
    for (const std::string &name : list_dir(dir, false))
        out.push_back(dir + "/" + name);
    return out;
}

std::vector<std::string> shared_set_images(const std::string &set)
{
    return bmp_files(shared_data_dir() + "/" + set);
}

} // namespace ridge_test
