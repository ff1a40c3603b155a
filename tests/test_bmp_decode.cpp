// The bitmap decoder: every layout it reads gives the same image as the
// common one (40-byte header, 256 grey levels, pixels at 1078, rows bottom
// first); palettes are applied; what it refuses comes with its reason and
// leaves the output alone.
#include "formats/bmp_decode.h"

#include "support/bitmap_builder.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using ridge::GreyImage;
using ridge_test::BitmapLayout;
using ridge_test::make_bitmap;
using ridge_test::set_le32;

namespace {

// Decodes an exact-size heap copy, so that a read past the end is caught
// by the sanitizer build.
std::string decode(const std::vector<unsigned char> &file, GreyImage *image)
{
    std::vector<unsigned char> copy(file);
    copy.shrink_to_fit();
    return ridge::decodeBmp8(copy.empty() ? nullptr : copy.data(), copy.size(), image);
}

std::vector<unsigned char> expected_pixels(int32_t width, int32_t height,
                                           const std::function<uint8_t(int32_t, int32_t)> &grey)
{
    std::vector<unsigned char> pixels;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            pixels.push_back(grey(x, y));
    return pixels;
}

std::vector<uint32_t> grey_palette(int entries, int step)
{
    std::vector<uint32_t> palette;
    for (int i = 0; i < entries; ++i) {
        const auto v = static_cast<uint32_t>(i * step);
        palette.push_back(v | v << 8 | v << 16);
    }
    return palette;
}

} // namespace

TEST(BmpDecode, CommonLayoutIsReadAsBefore)
{
    BitmapLayout layout;
    layout.width = 13;
    layout.height = 5;
    const auto file = make_bitmap(layout);
    ASSERT_EQ(1078u, ridge_test::pixel_offset(layout));
    GreyImage image;
    ASSERT_EQ("", decode(file, &image));
    EXPECT_EQ(13, image.width);
    EXPECT_EQ(5, image.height);
    EXPECT_EQ(expected_pixels(13, 5, ridge_test::test_pixel), image.pixels);
}

TEST(BmpDecode, EveryReadableLayoutGivesTheSameImage)
{
    struct Case {
        const char *name;
        std::function<void(BitmapLayout &)> change;
    };
    const std::vector<Case> cases = {
        {"core header", [](BitmapLayout &l) { l.info_header_bytes = 12; }},
        {"52-byte header", [](BitmapLayout &l) { l.info_header_bytes = 52; }},
        {"56-byte header", [](BitmapLayout &l) { l.info_header_bytes = 56; }},
        {"64-byte header", [](BitmapLayout &l) { l.info_header_bytes = 64; }},
        {"V4 header", [](BitmapLayout &l) { l.info_header_bytes = 108; }},
        {"V5 header", [](BitmapLayout &l) { l.info_header_bytes = 124; }},
        {"V5 header, top down", [](BitmapLayout &l) { l.info_header_bytes = 124, l.height = -l.height; }},
        {"top down", [](BitmapLayout &l) { l.height = -l.height; }},
        {"gap before the pixels", [](BitmapLayout &l) { l.gap = 37; }},
        {"colour count 0 means 256", [](BitmapLayout &l) { l.colours_used = 0; }},
        {"no palette at all", [](BitmapLayout &l) { l.palette = {}, l.colours_used = 0, l.gap = 0; }},
        {"inverted grey palette",
         [](BitmapLayout &l) {
             for (uint32_t i = 0; i < 256; ++i) {
                 const uint32_t v = 255 - i;
                 l.palette.push_back(v | v << 8 | v << 16);
             }
             l.stored = [](int32_t x, int32_t y) { return uint8_t(255 - ridge_test::test_pixel(x, y)); };
         }},
        {"palette of one colour only (ignored)",
         [](BitmapLayout &l) { l.palette.assign(256, 0); }},
    };
    for (int32_t width : {1, 6, 257}) {
        for (const Case &c : cases) {
            BitmapLayout layout;
            layout.width = width;
            layout.height = 7;
            c.change(layout);
            auto file = make_bitmap(layout);
            if (std::string(c.name) == "no palette at all") {
                // Pixels right after a 40-byte header, offset 54.
                file.erase(file.begin() + 54, file.begin() + 1078);
                set_le32(file, 10, 54);
            }
            GreyImage image;
            ASSERT_EQ("", decode(file, &image)) << c.name << ", width " << width;
            EXPECT_EQ(width, image.width) << c.name;
            EXPECT_EQ(7, image.height) << c.name;
            EXPECT_EQ(expected_pixels(width, 7, ridge_test::test_pixel), image.pixels) << c.name << ", width " << width;
        }
    }
}

