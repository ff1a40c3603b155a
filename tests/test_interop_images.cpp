// Images through ridgeinterop.h: PNG files made here with libpng's writer,
// PGM and PPM files written by hand, the grey rule for colour and alpha,
// the stated resolution, refusals of damaged files, and resampling to
// 500 ppi (sizes, range, the two passes against a direct evaluation).
#include "ridgeinterop.h"

#include "interop/image_resample.h"
#include "support/bitmap_builder.h"
#include "support/grey_bmp.h"
#include "support/png_files.h"
#include "support/sdk_test_helpers.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

struct Decoded {
    int32_t status = 0;
    int32_t width = 0, height = 0;
    Bytes pixels;
    double ppi = -1;
    std::string message;
};

Decoded decode(const Bytes &file)
{
    Decoded d;
    ridge_image image{0, 0, nullptr, 0};
    d.status = ridge_image_decode(file.data(), file.size(), &image);
    if (d.status == RIDGE_OK) {
        d.width = image.width;
        d.height = image.height;
        d.pixels.assign(image.pixels, image.pixels + std::size_t(image.width) * std::size_t(image.height));
        d.ppi = image.ppi;
    } else {
        EXPECT_EQ(image.pixels, nullptr);
        d.message = ridge_last_error();
    }
    ridge_image_release(&image);
    return d;
}

Bytes png_file(png_uint_32 format, int width, int height, const Bytes &samples)
{
    return ridge_test::png_file(format, width, height, samples);
}

using ridge_test::with_phys;

Bytes text_bytes(const std::string &s) { return Bytes(s.begin(), s.end()); }

TEST(ImageDecode, PngOfEveryKindBecomesGrey)
{
    Bytes ramp(16 * 3);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<unsigned char>(i * 5);
    const Decoded grey = decode(png_file(PNG_FORMAT_GRAY, 16, 3, ramp));
    ASSERT_EQ(grey.status, RIDGE_OK) << grey.message;
    EXPECT_EQ(grey.width, 16);
    EXPECT_EQ(grey.height, 3);
    EXPECT_EQ(grey.pixels, ramp);
    EXPECT_EQ(grey.ppi, 0.0);

    // Colour: (299 R + 587 G + 114 B + 500) / 1000 on the stored values.
    const Bytes rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30, 255, 255, 255};
    const Decoded colour = decode(png_file(PNG_FORMAT_RGB, 5, 1, rgb));
    ASSERT_EQ(colour.status, RIDGE_OK) << colour.message;
    EXPECT_EQ(colour.pixels, (Bytes{76, 150, 29, 18, 255}));

    // Alpha lays the pixel over white.
    const Bytes rgba = {0, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0, 128, 100, 100, 100, 51};
    const Decoded alpha = decode(png_file(PNG_FORMAT_RGBA, 4, 1, rgba));
    ASSERT_EQ(alpha.status, RIDGE_OK) << alpha.message;
    EXPECT_EQ(alpha.pixels, (Bytes{255, 0, 127, 224}));

    // 16-bit linear grey comes back sRGB-encoded by libpng: black stays
    // black and the levels keep their order.
    Bytes wide(2 * 8);
    for (std::size_t i = 0; i < 8; ++i) {
        const std::uint16_t v = static_cast<std::uint16_t>(i * 30 * 257);
        std::memcpy(&wide[2 * i], &v, 2); // the writer takes native 16-bit samples
    }
    const Decoded deep = decode(png_file(PNG_FORMAT_LINEAR_Y, 8, 1, wide));
    ASSERT_EQ(deep.status, RIDGE_OK) << deep.message;
    ASSERT_EQ(deep.pixels.size(), 8u);
    for (std::size_t i = 1; i < 8; ++i)
        EXPECT_GT(deep.pixels[i], deep.pixels[i - 1]) << "levels keep their order";
    EXPECT_EQ(deep.pixels.front(), 0);
}

