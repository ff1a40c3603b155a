// ridgeforge run end to end: banner, usage, refused and accepted bitmaps,
// the report lines, and the four template file formats, which must all
// describe the same template and feed ridgescore.
#include "ridgesdk.h"

#include "formats/raw_text_file.h"
#include "support/bitmap_builder.h"
#include "support/program_runner.h"
#include "support/sdk_test_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

using ridge_test::ProgramRun;
using ridge_test::ScratchDir;

namespace {

const std::string kBanner = "Tarvel Inc. ridgeforge - free fingerprint SDK demo\n"
                            "Press any key to continue...\n\n";
const std::string kFormatLine = "format: 1=raw txt, 2=raw binary, 3=packed, 4=fmr378\n";

std::string sample(const std::string &name)
{
    return std::string(RIDGESDK_TEST_DATA) + "/samples/" + name;
}

class Ridgeforge : public ::testing::Test {
protected:
    void SetUp() override
    {
        program_ = ridge_test::built_program("ridgeforge");
        if (program_.empty())
            GTEST_SKIP() << "ridgeforge is not built";
    }
    ProgramRun forge(const std::vector<std::string> &arguments)
    {
        return ridge_test::run_program(program_, arguments);
    }
    std::string program_;
    ScratchDir dir_;
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

TEST_F(Ridgeforge, MissingBitmapReportsOnStandardError)
{
    const std::string missing = dir_.path("none.bmp");
    const ProgramRun run = forge({"1", missing, dir_.path("out.txt")});
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out, kBanner);
    EXPECT_EQ(run.err, "ERROR : filesize : file " + missing + " could not be opened\n");
    EXPECT_FALSE(ridge_test::file_exists(dir_.path("out.txt")));
}

TEST_F(Ridgeforge, RefusedBitmapsExitWithMinusOne)
{
    std::vector<std::vector<unsigned char>> refused;
    ridge_test::BitmapLayout layout;
    layout.bits_per_pixel = 24;
    refused.push_back(ridge_test::make_bitmap(layout));
    layout = {};
    layout.compression = 1;
    refused.push_back(ridge_test::make_bitmap(layout));
    layout = {};
    layout.height = -8; // stored top row first
    refused.push_back(ridge_test::make_bitmap(layout));
    layout = {};
    layout.width = 1;
    layout.height = 1;
    refused.push_back(ridge_test::make_bitmap(layout));
    refused.back().resize(1078); // headers only
    layout = {};
    layout.width = 257;
    layout.height = 9;
    refused.push_back(ridge_test::make_bitmap(layout));
    refused.back().resize(1078 + 8 * 260 + 257 - 1); // last row one byte short

    for (std::size_t i = 0; i < refused.size(); ++i) {
        const std::string bmp = dir_.path("bad" + std::to_string(i) + ".bmp");
        ridge_test::write_file(bmp, refused[i]);
        const ProgramRun run = forge({"2", bmp, dir_.path("out.bin")});
        EXPECT_EQ(run.exit_code, 255) << i;
        EXPECT_EQ(run.out, kBanner + "error=-1 when converting raw img to bmp img\n") << i;
        EXPECT_FALSE(ridge_test::file_exists(dir_.path("out.bin"))) << i;
    }
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
    const std::string bmp = sample("101_1.bmp");
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

TEST_F(Ridgeforge, UnknownFormatStillRunsTheExtraction)
{
    const std::string out = dir_.path("never");
    const ProgramRun run = forge({"0", sample("102_1.bmp"), out});
    const Report report = parse_report(run);
    EXPECT_FALSE(ridge_test::file_exists(out));
    if (!report.template_ok) {
        expect_failure_exit(run, report);
        return;
    }
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out.substr(run.out.size() - kFormatLine.size()), kFormatLine);
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
            const Report report = parse_report(forge({f, sample(std::string(image) + ".bmp"), names.back()}));
            if (!report.template_ok)
                GTEST_SKIP() << "extraction is not available";
        }
        const std::string list = dir_.path("pairs" + f + ".txt");
        const std::string scores = dir_.path("scores" + f + ".txt");
        ridge_test::write_file(list, names[0] + " " + names[1] + "\n" + names[0] + " " + names[2] + "\n");
        const ProgramRun run = ridge_test::run_program(ridgescore, {f, list, scores});
        EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
        const std::regex line("^([^,]+), ([^,]+), ([0-9]+\\.[0-9]{6})$");
        std::istringstream lines(ridge_test::read_text(scores));
        std::string text;
        int count = 0;
        while (std::getline(lines, text)) {
            std::smatch m;
            ASSERT_TRUE(std::regex_match(text, m, line)) << "format " << f << ": " << text;
            EXPECT_EQ(m[1], names[0]);
            ++count;
        }
        EXPECT_EQ(count, 2) << "format " << f << ": one score line per pair, none failed to load";
    }
}
