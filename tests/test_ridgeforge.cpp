// ridgeforge run end to end: banner, usage, refused and accepted bitmaps
// (other layouts of one image give one template), the report lines, the
// exit statuses of every failure, and the four template file formats,
// which must all describe the same template and feed ridgescore.
#include "ridgesdk.h"

#include "formats/raw_text_file.h"
#include "support/bitmap_builder.h"
#include "support/grey_bmp.h"
#include "support/program_runner.h"
#include "support/sdk_test_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <vector>

using ridge_test::ProgramRun;

namespace {

const std::string kBanner = "Tarvel Inc. ridgeforge - free fingerprint SDK demo\n"
                            "Press any key to continue...\n\n";
const std::string kFormatLine = "format: 1=raw txt, 2=raw binary, 3=packed, 4=fmr378\n";

using ridge_test::sample_path;

class Ridgeforge : public ridge_test::ProgramTest {
protected:
    Ridgeforge() : ProgramTest("ridgeforge") {}
    ProgramRun forge(const std::vector<std::string> &arguments) { return run(arguments); }
};

// What one run reported after the banner, when it got past the bitmap.
struct Report {
    bool quality_ok = false;
    bool template_ok = false;
    double quality = 0;
    int minutiae = -1;
    int failure_status = 0; // status printed by a failing SDK call
};

// Checks the report lines' form and reads their values.
Report parse_report(const ProgramRun &run)
{
    Report report;
    EXPECT_EQ(run.out.rfind(kBanner, 0), 0u) << run.out;
    const std::string body = run.out.substr(std::min(run.out.size(), kBanner.size()));
    static const std::regex quality_failed("^getFpImgQuality returned error code (-?[0-9]+)\n$");
    static const std::regex quality_lines("^\ngetFpImgQuality time = [0-9]+\\.[0-9]{2} ms\n"
                                          "input image quality = ([0-9]+\\.[0-9]{6}); size = "
                                          "(-?[0-9]+) in pixels\n");
    static const std::regex template_failed("generateRawFPT returned error code (-?[0-9]+)\n$");
    static const std::regex template_lines("\ngenerateRawFPT time = [0-9]+\\.[0-9]{2} ms\n"
                                           "template has ([0-9]+) minutiae\n");
    std::smatch m;
    if (std::regex_search(body, m, quality_failed)) {
        report.failure_status = std::stoi(m[1]);
        return report;
    }
    if (!std::regex_search(body, m, quality_lines)) {
        ADD_FAILURE() << "no quality report in:\n" << run.out;
        return report;
    }
    report.quality_ok = true;
    report.quality = std::stod(m[1]);
    const std::string rest = m.suffix();
    if (std::regex_search(rest, m, template_failed) && m.position(0) == 0) {
        report.failure_status = std::stoi(m[1]);
        return report;
    }
    if (!std::regex_search(rest, m, template_lines) || m.position(0) != 0) {
        ADD_FAILURE() << "no template report in:\n" << run.out;
        return report;
    }
    report.template_ok = true;
    report.minutiae = std::stoi(m[1]);
    return report;
}

// A failing SDK call ends the run with its status as exit code.
void expect_failure_exit(const ProgramRun &run, const Report &report)
{
    ASSERT_NE(report.failure_status, 0);
    EXPECT_EQ(run.exit_code, report.failure_status & 0xff);
}

std::vector<RawMinutia> load_text_template(const std::string &path)
{
    std::FILE *stream = std::fopen(path.c_str(), "r");
    if (stream == nullptr)
        return {};
    ridge_test::OwnedRecord raw;
    EXPECT_EQ(ridge::load_raw_txt(stream, &raw.record), 1);
    return ridge_test::raw_minutiae(raw.record.data, raw.record.size);
}

std::vector<RawMinutia> convert_to_raw(std::vector<unsigned char> bytes, int32_t format)
{
    TemplateBuffer in = ridge_test::input_record(bytes, format);
    ridge_test::OwnedRecord raw;
    const SdkStatus status = format == FPT_FORMAT_PACKED ? PackedFTP_2_RawFPT(&in, &raw.record)
                                                         : FMR378FPT_2_RawFPT(&in, &raw.record);
    EXPECT_EQ(status, FPT_OK);
    return ridge_test::raw_minutiae(raw.record.data, raw.record.size);
}

bool same_minutia(const RawMinutia &a, const RawMinutia &b, bool halved_angle)
{
    const int type = halved_angle && a.type != 2 ? 1 : a.type;
    const int angle = halved_angle ? a.angle / 2 * 2 : a.angle;
    return type == b.type && a.x == b.x && a.y == b.y && angle == b.angle;
}

} // namespace