TEST(ImageDecode, PngStatesItsResolutionInMetres)
{
    const Bytes plain = png_file(PNG_FORMAT_GRAY, 2, 2, Bytes(4, 7));
    EXPECT_NEAR(decode(with_phys(plain, 22402, 1)).ppi, 569.0, 0.05);
    EXPECT_NEAR(decode(with_phys(plain, 19685, 1)).ppi, 500.0, 0.05);
    EXPECT_EQ(decode(with_phys(plain, 19685, 0)).ppi, 0.0) << "aspect ratio only";
    EXPECT_EQ(decode(with_phys(plain, 2835, 1)).ppi, 0.0) << "72 ppi: an editor's default, not a scan";
    EXPECT_NEAR(decode(with_phys(plain, 9843, 1)).ppi, 250.0, 0.05) << "the lowest scan resolution";
    EXPECT_EQ(decode(with_phys(plain, 78741, 1)).ppi, 0.0) << "2000.02 ppi";
}

TEST(ImageDecode, DamagedPngIsRefused)
{
    const Bytes good = png_file(PNG_FORMAT_GRAY, 20, 20, Bytes(400, 90));
    ASSERT_EQ(decode(good).status, RIDGE_OK);
    for (const std::size_t cut : {std::size_t(8), std::size_t(30), good.size() / 2, good.size() - 13}) {
        const Bytes truncated(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_EQ(decode(truncated).status, RIDGE_ERR_CORRUPT) << cut << " bytes";
    }
    Bytes damaged = good;
    damaged[good.size() - 20] ^= 0x55; // inside the image data: its check fails
    EXPECT_EQ(decode(damaged).status, RIDGE_ERR_CORRUPT);
}

TEST(ImageDecode, PgmAndPpmOfEveryVariant)
{
    struct Case {
        const char *what;
        Bytes file;
        int width, height;
        Bytes pixels;
    };
    Bytes p5 = text_bytes("P5\n# made by hand\n3 2\n255\n");
    p5.insert(p5.end(), {0, 10, 20, 200, 250, 255});
    Bytes p5_deep = text_bytes("P5 2 1 1000 ");
    p5_deep.insert(p5_deep.end(), {0x03, 0xe8, 0x01, 0xf4}); // 1000 and 500 of 1000
    Bytes p6 = text_bytes("P6\n2 1\n255\n");
    p6.insert(p6.end(), {255, 0, 0, 0, 0, 255});
    const Case cases[] = {
        {"binary grey with a comment", p5, 3, 2, {0, 10, 20, 200, 250, 255}},
        {"binary grey of 16 bits", p5_deep, 2, 1, {255, 128}},
        {"text grey of maximum 15", text_bytes("P2\n2 2\n15\n0 15\n# half\n 7 8\n"), 2, 2, {0, 255, 119, 136}},
        {"binary colour", p6, 2, 1, {76, 29}},
        {"text colour", text_bytes("P3 1 1 255 0 255 0"), 1, 1, {150}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const Decoded d = decode(c.file);
        ASSERT_EQ(d.status, RIDGE_OK) << d.message;
        EXPECT_EQ(d.width, c.width);
        EXPECT_EQ(d.height, c.height);
        EXPECT_EQ(d.pixels, c.pixels);
        EXPECT_EQ(d.ppi, 0.0);
    }
}

TEST(ImageDecode, DamagedOrForeignFilesAreRefused)
{
    struct Case {
        const char *what;
        Bytes file;
        int32_t status;
    };
    Bytes short_p5 = text_bytes("P5 4 4 255\n");
    short_p5.insert(short_p5.end(), 15, 9);
    const Case cases[] = {
        {"truncated binary", short_p5, RIDGE_ERR_CORRUPT},
        {"truncated text", text_bytes("P2 2 2 255 1 2 3"), RIDGE_ERR_CORRUPT},
        {"damaged text", text_bytes("P2 2 2 255 1 2 3 x  "), RIDGE_ERR_CORRUPT},
        {"maximum 0", text_bytes("P2 1 1 0 0"), RIDGE_ERR_CORRUPT},
        {"maximum 65536", text_bytes("P2 1 1 65536 0"), RIDGE_ERR_CORRUPT},
        {"sample above the maximum", text_bytes("P2 1 1 255 256"), RIDGE_ERR_CORRUPT},
        {"no header end", text_bytes("P5 1 1 255"), RIDGE_ERR_CORRUPT},
        {"no size", text_bytes("P5\n# nothing\n"), RIDGE_ERR_CORRUPT},
        {"width 0", text_bytes("P2 0 1 255 "), RIDGE_ERR_UNSUPPORTED},
        {"too wide", text_bytes("P5 16385 1 255 "), RIDGE_ERR_UNSUPPORTED},
        {"too many pixels", text_bytes("P5 16384 16384 255 "), RIDGE_ERR_UNSUPPORTED},
        {"ten-digit size", text_bytes("P5 1000000000 1 255 "), RIDGE_ERR_CORRUPT},
        {"bitmap P4", text_bytes("P4 1 1 \x80"), RIDGE_ERR_UNSUPPORTED},
        {"unknown kind", text_bytes("GIF89a"), RIDGE_ERR_UNSUPPORTED},
        {"empty", Bytes{}, RIDGE_ERR_UNSUPPORTED},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const Decoded d = decode(c.file);
        EXPECT_EQ(d.status, c.status) << d.message;
        EXPECT_FALSE(d.message.empty());
    }
}

// Bitmaps go through the SDK's bitmap decoder; what it leaves alone is
// unsupported, what is damaged is corrupt, and the pixels per metre of the
// header give the resolution.
TEST(ImageDecode, BitmapsThroughTheBitmapDecoder)
{
    ridge_test::BitmapLayout layout;
    layout.width = 5;
    layout.height = 3;
    const Bytes file = ridge_test::make_bitmap(layout);
    const Decoded d = decode(file);
    ASSERT_EQ(d.status, RIDGE_OK) << d.message;
    ASSERT_EQ(d.pixels.size(), 15u);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x)
            EXPECT_EQ(d.pixels[std::size_t(y * 5 + x)], ridge_test::test_pixel(x, y));
    EXPECT_EQ(d.ppi, 0.0);

    Bytes stated = file;
    const std::uint32_t per_metre = 22402; // 569 ppi
    for (int i = 0; i < 4; ++i)
        stated[std::size_t(38 + i)] = static_cast<unsigned char>(per_metre >> (8 * i));
    EXPECT_NEAR(decode(stated).ppi, 569.0, 0.05);

    layout.bits_per_pixel = 24;
    EXPECT_EQ(decode(ridge_test::make_bitmap(layout)).status, RIDGE_ERR_UNSUPPORTED);
    layout.bits_per_pixel = 8;
    layout.compression = 1;
    EXPECT_EQ(decode(ridge_test::make_bitmap(layout)).status, RIDGE_ERR_UNSUPPORTED);
    const Bytes cut(file.begin(), file.end() - 8);
    EXPECT_EQ(decode(cut).status, RIDGE_ERR_CORRUPT);

    const std::string sample = std::string(RIDGESDK_TEST_DATA) + "/samples/101_1.bmp";
    ridge_test::GreyImage expected;
    ASSERT_TRUE(ridge_test::load_grey_bmp(sample, expected));
    ridge_image image{0, 0, nullptr, 0};
    ASSERT_EQ(ridge_image_read(sample.c_str(), &image), RIDGE_OK) << ridge_last_error();
    EXPECT_EQ(image.width, expected.width);
    EXPECT_EQ(Bytes(image.pixels, image.pixels + expected.pixels.size()), expected.pixels);
    ridge_image_release(&image);
}

TEST(ImageDecode, FilesAndOutputRecords)
{
    ridge_test::ScratchDir dir;
    Bytes p5 = text_bytes("P5 2 1 255\n");
    p5.insert(p5.end(), {3, 4});
    ridge_test::write_file(dir.path("a.pgm"), p5);
    ridge_image image{0, 0, nullptr, 0};
    ASSERT_EQ(ridge_image_read(dir.path("a.pgm").c_str(), &image), RIDGE_OK);
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.pixels[1], 4);
    EXPECT_EQ(ridge_image_read(dir.path("a.pgm").c_str(), &image), FPT_ERR_OUTPUT_IN_USE);
    ridge_image_release(&image);
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(ridge_image_read(dir.path("missing.png").c_str(), &image), RIDGE_ERR_IO);
    EXPECT_NE(std::string(ridge_last_error()).find("missing.png"), std::string::npos);
    EXPECT_EQ(ridge_image_read(nullptr, &image), RIDGE_ERR_ARGUMENT);
    EXPECT_EQ(ridge_image_decode(p5.data(), p5.size(), nullptr), RIDGE_ERR_ARGUMENT);
    ridge_image_release(nullptr);
}

