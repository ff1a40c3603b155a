// ridgeforge's bitmap reader: accepted files give the image top row first
// without padding; everything else is refused with -1, a reason, and
// nothing read beyond the file. The layouts beyond the common one are
// tested with the decoder (test_bmp_decode.cpp).
#include "bmp_image.h"

#include "support/bitmap_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

using ridge_test::BitmapLayout;
using ridge_test::make_bitmap;
using ridge_test::set_le32;

namespace {

int convert(const std::vector<unsigned char> &file, std::vector<unsigned char> &image, int32_t &w,
            int32_t &h)
{
    // An exact-size heap copy, so a read past the end is caught by the
    // sanitizer build.
    std::vector<unsigned char> copy(file);
    copy.shrink_to_fit();
    return ridge::bmp_to_grey_image(copy.data(), copy.size(), image, w, h);
}

void expect_image_matches(const std::vector<unsigned char> &image, int32_t w, int32_t h)
{
    ASSERT_EQ(image.size(), std::size_t(w) * std::size_t(h));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            ASSERT_EQ(image[std::size_t(y) * std::size_t(w) + std::size_t(x)], ridge_test::test_pixel(x, y))
                << "x " << x << " y " << y;
}

} // namespace

TEST(BmpAccepted, RowsComeOutTopFirst)
{
    BitmapLayout layout;
    layout.width = 256;
    layout.height = 360;
    const auto file = make_bitmap(layout);
    ASSERT_EQ(file.size(), 1078u + 256u * 360u);
    std::vector<unsigned char> image;
    int32_t w = 0, h = 0;
    ASSERT_EQ(convert(file, image, w, h), 1);
    EXPECT_EQ(w, 256);
    EXPECT_EQ(h, 360);
    expect_image_matches(image, w, h);
    // The file's last row is the image's first.
    EXPECT_EQ(image[0], file[1078 + 359 * 256]);
}

TEST(BmpAccepted, OddWidthsSkipTheRowPadding)
{
    for (int32_t width : {1, 2, 3, 5, 7, 257}) {
        BitmapLayout layout;
        layout.width = width;
        layout.height = 3;
        std::vector<unsigned char> image;
        int32_t w = 0, h = 0;
        ASSERT_EQ(convert(make_bitmap(layout), image, w, h), 1) << width;
        expect_image_matches(image, w, h);
    }
}

TEST(BmpAccepted, LastRowNeedsNoPadding)
{
    BitmapLayout layout;
    layout.width = 257;
    layout.height = 360;
    auto file = make_bitmap(layout);
    const std::size_t shortest = 1078 + 359 * 260 + 257;
    file.resize(shortest);
    std::vector<unsigned char> image;
    int32_t w = 0, h = 0;
    ASSERT_EQ(convert(file, image, w, h), 1);
    expect_image_matches(image, w, h);

    file.resize(shortest - 1);
    std::vector<unsigned char> untouched = {9};
    EXPECT_EQ(convert(file, untouched, w, h), -1);
    EXPECT_EQ(untouched, std::vector<unsigned char>{9});
}

TEST(BmpAccepted, ShortestFileIsOnePixel)
{
    BitmapLayout layout;
    layout.width = 1;
    layout.height = 1;
    auto file = make_bitmap(layout);
    file.resize(1079);
    std::vector<unsigned char> image;
    int32_t w = 0, h = 0;
    ASSERT_EQ(convert(file, image, w, h), 1);
    EXPECT_EQ(image, std::vector<unsigned char>{ridge_test::test_pixel(0, 0)});
    file.resize(1078);
    EXPECT_EQ(convert(file, image, w, h), -1);
}

TEST(BmpRefused, HeaderFields)
{
    std::vector<unsigned char> image;
    int32_t w = 0, h = 0;
    BitmapLayout layout;
    auto file = make_bitmap(layout);
    file[1] = 'A';
    EXPECT_EQ(convert(file, image, w, h), -1) << "signature";

    layout = BitmapLayout{};
    layout.bits_per_pixel = 24;
    EXPECT_EQ(convert(make_bitmap(layout), image, w, h), -1) << "24 bits";
    layout = BitmapLayout{};
    layout.compression = 1;
    EXPECT_EQ(convert(make_bitmap(layout), image, w, h), -1) << "run-length compressed";
    layout = BitmapLayout{};
    layout.planes = 2;
    EXPECT_EQ(convert(make_bitmap(layout), image, w, h), -1) << "planes";
    EXPECT_TRUE(image.empty());
}

TEST(BmpRefused, EmptyNegativeWidthAndOversizedDimensions)
{
    std::vector<unsigned char> image;
    int32_t w = 0, h = 0;
    for (auto [width, height] : {std::pair<int32_t, int32_t>{0, 8}, {8, 0}, {-8, 8}, {-8, -8}}) {
        BitmapLayout layout;
        layout.width = width;
        layout.height = height;
        auto file = make_bitmap(layout);
        file.resize(std::max<std::size_t>(file.size(), 1200));
        EXPECT_EQ(convert(file, image, w, h), -1) << width << " x " << height;
    }
    // Width x height beyond 32 bits, in a file far too short for it: refused
    // before any allocation or row copy.
    BitmapLayout layout;
    auto file = make_bitmap(layout);
    set_le32(file, 18, 0x10000);
    set_le32(file, 22, 0x10000);
    EXPECT_EQ(convert(file, image, w, h), -1);
    set_le32(file, 18, 0x7fffffff);
    set_le32(file, 22, 1);
    EXPECT_EQ(convert(file, image, w, h), -1) << "row longer than the file";
    EXPECT_TRUE(image.empty());
}
