#include "support/lfs_vectors.h"

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>

namespace ridge_test {

namespace {

bool is_dir(const std::string &p)
{
    struct stat st {};
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<char> read_all(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path);
    return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const char *const kFolders[] = {"fvc2002_db1_b_101_1", "fvc2002_db1_b_104_3", "fvc2002_db1_b_108_7",
                                "fvc2002_db2_b_102_2", "fvc2002_db3_b_103_1", "fvc2002_db3_b_109_5"};

} // namespace

int VectorFolder::meta_int(const std::string &key) const
{
    auto it = meta.find(key);
    if (it == meta.end())
        throw std::runtime_error("meta key missing: " + key);
    return std::atoi(it->second.c_str());
}

std::vector<VectorFolder> vector_folders()
{
    const std::string own = std::string(RIDGESDK_TEST_DATA) + "/lfs-vectors";
    const std::string shared = std::string(RIDGESDK_SHARED_DATA) + "/../lfs-vectors";
    std::vector<VectorFolder> out;
    for (const char *name : kFolders) {
        std::string path;
        if (is_dir(own + "/" + name))
            path = own + "/" + name;
        else if (is_dir(shared + "/" + name))
            path = shared + "/" + name;
        else
            continue;
        VectorFolder f;
        f.name = name;
        f.path = path;
        std::ifstream meta(path + "/meta.txt");
        std::string line;
        while (std::getline(meta, line)) {
            std::istringstream ls(line);
            std::string k, v;
            if (ls >> k >> v)
                f.meta[k] = v;
        }
        out.push_back(f);
    }
    return out;
}

std::vector<unsigned char> load_u8(const std::string &path)
{
    auto b = read_all(path);
    return std::vector<unsigned char>(b.begin(), b.end());
}

std::vector<int> load_i32(const std::string &path)
{
    auto b = read_all(path);
    std::vector<int> v(b.size() / 4);
    for (size_t i = 0; i < v.size(); ++i) {
        const auto *p = reinterpret_cast<const unsigned char *>(&b[i * 4]);
        v[i] = static_cast<int>(static_cast<unsigned>(p[0]) | static_cast<unsigned>(p[1]) << 8 |
                                static_cast<unsigned>(p[2]) << 16 | static_cast<unsigned>(p[3]) << 24);
    }
    return v;
}

std::vector<double> load_f64(const std::string &path)
{
    auto b = read_all(path);
    std::vector<double> v(b.size() / 8);
    for (size_t i = 0; i < v.size(); ++i)
        std::memcpy(&v[i], &b[i * 8], 8);
    return v;
}

VectorMinutiae load_minutiae_tsv(const std::string &path)
{
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error("cannot open " + path);
    VectorMinutiae out;
    std::string line;
    std::getline(in, line); // header
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        std::istringstream ls(line);
        int i;
        lfs::Minutia m;
        double rel;
        ls >> i >> m.x >> m.y >> m.ex >> m.ey >> m.direction >> m.type >> m.appearing >> m.feature_id >> rel;
        m.reliability = static_cast<float>(rel);
        out.minutiae.list.push_back(m);
        out.reliability.push_back(rel);
    }
    out.minutiae.alloc = out.minutiae.num();
    return out;
}

std::vector<RemovalStep> load_steps(const std::string &path)
{
    std::ifstream in(path);
    std::vector<RemovalStep> out;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        RemovalStep s;
        int changed = 0;
        if (ls >> s.step >> s.routine >> s.minutiae_before >> s.minutiae_after >> s.binary_before >>
            s.binary_after >> changed >> s.maps_read) {
            s.binary_changed = changed != 0;
            out.push_back(s);
        }
    }
    return out;
}

std::string compare_minutiae(const lfs::Minutiae &got, const lfs::Minutiae &want)
{
    const int n = std::min(got.num(), want.num());
    for (int i = 0; i < n; ++i) {
        const auto &a = got.list[i];
        const auto &b = want.list[i];
        if (a.x != b.x || a.y != b.y || a.ex != b.ex || a.ey != b.ey || a.direction != b.direction ||
            a.type != b.type || a.appearing != b.appearing || a.feature_id != b.feature_id) {
            char buf[256];
            std::snprintf(buf, sizeof buf,
                          "entry %d: got (%d,%d e%d,%d d%d t%d a%d f%d) want (%d,%d e%d,%d d%d t%d a%d f%d)", i,
                          a.x, a.y, a.ex, a.ey, a.direction, a.type, a.appearing, a.feature_id, b.x, b.y, b.ex,
                          b.ey, b.direction, b.type, b.appearing, b.feature_id);
            return buf;
        }
    }
    if (got.num() != want.num())
        return "count: got " + std::to_string(got.num()) + " want " + std::to_string(want.num());
    return "";
}

} // namespace ridge_test