struct Resampled {
    int32_t status = 0;
    int32_t width = 0, height = 0;
    Bytes pixels;
};

Resampled resample(const Bytes &pixels, int32_t width, int32_t height, double ppi)
{
    Bytes copy = pixels;
    const ridge_image in{width, height, copy.data(), 0};
    ridge_image out{0, 0, nullptr, 0};
    Resampled r;
    r.status = ridge_image_resample(&in, ppi, &out);
    if (r.status == RIDGE_OK) {
        EXPECT_EQ(out.ppi, 500.0);
        r.width = out.width;
        r.height = out.height;
        r.pixels.assign(out.pixels, out.pixels + std::size_t(out.width) * std::size_t(out.height));
    }
    ridge_image_release(&out);
    return r;
}

Bytes noise(std::size_t count, unsigned seed)
{
    std::mt19937 generator(seed);
    Bytes out(count);
    for (unsigned char &v : out)
        v = static_cast<unsigned char>(generator() % 200 + 20);
    return out;
}

TEST(ImageResample, SizesFollowTheResolution)
{
    struct Case {
        int32_t width, height;
        double ppi;
        int32_t out_width, out_height;
    };
    const Case cases[] = {{296, 560, 569, 260, 492}, {100, 50, 250, 200, 100},  {388, 374, 512, 379, 365},
                          {1, 1, 5000, 1, 1},        {300, 300, 500.4, 300, 300}, {7, 3, 1000, 4, 2}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.ppi);
        const Resampled r = resample(noise(std::size_t(c.width) * std::size_t(c.height), 1), c.width,
                                     c.height, c.ppi);
        ASSERT_EQ(r.status, RIDGE_OK) << ridge_last_error();
        EXPECT_EQ(r.width, c.out_width);
        EXPECT_EQ(r.height, c.out_height);
    }
    const Bytes image = noise(300 * 300, 2);
    EXPECT_EQ(resample(image, 300, 300, 500.4).pixels, image) << "within half a ppi: copied";
}