TEST_F(Ridgeforge, WrongArgumentCountPrintsUsage)
{
    for (const auto &arguments : {std::vector<std::string>{}, {"1", "a.bmp"}, {"1", "a", "b", "c"}}) {
        const ProgramRun run = forge(arguments);
        EXPECT_EQ(run.exit_code, 0);
        EXPECT_EQ(run.out, kBanner + "Error arguments:\nridgeforge format in.bmp outFPT\n" + kFormatLine);
        EXPECT_EQ(run.err, "");
    }
}

TEST_F(Ridgeforge, BitmapsThatCannotBeLoadedReportOnStandardErrorAndFail)
{
    const std::string missing = dir_.path("none.bmp");
    ProgramRun run = forge({"1", missing, dir_.path("out.txt")});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(run.out, kBanner);
    EXPECT_EQ(run.err, "ERROR : filesize : file " + missing + " could not be opened\n");
    EXPECT_FALSE(ridge_test::file_exists(dir_.path("out.txt")));

    const std::string folder = dir_.path("folder.bmp");
    std::filesystem::create_directories(folder);
    run = forge({"1", folder, dir_.path("out.txt")});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(run.out, kBanner);
    EXPECT_EQ(run.err, "ERORR : load_file : " + folder + " is a folder, not a file\n");
    EXPECT_FALSE(ridge_test::file_exists(dir_.path("out.txt")));
}

TEST_F(Ridgeforge, RefusedBitmapsSayWhyAndExitWithMinusOne)
{
    struct Case {
        std::vector<unsigned char> file;
        std::string reason;
    };
    std::vector<Case> refused;
    ridge_test::BitmapLayout layout;
    layout.bits_per_pixel = 24;
    refused.push_back({ridge_test::make_bitmap(layout), "24 bits per pixel; only 8-bit bitmaps are read"});
    layout = {};
    layout.compression = 1;
    refused.push_back(
        {ridge_test::make_bitmap(layout), "compressed pixel data (RLE8); only uncompressed bitmaps are read"});
    layout = {};
    layout.width = 1;
    layout.height = 1;
    refused.push_back({ridge_test::make_bitmap(layout), "file of 1078 bytes is too short"});
    refused.back().file.resize(1078); // headers only
    refused.back().reason = "pixel data offset 1078 lies past the end of the file (1078 bytes)";
    layout = {};
    layout.width = 257;
    layout.height = 9;
    refused.push_back({ridge_test::make_bitmap(layout), ""});
    refused.back().file.resize(1078 + 8 * 260 + 257 - 1); // last row one byte short
    refused.back().reason = "file of 3414 bytes ends inside the pixel rows, which need 3415 bytes";
    layout = {};
    layout.info_header_bytes = 124; // V5, rows at 1162
    refused.push_back({ridge_test::make_bitmap(layout), ""});
    refused.back().file.resize(1162 + 7 * 8);
    refused.back().reason = "file of 1218 bytes ends inside the pixel rows, which need 1226 bytes";
    layout = {};
    layout.palette = {0, 0xffffff};
    refused.push_back({ridge_test::make_bitmap(layout), "pixel value 91 lies beyond the palette of 2 colours"});

    for (std::size_t i = 0; i < refused.size(); ++i) {
        const std::string bmp = dir_.path("bad" + std::to_string(i) + ".bmp");
        ridge_test::write_file(bmp, refused[i].file);
        const ProgramRun run = forge({"2", bmp, dir_.path("out.bin")});
        EXPECT_EQ(run.exit_code, 255) << i;
        EXPECT_EQ(run.out, kBanner + "error=-1 when converting raw img to bmp img\n" + bmp + ": " +
                               refused[i].reason + "\n")
            << i;
        EXPECT_FALSE(ridge_test::file_exists(dir_.path("out.bin"))) << i;
    }
}

