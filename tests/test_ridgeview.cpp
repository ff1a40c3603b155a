// ridgeview run end to end: help and version, wrong command lines (exit 2,
// one line), inputs it cannot use (exit 1, one line, no picture), and the
// pictures it writes, read back through libpng: the size, the image under
// the layers, the marks of a given template, and the score of a pair,
// which is matchRawFPTs's.
#include "ridgeinspect.h"

#include "inspect/render.h"
#include "support/grey_bmp.h"
#include "support/png_rgb.h"
#include "support/program_runner.h"
#include "support/sdk_test_helpers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using ridge_test::ProgramRun;

namespace {

using ridge_test::sample_path;

struct Refusal {
    std::vector<std::string> arguments;
    const char *says;
};

class Ridgeview : public ridge_test::ProgramTest {
protected:
    Ridgeview() : ProgramTest("ridgeview") {}

    // A failure: the exit code, one line on standard error, nothing on
    // standard output.
    void expect_refusal(const std::vector<std::string> &arguments, int code, const std::string &says)
    {
        const ProgramRun r = run(arguments);
        EXPECT_EQ(r.exit_code, code) << r.err;
        EXPECT_EQ(r.out, "");
        ASSERT_FALSE(r.err.empty());
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_EQ(r.err.rfind("ridgeview: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    }
    // Each command line refused so, with no picture written at out.
    void expect_refusals(int code, const std::string &out, const std::vector<Refusal> &cases)
    {
        for (const Refusal &c : cases) {
            SCOPED_TRACE(c.says);
            expect_refusal(c.arguments, code, c.says);
            EXPECT_FALSE(ridge_test::file_exists(out));
        }
    }
};

std::vector<RawMinutia> template_of(const std::string &image_path)
{
    ridge_test::GreyImage img;
    EXPECT_TRUE(ridge_test::load_grey_bmp(image_path, img));
    TemplateBuffer t{nullptr, 0, 0};
    EXPECT_EQ(generateRawFPT(img.pixels.data(), img.width, img.height, &t), FPT_OK);
    std::vector<RawMinutia> out = ridge_test::raw_minutiae(t.data, t.size);
    free_FPAPI_mem(t.data);
    return out;
}

TEST_F(Ridgeview, HelpVersionAndWrongCommandLines)
{
    ProgramRun r = run({"--help"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out.rfind("Usage: ridgeview IMAGE OUT.png [--template FILE] [--layers LIST] [--other TEMPLATE --pair]\n",
                          0),
              0u);
    EXPECT_EQ(r.err, "");
    r = run({"--version"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, std::string("ridgeview ") + ridge_version() + "\n");

    const std::string image = sample_path("101_1.bmp"), out = path("out.png");
    expect_refusals(2, out, {
        {{}, "an image and an output file are needed"},
        {{image}, "an image and an output file are needed"},
        {{image, out, "extra"}, "too many arguments"},
        {{image, out, "--layers", "minutiae,stars"}, "unknown layer 'stars'"},
        {{image, out, "--layers", ""}, "unknown layer ''"},
        {{image, out, "--pair"}, "--pair needs the other impression"},
        {{image, out, "--other", image}, "add --pair"},
        {{image, out, "--frobnicate"}, "unknown option --frobnicate"},
        {{image, out, "--template"}, "--template needs a value"},
    });
}

TEST_F(Ridgeview, InputsItCannotUse)
{
    const std::string image = sample_path("101_1.bmp"), out = path("out.png");
    ridge_test::write_file(path("notes.txt"), std::string("not an image\n"));
    ridge_test::write_file(path("bad.txt"), std::string("2\n1, 10, 10, 90\n"));
    ridge_test::write_file(path("odd.raw"), std::string(17, '\0'));
    ridge_test::write_file(path("flat.pgm"), std::string("P5 4 4 255\n") + std::string(16, '\x80'));
    expect_refusals(1, out, {
        {{path("absent.bmp"), out}, "cannot open"},
        {{path("notes.txt"), out}, "notes.txt"},
        {{path("flat.pgm"), out}, "no template could be extracted"},
        {{image, out, "--template", path("absent.txt")}, "cannot open"},
        {{image, out, "--template", path("bad.txt")}, "wrong format in minutia line 2"},
        {{image, out, "--template", path("odd.raw")}, "16-byte minutiae"},
        {{image, out, "--other", path("absent.bmp"), "--pair"}, "cannot open"},
        {{image, out, "--other", path("odd.raw"), "--pair"}, "16-byte minutiae"},
        {{image, path("no/such/dir/out.png")}, "cannot create"},
    });
}

TEST_F(Ridgeview, PicturesReadBackWithTheirLayersAndMarks)
{
    const std::string image = sample_path("102_1.bmp");
    ridge_test::GreyImage img;
    ASSERT_TRUE(ridge_test::load_grey_bmp(image, img));

    // No layers: the image itself, in grey.
    ProgramRun r = run({image, path("plain.png"), "--layers", "none"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    ridge_test::RgbImage png;
    ASSERT_TRUE(ridge_test::read_png_rgb(path("plain.png"), png));
    ASSERT_EQ(png.width, img.width);
    ASSERT_EQ(png.height, img.height);
    size_t differ = 0;
    for (size_t i = 0; i < img.pixels.size(); ++i)
        differ += png.rgb[3 * i] != img.pixels[i] || png.rgb[3 * i + 2] != img.pixels[i];
    EXPECT_EQ(differ, 0u);

    // Every layer changes pixels, and only within the image's size.
    for (const char *layers : {"binary", "quality", "directions", "dropped", "minutiae", "all"}) {
        SCOPED_TRACE(layers);
        r = run({image, path("layer.png"), "--layers", layers});
        ASSERT_EQ(r.exit_code, 0) << r.err;
        ridge_test::RgbImage layered;
        ASSERT_TRUE(ridge_test::read_png_rgb(path("layer.png"), layered));
        ASSERT_EQ(layered.width, img.width);
        EXPECT_NE(layered.rgb, png.rgb);
    }

    // A given template in raw text, drawn in blue at its coordinates: a
    // ring for the ending, a square for the bifurcation.
    const std::vector<RawMinutia> given = {{FPT_MINUTIA_RIDGE_ENDING, 100, 120, 90},
                                           {FPT_MINUTIA_BIFURCATION, 250, 200, 180}};
    ridge_test::write_file(path("given.txt"), ridge_test::raw_text(given, "\r\n"));
    r = run({image, path("given.png"), "--template", path("given.txt"), "--layers", "minutiae"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    ASSERT_TRUE(ridge_test::read_png_rgb(path("given.png"), png));
    const std::vector<int> blue = {ridge::kGivenTemplateColour.r, ridge::kGivenTemplateColour.g,
                                   ridge::kGivenTemplateColour.b};
    const int rad = ridge::kEndingRadius, half = ridge::kBifurcationHalf;
    EXPECT_EQ(png.at(100 + rad, 120), blue);
    EXPECT_EQ(png.at(100 - rad, 120), blue);
    EXPECT_EQ(png.at(100, 120 + rad), blue);
    EXPECT_EQ(png.at(100, 120 - ridge::kStrokeEnd), blue) << "the stroke points up for 90 degrees";
    EXPECT_EQ(png.at(250 - half, 200 - half), blue);
    EXPECT_EQ(png.at(250 + half, 200 + half), blue);
    EXPECT_EQ(png.at(250 - ridge::kStrokeEnd, 200), blue) << "the stroke points left for 180 degrees";
    const unsigned char g = img.pixels[120 * static_cast<size_t>(img.width) + 100];
    EXPECT_EQ(png.at(100, 120), (std::vector<int>{g, g, g}));
    size_t blue_pixels = 0;
    for (int y = 0; y < png.height; ++y)
        for (int x = 0; x < png.width; ++x)
            blue_pixels += png.at(x, y) == blue ? 1 : 0;
    EXPECT_GT(blue_pixels, 30u);
    EXPECT_LT(blue_pixels, 80u) << "two marks only";
}

TEST_F(Ridgeview, PairPrintsAndDrawsTheExportsScore)
{
    const std::string a = sample_path("101_1.bmp"), b = sample_path("101_2.bmp");
    const std::vector<RawMinutia> ta = template_of(a), tb = template_of(b);
    std::vector<unsigned char> ba = ridge_test::raw_block(ta), bb = ridge_test::raw_block(tb);
    const TemplateBuffer ra = ridge_test::input_record(ba, FPT_FORMAT_RAW), rb = ridge_test::input_record(bb, FPT_FORMAT_RAW);
    double score = -1;
    ASSERT_EQ(matchRawFPTs(&ra, &rb, &score), FPT_OK);
    char expected[64];
    std::snprintf(expected, sizeof expected, "score %.6f\n", score);

    // The other impression as an image, as a raw template and as a record:
    // the same score; a template alone is drawn on white beside the image.
    ridge_test::write_file(path("b.raw"), bb);
    TemplateBuffer record{nullptr, 0, 0};
    ASSERT_EQ(RawFPT_2_FMR378FPT(&rb, 60, 1, 0, 374, 388, &record), FPT_OK);
    ridge_test::write_file(path("b.fmr"), std::vector<unsigned char>(record.data, record.data + record.size));
    free_FPAPI_mem(record.data);
    for (const std::string &other : {b, path("b.raw"), path("b.fmr")}) {
        SCOPED_TRACE(other);
        const ProgramRun r = run({a, path("pair.png"), "--other", other, "--pair"});
        ASSERT_EQ(r.exit_code, 0) << r.err;
        EXPECT_EQ(r.out, expected);
        EXPECT_EQ(r.err, "");
        ridge_test::RgbImage png;
        ASSERT_TRUE(ridge_test::read_png_rgb(path("pair.png"), png));
        const bool image = other == b;
        int right_width = 388, right_height = 374;
        if (!image) {
            right_width = right_height = 16;
            for (const RawMinutia &m : tb) {
                right_width = std::max(right_width, m.x + ridge::kStrokeEnd + 1);
                right_height = std::max(right_height, m.y + ridge::kStrokeEnd + 1);
            }
        }
        EXPECT_EQ(png.width, 388 + ridge::kPairGap + right_width);
        EXPECT_EQ(png.height, std::max(374, right_height) + ridge::kPairBand);
    }
}

} // namespace
