// Minimal reader of 8-bit grey BMP files for tests: gives the pixels top
// row first. Real-image test sets are listed from the shared data folder
// when it is present.
#ifndef RIDGESDK_TESTS_GREY_BMP_H
#define RIDGESDK_TESTS_GREY_BMP_H

#include <string>
#include <vector>

namespace ridge_test {

struct GreyImage {
    std::string name;
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels; // width * height, top row first
};

// Reads an uncompressed 8 bits-per-pixel BMP; false when it is not one.
bool load_grey_bmp(const std::string &path, GreyImage &out);

// The .bmp files of a folder, sorted (empty when it is absent).
std::vector<std::string> bmp_files(const std::string &dir);

// A file of the project's samples folder (tests/data/samples).
std::string sample_path(const std::string &name);

// The shared data folder, or "" when absent.
std::string shared_data_dir();

// Names of the real-image sets under the shared data folder (empty when
// the folder is absent), and the .bmp files of one set, sorted.
std::vector<std::string> shared_image_sets();
std::vector<std::string> shared_set_images(const std::string &set);

} // namespace ridge_test

#endif