TEST_F(Ridgeforge, OtherLayoutsOfOneImageGiveOneTemplate)
{
    // The sample rewritten with a V5 header, rows top first, an inverted
    // palette; and, quantised to 16 grey levels, stored with a 16-colour
    // palette against the same levels stored as they are.
    ridge_test::GreyImage sample_image;
    ASSERT_TRUE(ridge_test::load_grey_bmp(sample_path("101_1.bmp"), sample_image));
    const auto grey = [&](int32_t x, int32_t y) {
        return sample_image.pixels[std::size_t(y) * std::size_t(sample_image.width) + std::size_t(x)];
    };
    auto encode = [&](const std::function<void(ridge_test::BitmapLayout &)> &change) {
        ridge_test::BitmapLayout layout;
        layout.width = sample_image.width;
        layout.height = sample_image.height;
        layout.stored = grey;
        change(layout);
        return ridge_test::make_bitmap(layout);
    };
    auto run_on = [&](const std::string &name, const std::vector<unsigned char> &file) {
        const std::string bmp = dir_.path(name + ".bmp");
        ridge_test::write_file(bmp, file);
        const ProgramRun run = forge({"2", bmp, dir_.path(name + ".bin")});
        EXPECT_EQ(run.exit_code, 0) << name << "\n" << run.out;
        // Everything but the two times.
        const std::regex times("time = [0-9.]+ ms");
        return std::regex_replace(run.out, times, "") + "\n" +
               ridge_test::read_text(dir_.path(name + ".bin"));
    };
    const std::string common = run_on("common", ridge_test::read_bytes(sample_path("101_1.bmp")));
    EXPECT_NE(common.find("template has 24 minutiae"), std::string::npos) << common;
    EXPECT_EQ(common, run_on("v5", encode([](auto &l) { l.info_header_bytes = 124; })));
    EXPECT_EQ(common, run_on("top_down", encode([](auto &l) { l.height = -l.height; })));
    EXPECT_EQ(common, run_on("inverted", encode([&](auto &l) {
                  for (uint32_t i = 0; i < 256; ++i)
                      l.palette.push_back((255 - i) * 0x010101u);
                  l.stored = [&](int32_t x, int32_t y) { return uint8_t(255 - grey(x, y)); };
              })));

    const auto level = [&](int32_t x, int32_t y) { return uint8_t((grey(x, y) + 8) / 17); };
    const std::string stored_grey = run_on("sixteen_levels", encode([&](auto &l) {
        l.stored = [&](int32_t x, int32_t y) { return uint8_t(level(x, y) * 17); };
    }));
    EXPECT_EQ(stored_grey, run_on("sixteen_colours", encode([&](auto &l) {
                  for (uint32_t i = 0; i < 16; ++i)
                      l.palette.push_back(i * 17 * 0x010101u);
                  l.stored = level;
              })));
}

TEST_F(Ridgeforge, AcceptedSyntheticBitmapsReachTheSdk)
{
    // Odd widths carry row padding; the shortest files end right after the
    // last pixel. Whether the SDK finds anything in them is its own affair:
    // the run must get past the bitmap and report consistently.
    std::vector<std::vector<unsigned char>> accepted;
    for (int32_t width : {1, 3, 257}) {
        ridge_test::BitmapLayout layout;
        layout.width = width;
        layout.height = width == 257 ? 360 : 1;
        accepted.push_back(ridge_test::make_bitmap(layout));
        const std::size_t stride = (std::size_t(width) + 3) / 4 * 4;
        accepted.back().resize(1078 + (std::size_t(layout.height) - 1) * stride + std::size_t(width));
    }
    for (std::size_t i = 0; i < accepted.size(); ++i) {
        const std::string bmp = dir_.path("ok" + std::to_string(i) + ".bmp");
        const std::string out = dir_.path("ok" + std::to_string(i) + ".bin");
        ridge_test::write_file(bmp, accepted[i]);
        const ProgramRun run = forge({"2", bmp, out});
        EXPECT_EQ(run.out.find("when converting raw img"), std::string::npos) << run.out;
        const Report report = parse_report(run);
        if (report.template_ok) {
            EXPECT_EQ(run.exit_code, 0);
            EXPECT_EQ(ridge_test::read_bytes(out).size(), 16u * unsigned(report.minutiae));
        } else {
            expect_failure_exit(run, report);
            EXPECT_FALSE(ridge_test::file_exists(out));
        }
    }
}

