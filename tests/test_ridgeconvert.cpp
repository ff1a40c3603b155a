// ridgeconvert run end to end: every format both ways, the header values
// (given, from the input record, or the defaults), finger views, record
// versions told from the bytes, images as input, and every failure exit
// with its one line on standard error.
#include "ridgeinterop.h"

#include "support/bitmap_builder.h"
#include "support/grey_bmp.h"
#include "support/png_files.h"
#include "support/program_runner.h"
#include "support/record_builder.h"
#include "support/sdk_test_helpers.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

using ridge_test::circular_error;
using ridge_test::ProgramRun;

namespace {

using Bytes = std::vector<unsigned char>;

const std::vector<RawMinutia> kMinutiae = {
    {1, 12, 40, 90}, {2, 300, 200, 359}, {1, 150, 22, 0}, {2, 77, 133, 181}, {1, 5, 199, 270}};

class Ridgeconvert : public ridge_test::ProgramTest {
protected:
    Ridgeconvert() : ProgramTest("ridgeconvert") {}
    void SetUp() override
    {
        ProgramTest::SetUp();
        if (!IsSkipped())
            ridge_test::write_file(path("in.txt"), ridge_test::raw_text(kMinutiae));
    }
    ProgramRun convert(const std::vector<std::string> &arguments) { return run(arguments); }
    // Runs and expects success, silently.
    void ok(const std::vector<std::string> &arguments)
    {
        const ProgramRun run = convert(arguments);
        EXPECT_EQ(run.exit_code, 0) << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, "");
    }
    std::vector<RawMinutia> read_back(const std::string &file)
    {
        ok({"--to", "raw", file, path("back.raw")});
        const Bytes bytes = ridge_test::read_bytes(path("back.raw"));
        return ridge_test::raw_minutiae(bytes.data(), bytes.size());
    }
};

