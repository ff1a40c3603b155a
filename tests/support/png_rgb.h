// Reads a PNG file back through libpng as 8-bit RGB, for tests of the
// pictures the library writes.
#ifndef RIDGESDK_TESTS_PNG_RGB_H
#define RIDGESDK_TESTS_PNG_RGB_H

#include <string>
#include <vector>

namespace ridge_test {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb; // width * height * 3, top row first

    // {r, g, b} of a pixel.
    std::vector<int> at(int x, int y) const
    {
        const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

// False when libpng cannot read the file.
bool read_png_rgb(const std::string &path, RgbImage &out);

} // namespace ridge_test

#endif
