// Small binary images written as text for tests: '#' is a ridge pixel (1),
// any other character a valley pixel (0).
#ifndef RIDGESDK_TESTS_BINARY_ART_H
#define RIDGESDK_TESTS_BINARY_ART_H

#include <string>
#include <vector>

namespace ridge_test {

struct BinaryArt {
    int w = 0, h = 0;
    std::vector<unsigned char> pixels;
    unsigned char at(int x, int y) const { return pixels[static_cast<size_t>(y * w + x)]; }
    unsigned char *data() { return pixels.data(); }
};

BinaryArt binary_art(const std::vector<std::string> &rows);
// The image written back as text, one line per row, for failure messages.
std::string art_text(const BinaryArt &image);

} // namespace ridge_test

#endif