TEST_F(Ridgeconvert, EveryFormatBothWaysWithinTheStatedLoss)
{
    struct Case {
        const char *file; // the extension names the format
        const char *format;
        int angle_loss, position_loss;
    };
    const Case cases[] = {{"t.txt", nullptr, 0, 0},   {"t.raw", nullptr, 0, 0},
                          {"t.pck", nullptr, 0, 0},   {"t.fmr", nullptr, 1, 0},
                          {"t.iso", nullptr, 1, 0},   {"t.isoc", nullptr, 3, 1},
                          {"t9.bin", "ansi2009", 1, 0}, {"t11.bin", "iso2011", 1, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        std::vector<std::string> to = {path("in.txt"), path(c.file)};
        std::vector<std::string> from = {path(c.file), path("back.txt")};
        if (c.format != nullptr) {
            to.insert(to.begin(), {"--to", c.format});
            from.insert(from.begin(), {"--from", c.format});
        }
        ok(to);
        ok(from);
        const Bytes text = ridge_test::read_bytes(path("back.txt"));
        const std::vector<RawMinutia> back = read_back(path("back.txt"));
        ASSERT_EQ(back.size(), kMinutiae.size()) << std::string(text.begin(), text.end());
        for (std::size_t i = 0; i < back.size(); ++i) {
            EXPECT_EQ(back[i].type, kMinutiae[i].type);
            EXPECT_LE(std::abs(back[i].x - kMinutiae[i].x), c.position_loss);
            EXPECT_LE(std::abs(back[i].y - kMinutiae[i].y), c.position_loss);
            EXPECT_LE(circular_error(back[i].angle, kMinutiae[i].angle), c.angle_loss);
        }
    }
    // The text written is the raw text file of the nine exports' tools.
    ok({path("in.txt"), path("copy.txt")});
    EXPECT_EQ(ridge_test::read_text(path("copy.txt")), ridge_test::raw_text(kMinutiae));
}

TEST_F(Ridgeconvert, HeaderValuesGivenTakenFromTheInputOrDefaulted)
{
    // Given: an ISO 2005 record holds them at 14 (width), 16 (height), 24
    // (finger), 25 (view and impression), 26 (quality).
    ok({"--width", "400", "--height", "500", "--quality", "70", "--finger", "3", "--impression", "8",
        path("in.txt"), path("given.iso")});
    const Bytes given = ridge_test::read_bytes(path("given.iso"));
    ASSERT_GT(given.size(), 27u);
    EXPECT_EQ(given[14] << 8 | given[15], 400);
    EXPECT_EQ(given[16] << 8 | given[17], 500);
    EXPECT_EQ(given[24], 3);
    EXPECT_EQ(given[25], 8);
    EXPECT_EQ(given[26], 70);

    // Taken from the input record, one overridden; the 2004 ANSI record
    // holds width at 16, height at 18, finger 26, impression 27, quality 28.
    ok({"--quality", "20", path("given.iso"), path("taken.fmr")});
    const Bytes taken = ridge_test::read_bytes(path("taken.fmr"));
    ASSERT_GT(taken.size(), 29u);
    EXPECT_EQ(taken[16] << 8 | taken[17], 400);
    EXPECT_EQ(taken[18] << 8 | taken[19], 500);
    EXPECT_EQ(taken[26], 3);
    EXPECT_EQ(taken[27], 8);
    EXPECT_EQ(taken[28], 20);

    // Defaults: the smallest image that holds every minutia, the rest 0.
    ok({path("in.txt"), path("default.fmr")});
    const Bytes defaulted = ridge_test::read_bytes(path("default.fmr"));
    EXPECT_EQ(defaulted[16] << 8 | defaulted[17], 301);
    EXPECT_EQ(defaulted[18] << 8 | defaulted[19], 201);
    EXPECT_EQ(defaulted[26], 0);
    EXPECT_EQ(defaulted[27], 0);
    EXPECT_EQ(defaulted[28], 0);
}

TEST_F(Ridgeconvert, ViewsAndRecordVersionsAreFound)
{
    // Two views written by hand; --view 1 reads the second.
    ridge_test::RecordBuilder two;
    two.text("FMR\0 20\0", 8).u32(0).u16(0).u16(300).u16(300).u16(197).u16(197).u8(2).u8(0);
    two.u8(1).u8(0).u8(50).u8(1).minutia(1, 10, 20, 64, 0).u16(0);
    two.u8(2).u8(0x10).u8(60).u8(2).minutia(2, 30, 40, 128, 0).minutia(1, 50, 60, 0, 0).u16(0);
    two.set32(8, two.bytes.size());
    ridge_test::write_file(path("two.iso"), two.bytes);
    EXPECT_EQ(read_back(path("two.iso")).size(), 1u);
    ok({"--view", "1", path("two.iso"), path("second.txt")});
    EXPECT_EQ(ridge_test::read_text(path("second.txt")), "2\n2, 30, 40, 180\n1, 50, 60, 0\n");
    const ProgramRun beyond = convert({"--view", "2", path("two.iso"), path("third.txt")});
    EXPECT_EQ(beyond.exit_code, 1);
    EXPECT_NE(beyond.err.find("view 2 does not exist"), std::string::npos) << beyond.err;

    // A .fmr holding a 2009 record and a .iso holding a 2011 one are read
    // as what they hold.
    ok({"--to", "ansi2009", path("in.txt"), path("v2009.fmr")});
    ok({"--to", "iso2011", path("in.txt"), path("v2011.iso")});
    ok({path("v2009.fmr"), path("a.txt")});
    ok({path("v2011.iso"), path("b.txt")});
    EXPECT_EQ(read_back(path("a.txt")).size(), kMinutiae.size());
    EXPECT_EQ(read_back(path("b.txt")).size(), kMinutiae.size());
    // Named explicitly, the format is not second-guessed.
    const ProgramRun forced = convert({"--from", "fmr378", path("v2009.fmr"), path("c.txt")});
    EXPECT_EQ(forced.exit_code, 1);
    EXPECT_FALSE(ridge_test::file_exists(path("c.txt")));
}

TEST_F(Ridgeconvert, ImagesAreExtractedAndResampled)
{
    const std::string sample = std::string(RIDGESDK_TEST_DATA) + "/samples/101_1.bmp";
    ridge_test::GreyImage image;
    ASSERT_TRUE(ridge_test::load_grey_bmp(sample, image));
    // The same pixels as a PGM file.
    const std::string header = "P5\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
    Bytes pgm(header.begin(), header.end());
    pgm.insert(pgm.end(), image.pixels.begin(), image.pixels.end());
    ridge_test::write_file(path("finger.pgm"), pgm);

    ridge_test::OwnedRecord direct;
    ASSERT_EQ(generateRawFPT(image.pixels.data(), image.width, image.height, &direct.record), FPT_OK);
    for (const std::vector<std::string> &arguments :
         {std::vector<std::string>{sample, path("a.raw")}, {path("finger.pgm"), path("a.raw")},
          {"--ppi", "500", path("finger.pgm"), path("a.raw")}}) {
        ok(arguments);
        EXPECT_EQ(ridge_test::read_bytes(path("a.raw")), direct.bytes()) << arguments[0];
    }

    // At 569 ppi the image is first resampled to 500.
    const ridge_image in{image.width, image.height, image.pixels.data(), 0};
    ridge_image resampled{0, 0, nullptr, 0};
    ASSERT_EQ(ridge_image_resample(&in, 569, &resampled), RIDGE_OK);
    ridge_test::OwnedRecord at500;
    ASSERT_EQ(generateRawFPT(resampled.pixels, resampled.width, resampled.height, &at500.record), FPT_OK);
    ok({"--ppi", "569", path("finger.pgm"), path("b.raw")});
    EXPECT_EQ(ridge_test::read_bytes(path("b.raw")), at500.bytes());
    // A PNG that states 569 ppi (22402 pixels per metre) is resampled
    // without being told; --ppi overrides what it states.
    const Bytes png = ridge_test::png_file(PNG_FORMAT_GRAY, image.width, image.height, image.pixels);
    ridge_test::write_file(path("stated.png"), ridge_test::with_phys(png, 22402, 1));
    ok({path("stated.png"), path("c.raw")});
    EXPECT_EQ(ridge_test::read_bytes(path("c.raw")), at500.bytes());
    ok({"--ppi", "500", path("stated.png"), path("d.raw")});
    EXPECT_EQ(ridge_test::read_bytes(path("d.raw")), direct.bytes());
    // The record carries the resampled size and the rounded quality.
    ok({"--ppi", "569", path("finger.pgm"), path("b.fmr")});
    const Bytes record = ridge_test::read_bytes(path("b.fmr"));
    EXPECT_EQ(record[16] << 8 | record[17], resampled.width);
    EXPECT_EQ(record[18] << 8 | record[19], resampled.height);
    double quality = 0;
    int32_t area = 0;
    ASSERT_EQ(getFpImgQuality(resampled.pixels, resampled.width, resampled.height, &quality, &area), FPT_OK);
    EXPECT_EQ(record[28], static_cast<int>(quality + 0.5));
    ridge_image_release(&resampled);
}

TEST_F(Ridgeconvert, HelpAndVersion)
{
    const ProgramRun help = convert({"--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_EQ(help.out.rfind("Usage: ridgeconvert [--from F] [--to F] [--width W] [--height H] [--quality Q]", 0),
              0u)
        << help.out;
    EXPECT_NE(help.out.find("iso-card"), std::string::npos);
    EXPECT_EQ(help.err, "");
    const ProgramRun version = convert({"--version"});
    EXPECT_EQ(version.exit_code, 0);
    EXPECT_EQ(version.out, std::string("ridgeconvert ") + ridge_version() + "\n");
}

// Every way to fail: the status, one line on standard error naming the
// reason, nothing on standard output, no output file.
TEST_F(Ridgeconvert, EveryFailureExitsWithOneLine)
{
    ridge_test::write_file(path("odd.raw"), Bytes(17, 0));
    ridge_test::write_file(path("bad.txt"), std::string("2\n1, 2, 3, 4\n1; 2, 3, 4\n"));
    ridge_test::write_file(path("many.txt"), std::string("129\n"));
    ridge_test::write_file(path("angle.txt"), std::string("1\n1, 2, 3, 400\n"));
    ridge_test::write_file(path("far.txt"), std::string("1\n1, 2, 600, 4\n"));
    ridge_test::write_file(path("wide.txt"), std::string("1\n1, 1100, 6, 4\n"));
    ridge_test::write_file(path("junk.png"), std::string("\x89PNG\r\n\x1a\nnot really"));
    ridge_test::write_file(path("junk.iso"), std::string("FMR\0 20\0\0\0\0\x40", 12));
    // An ISO 2011 record whose impression type (24) the older records lack.
    ridge_test::RecordBuilder rep;
    rep.text("\xff\xff\xff\xff\xff\xff\xff\xff\xff", 9).u8(0).u16(0).u16(0).u8(0);
    rep.u8(1).u8(0).u16(197).u16(197).u8(24).u16(100).u16(100).u8(6 << 4).u8(1).minutia(1, 1, 1, 0, 254).u16(0);
    ridge_test::RecordBuilder contactless;
    contactless.text("FMR\0" "030\0", 8).u32(15 + 4 + rep.bytes.size()).u16(1).u8(0).u32(4 + rep.bytes.size());
    contactless.append(rep.bytes);
    ridge_test::write_file(path("contactless.bin"), contactless.bytes);
    ok({"--from", "iso2011", "--impression", "0", path("contactless.bin"), path("fixed.fmr")});

    struct Case {
        std::vector<std::string> arguments;
        int exit_code;
        const char *reason; // a part of the line
    };
    const std::string in = path("in.txt"), out = path("out.iso");
    const Case cases[] = {
        {{}, 2, "an input and an output file are needed"},
        {{in}, 2, "an input and an output file are needed"},
        {{in, out, path("x")}, 2, "too many arguments"},
        {{"--bogus", in, out}, 2, "unknown option --bogus"},
        {{"--from", "nope", in, out}, 2, "unknown format 'nope'"},
        {{"--quality", "101", in, out}, 2, "--quality 101 is outside 0..100"},
        {{"--quality", "x", in, out}, 2, "--quality takes a whole number"},
        {{"--finger", "11", in, out}, 2, "--finger 11 is outside 0..10"},
        {{"--impression", "5", in, out}, 2, "--impression 5 is not one of"},
        {{"--width", "65536", in, out}, 2, "--width 65536 is outside"},
        {{"--view", "-1", in, out}, 2, "--view takes a whole number"},
        {{in, out, "--height"}, 2, "--height needs a value"},
        {{"--ppi", "20", path("x.png"), out}, 2, "--ppi takes a resolution"},
        {{"--ppi", "569", in, out}, 2, "--ppi applies to an image input only"},
        {{"--view", "1", in, out}, 2, "an input in raw-txt has one view only"},
        {{path("in.dat"), out}, 2, "cannot tell the format of"},
        {{in, path("out.dat")}, 2, "cannot tell the format of"},
        {{in, path("out.png")}, 2, "an image can only be read"},
        {{path("missing.txt"), out}, 1, "cannot open"},
        {{path("odd.raw"), out}, 1, "whole number of 16-byte minutiae"},
        {{path("bad.txt"), out}, 1, "wrong format in minutia line 2"},
        {{path("many.txt"), out}, 1, "outside 0..128"},
        {{path("angle.txt"), out}, 1, "angle"},
        {{path("far.txt"), path("out.isoc")}, 1, "compact card"},
        {{path("wide.txt"), path("out.pck")}, 1, "no packed form"},
        {{path("junk.png"), out}, 1, "PNG"},
        {{path("junk.iso"), path("out.txt")}, 1, "junk.iso"},
        {{"--from", "iso2011", path("contactless.bin"), path("out.fmr")}, 1, "impression type 24"},
        {{in, path("no/such/dir/out.iso")}, 1, "cannot create"},
    };
    for (const Case &c : cases) {
        std::string joined;
        for (const std::string &a : c.arguments)
            joined += " " + a;
        SCOPED_TRACE(joined);
        const ProgramRun run = convert(c.arguments);
        EXPECT_EQ(run.exit_code, c.exit_code);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("ridgeconvert: ", 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
        for (const char *name : {"out.iso", "out.isoc", "out.pck", "out.txt", "out.fmr"})
            EXPECT_FALSE(ridge_test::file_exists(path(name))) << name;
    }
}

} // namespace