TEST(ImageResample, ValuesStayInRangeAndFlatAreasStayFlat)
{
    const Bytes flat(90 * 70, 137);
    for (const double ppi : {569.0, 400.0, 1000.0, 333.3}) {
        const Resampled r = resample(flat, 90, 70, ppi);
        ASSERT_EQ(r.status, RIDGE_OK);
        EXPECT_TRUE(std::all_of(r.pixels.begin(), r.pixels.end(), [](unsigned char v) { return v == 137; }))
            << ppi;
        const Bytes image = noise(90 * 70, 3);
        const auto [low, high] = std::minmax_element(image.begin(), image.end());
        const Resampled n = resample(image, 90, 70, ppi);
        EXPECT_GE(*std::min_element(n.pixels.begin(), n.pixels.end()), *low);
        EXPECT_LE(*std::max_element(n.pixels.begin(), n.pixels.end()), *high);
    }
    // A linear ramp stays linear away from the borders (the tent filter
    // reproduces straight lines), at the new scale.
    Bytes ramp(200 * 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 200; ++x)
            ramp[std::size_t(y * 200 + x)] = static_cast<unsigned char>(x);
    const double ppi = 569;
    const Resampled r = resample(ramp, 200, 4, ppi);
    for (int x = 5; x < r.width - 5; ++x) {
        const double expected = (x + 0.5) * ppi / 500 - 0.5;
        EXPECT_NEAR(r.pixels[std::size_t(x)], expected, 1.0) << x;
    }
}

