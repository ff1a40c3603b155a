// PNG files for the tests, written by libpng itself, and a pHYs chunk
// added to one.
#ifndef RIDGESDK_TESTS_PNG_FILES_H
#define RIDGESDK_TESTS_PNG_FILES_H

#include <cstdint>
#include <vector>

namespace ridge_test {

// A PNG of width x height samples in the given libpng simplified-API
// format (PNG_FORMAT_GRAY, PNG_FORMAT_RGBA, ...).
std::vector<unsigned char> png_file(std::uint32_t format, int width, int height,
                                    const std::vector<unsigned char> &samples);

// The same PNG with a pHYs chunk after its header chunk: per_unit pixels
// per unit in both directions, unit 1 the metre, 0 none.
std::vector<unsigned char> with_phys(const std::vector<unsigned char> &png, std::uint32_t per_unit,
                                     unsigned char unit);

} // namespace ridge_test

#endif
