// Loader for the captured detector vectors: raw arrays, meta values and
// minutiae lists of real images, kept under tests/data/lfs-vectors (a few
// folders) and, when present, the full set beside the project.
#ifndef RIDGESDK_TESTS_LFS_VECTORS_H
#define RIDGESDK_TESTS_LFS_VECTORS_H

#include "lfs/lfs.h"

#include <map>
#include <string>
#include <vector>

namespace ridge_test {

struct VectorFolder {
    std::string name;
    std::string path;
    std::map<std::string, std::string> meta;
    int meta_int(const std::string &key) const;
    std::string file(const std::string &file_name) const { return path + "/" + file_name; }
};

// Every vector folder found: the project's copies first, then those of the
// full set that the project does not carry.
std::vector<VectorFolder> vector_folders();

std::vector<unsigned char> load_u8(const std::string &path);
std::vector<int> load_i32(const std::string &path);
std::vector<double> load_f64(const std::string &path);

// A minutiae list in list order; reliabilities are read as doubles and kept
// alongside, since the detector record holds single precision.
struct VectorMinutiae {
    lfs::Minutiae minutiae;
    std::vector<double> reliability;
};
VectorMinutiae load_minutiae_tsv(const std::string &path);

// One row of steps.tsv.
struct RemovalStep {
    int step = 0;
    std::string routine, minutiae_before, minutiae_after, binary_before, binary_after, maps_read;
    bool binary_changed = false;
};
std::vector<RemovalStep> load_steps(const std::string &path);

// Ordered comparison of two lists' integer fields; returns "" when equal,
// else a description of the first difference.
std::string compare_minutiae(const lfs::Minutiae &got, const lfs::Minutiae &want);

} // namespace ridge_test

#endif