// The two separable passes give what the product of the taps gives when
// evaluated directly in two dimensions.
TEST(ImageResample, SeparablePassesEqualDirectEvaluation)
{
    for (const double ppi : {569.0, 320.0}) {
        const int32_t width = 41, height = 29;
        const Bytes image = noise(std::size_t(width) * std::size_t(height), 4);
        const double scale = 500.0 / ppi;
        const auto out_width = static_cast<int32_t>(ridge::interop::resampled_length(width, scale));
        const auto out_height = static_cast<int32_t>(ridge::interop::resampled_length(height, scale));
        const auto columns = ridge::interop::filter_taps(width, out_width, scale);
        const auto rows = ridge::interop::filter_taps(height, out_height, scale);
        Bytes direct(std::size_t(out_width) * std::size_t(out_height));
        for (int32_t y = 0; y < out_height; ++y)
            for (int32_t x = 0; x < out_width; ++x) {
                const auto &ty = rows[std::size_t(y)];
                const auto &tx = columns[std::size_t(x)];
                std::int64_t sum = 0;
                for (std::size_t j = 0; j < ty.index.size(); ++j)
                    for (std::size_t i = 0; i < tx.index.size(); ++i)
                        sum += std::int64_t(ty.weight[j]) * tx.weight[i] *
                               image[std::size_t(ty.index[j]) * std::size_t(width) + std::size_t(tx.index[i])];
                direct[std::size_t(y) * std::size_t(out_width) + std::size_t(x)] =
                    static_cast<unsigned char>((sum + (std::int64_t(1) << 27)) >> 28);
            }
        for (const auto &taps : {columns, rows})
            for (const auto &t : taps) {
                std::int32_t total = 0;
                for (const std::int32_t w : t.weight) {
                    EXPECT_GE(w, 0);
                    total += w;
                }
                EXPECT_EQ(total, 1 << ridge::interop::kWeightBits);
            }
        EXPECT_EQ(resample(image, width, height, ppi).pixels, direct) << ppi;
    }
}

TEST(ImageResample, RefusesBadArguments)
{
    Bytes pixels(16, 1);
    const ridge_image in{4, 4, pixels.data(), 0};
    ridge_image out{0, 0, nullptr, 0};
    for (const double ppi : {49.9, 5000.1, std::numeric_limits<double>::quiet_NaN(), -500.0})
        EXPECT_EQ(ridge_image_resample(&in, ppi, &out), RIDGE_ERR_ARGUMENT) << ppi;
    const ridge_image empty{4, 4, nullptr, 0};
    EXPECT_EQ(ridge_image_resample(&empty, 569, &out), RIDGE_ERR_ARGUMENT);
    const ridge_image zero_width{0, 4, pixels.data(), 0};
    EXPECT_EQ(ridge_image_resample(&zero_width, 569, &out), RIDGE_ERR_ARGUMENT);
    ridge_image in_use{0, 0, pixels.data(), 0};
    EXPECT_EQ(ridge_image_resample(&in, 569, &in_use), FPT_ERR_OUTPUT_IN_USE);
    EXPECT_EQ(out.pixels, nullptr);
    // 16384 pixels at 100 ppi would be 81920 pixels wide.
    Bytes row(16384, 5);
    const ridge_image wide{16384, 1, row.data(), 0};
    EXPECT_EQ(ridge_image_resample(&wide, 100, &out), RIDGE_ERR_UNSUPPORTED);
}

} // namespace