TEST(BmpDecode, ShortAndColourPalettesMapEachIndex)
{
    // 16 greys 0, 17, ..., 255: a 4-bit scanner's image stored in 8 bits.
    BitmapLayout layout;
    layout.width = 9;
    layout.height = 4;
    layout.palette = grey_palette(16, 17);
    layout.stored = [](int32_t x, int32_t y) { return uint8_t((x + 3 * y) % 16); };
    GreyImage image;
    ASSERT_EQ("", decode(make_bitmap(layout), &image));
    EXPECT_EQ(expected_pixels(9, 4, [](int32_t x, int32_t y) { return uint8_t((x + 3 * y) % 16 * 17); }),
              image.pixels);

    // The same 16 entries with the colour count left at 0: the palette is
    // what fits before the pixels.
    layout.colours_used = 0;
    GreyImage again;
    ASSERT_EQ("", decode(make_bitmap(layout), &again));
    EXPECT_EQ(image.pixels, again.pixels);

    // Colours become their luminance, rounded.
    layout = BitmapLayout{};
    layout.width = 3;
    layout.height = 1;
    layout.palette = {0xff0000, 0x00ff00, 0x0000ff, 0x808080};
    layout.stored = [](int32_t x, int32_t) { return uint8_t(x == 0 ? 3 : x == 1 ? 0 : 2); };
    ASSERT_EQ("", decode(make_bitmap(layout), &image));
    EXPECT_EQ((std::vector<unsigned char>{128, 76, 29}), image.pixels);
    layout.info_header_bytes = 12; // three-byte entries
    ASSERT_EQ("", decode(make_bitmap(layout), &image));
    EXPECT_EQ((std::vector<unsigned char>{128, 76, 29}), image.pixels);
}

TEST(BmpDecode, RefusalsSayWhy)
{
    struct Case {
        const char *name;
        std::function<std::vector<unsigned char>()> file;
        std::string reason;
    };
    auto patched = [](std::function<void(BitmapLayout &)> change,
                      std::function<void(std::vector<unsigned char> &)> patch) {
        return [=] {
            BitmapLayout layout;
            change(layout);
            auto file = make_bitmap(layout);
            patch(file);
            return file;
        };
    };
    auto none = [](BitmapLayout &) {};
    auto as_is = [](std::vector<unsigned char> &) {};
    const std::vector<Case> cases = {
        {"empty", [] { return std::vector<unsigned char>{}; },
         "file of 0 bytes is too short for a bitmap header"},
        {"signature", patched(none, [](auto &f) { f[0] = 'P'; }), "not a bitmap: the file does not start with BM"},
        {"header size", patched(none, [](auto &f) { set_le32(f, 14, 44); }),
         "unknown bitmap information header of 44 bytes"},
        {"file ends in the header", patched(none, [](auto &f) { f.resize(40); }),
         "file of 40 bytes ends inside its 40-byte information header"},
        {"planes", patched([](auto &l) { l.planes = 3; }, as_is), "3 colour planes; a bitmap has 1"},
        {"24 bits", patched([](auto &l) { l.bits_per_pixel = 24; }, as_is),
         "24 bits per pixel; only 8-bit bitmaps are read"},
        {"run-length", patched([](auto &l) { l.compression = 1; }, as_is),
         "compressed pixel data (RLE8); only uncompressed bitmaps are read"},
        {"bit fields", patched([](auto &l) { l.compression = 3; }, as_is),
         "compressed pixel data (bit fields); only uncompressed bitmaps are read"},
        {"width 0", patched([](auto &l) { l.width = 0; }, as_is), "width of 0 pixels"},
        {"negative width", patched([](auto &l) { l.width = -4; }, as_is), "width of -4 pixels"},
        {"height 0", patched([](auto &l) { l.height = 0; }, as_is), "height of 0 pixels"},
        {"beyond 32 bits",
         patched(none, [](auto &f) { set_le32(f, 18, 0x10000), set_le32(f, 22, 0x10000); }),
         "65536 x 65536 pixels are more than an image holds"},
        {"top down beyond 32 bits",
         patched(none, [](auto &f) { set_le32(f, 18, 0x10000), set_le32(f, 22, 0x80000000u); }),
         "65536 x 2147483648 pixels are more than an image holds"},
        {"too many colours", patched([](auto &l) { l.colours_used = 257; }, as_is),
         "palette of 257 colours; 8-bit pixels index 256"},
        {"offset in the headers", patched(none, [](auto &f) { set_le32(f, 10, 50); }),
         "pixel data offset 50 lies inside the headers"},
        {"offset past the end", patched(none, [](auto &f) { set_le32(f, 10, 5000); }),
         "pixel data offset 5000 lies past the end of the file (1142 bytes)"},
        {"truncated", patched(none, [](auto &f) { f.resize(f.size() - 1); }),
         "file of 1141 bytes ends inside the pixel rows, which need 1142 bytes"},
        {"truncated V5", patched([](auto &l) { l.info_header_bytes = 124; }, [](auto &f) { f.resize(1200); }),
         "file of 1200 bytes ends inside the pixel rows, which need 1226 bytes"},
        {"index beyond a short palette",
         patched([](auto &l) { l.palette = grey_palette(16, 17); }, as_is),
         "pixel value 91 lies beyond the palette of 16 colours"},
    };
    for (const Case &c : cases) {
        GreyImage image;
        image.width = 77;
        image.pixels = {1, 2};
        EXPECT_EQ(c.reason, decode(c.file(), &image)) << c.name;
        EXPECT_EQ(77, image.width) << c.name;
        EXPECT_EQ((std::vector<unsigned char>{1, 2}), image.pixels) << c.name;
    }
    GreyImage image;
    EXPECT_EQ("file of 0 bytes is too short for a bitmap header", ridge::decodeBmp8(nullptr, 0, &image));
}