TEST_F(Ridgeforge, FourFormatsDescribeOneTemplate)
{
    const std::string bmp = sample_path("101_1.bmp");
    std::vector<ProgramRun> runs;
    std::vector<Report> reports;
    for (int format = 1; format <= 4; ++format) {
        runs.push_back(forge({std::to_string(format), bmp, dir_.path("t" + std::to_string(format))}));
        reports.push_back(parse_report(runs.back()));
        EXPECT_EQ(runs.back().err, "");
    }
    if (!reports[0].template_ok) {
        for (int f = 0; f < 4; ++f) {
            expect_failure_exit(runs[std::size_t(f)], reports[std::size_t(f)]);
            EXPECT_FALSE(ridge_test::file_exists(dir_.path("t" + std::to_string(f + 1))));
        }
        GTEST_SKIP() << "extraction is not available: failure paths checked only";
    }
    for (int f = 0; f < 4; ++f) {
        ASSERT_TRUE(reports[std::size_t(f)].template_ok) << "format " << f + 1;
        EXPECT_EQ(runs[std::size_t(f)].exit_code, 0);
        EXPECT_EQ(reports[std::size_t(f)].minutiae, reports[0].minutiae) << "same image, same count";
    }
    const auto n = static_cast<std::size_t>(reports[0].minutiae);

    const auto binary = ridge_test::read_bytes(dir_.path("t2"));
    ASSERT_EQ(binary.size(), 16 * n);
    const auto raw = ridge_test::raw_minutiae(binary.data(), binary.size());
    const auto text = load_text_template(dir_.path("t1"));
    const auto packed_bytes = ridge_test::read_bytes(dir_.path("t3"));
    ASSERT_EQ(packed_bytes.size(), 4 * n);
    const auto packed = convert_to_raw(packed_bytes, FPT_FORMAT_PACKED);
    const auto record = ridge_test::read_bytes(dir_.path("t4"));
    ASSERT_EQ(record.size(), 32 + 6 * n);
    const auto from_record = convert_to_raw(record, FPT_FORMAT_FMR378);
    ASSERT_EQ(text.size(), n);
    ASSERT_EQ(packed.size(), n);
    ASSERT_EQ(from_record.size(), n);
    for (std::size_t i = 0; i < n; ++i) {
        EXPECT_TRUE(same_minutia(raw[i], text[i], false)) << i;
        EXPECT_TRUE(same_minutia(raw[i], packed[i], false)) << i;
        EXPECT_TRUE(same_minutia(raw[i], from_record[i], true)) << i;
    }
    EXPECT_EQ(record[16] << 8 | record[17], 388) << "width";
    EXPECT_EQ(record[18] << 8 | record[19], 374) << "height";
    EXPECT_EQ(record[26], 0);
    EXPECT_EQ(record[27], 0);
    EXPECT_EQ(record[28], static_cast<int>(reports[3].quality + 0.5) & 0xff);
}

TEST_F(Ridgeforge, UnknownFormatStillRunsTheExtractionThenFails)
{
    for (const char *format : {"0", "5", "-1", "abc"}) {
        const std::string out = dir_.path("never");
        const ProgramRun run = forge({format, sample_path("102_1.bmp"), out});
        const Report report = parse_report(run);
        EXPECT_FALSE(ridge_test::file_exists(out));
        if (!report.template_ok) {
            expect_failure_exit(run, report);
            return;
        }
        EXPECT_EQ(run.exit_code, 2) << format;
        EXPECT_EQ(run.out.substr(run.out.size() - kFormatLine.size()), kFormatLine);
    }
}

TEST_F(Ridgeforge, OutputThatCannotBeWrittenFails)
{
    std::vector<std::string> outputs = {dir_.path("no/such/dir/out")};
    if (ridge_test::file_exists("/dev/full"))
        outputs.push_back("/dev/full"); // opens, then every write fails
    for (const std::string &out : outputs) {
        for (int format = 1; format <= 4; ++format) {
            const ProgramRun run = forge({std::to_string(format), sample_path("101_1.bmp"), out});
            const Report report = parse_report(run);
            if (!report.template_ok) {
                expect_failure_exit(run, report);
                return;
            }
            EXPECT_EQ(run.exit_code, 3) << out << ", format " << format;
            const std::string said = run.out + run.err;
            EXPECT_NE(said.find(out), std::string::npos) << said;
        }
    }
}

TEST_F(Ridgeforge, TemplateFilesFeedRidgescore)
{
    const std::string ridgescore = ridge_test::built_program("ridgescore");
    if (ridgescore.empty())
        GTEST_SKIP() << "ridgescore is not built";
    for (int format = 1; format <= 4; ++format) {
        const std::string f = std::to_string(format);
        std::vector<std::string> names;
        for (const char *image : {"101_1", "101_2", "102_1"}) {
            names.push_back(dir_.path(std::string(image) + "." + f));
            const Report report = parse_report(forge({f, sample_path(std::string(image) + ".bmp"), names.back()}));
            if (!report.template_ok)
                GTEST_SKIP() << "extraction is not available";
        }
        const std::string list = dir_.path("pairs" + f + ".txt");
        const std::string scores = dir_.path("scores" + f + ".txt");
        ridge_test::write_file(list, names[0] + " " + names[1] + "\n" + names[0] + " " + names[2] + "\n");
        const ProgramRun run = ridge_test::run_program(ridgescore, {f, list, scores});
        EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
        const std::regex line("^([^,]+), ([^,]+), ([0-9]+\\.[0-9]{6})$");
        int count = 0;
        for (const std::string &text : ridge_test::split(ridge_test::read_text(scores))) {
            std::smatch m;
            ASSERT_TRUE(std::regex_match(text, m, line)) << "format " << f << ": " << text;
            EXPECT_EQ(m[1], names[0]);
            ++count;
        }
        EXPECT_EQ(count, 2) << "format " << f << ": one score line per pair, none failed to load";
    }
}
