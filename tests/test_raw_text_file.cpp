// The raw text file: forms the reader accepts and refuses, its messages,
// and the writer's lines.
#include "ridgesdk.h"

#include "formats/raw_text_file.h"
#include "support/sdk_test_helpers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using ridge_test::OwnedRecord;
using ridge_test::raw_block;
using ridge_test::raw_minutiae;

namespace {

struct LoadResult {
    int status = 0;
    std::string printed;
    std::vector<RawMinutia> minutiae;
    TemplateBuffer record{nullptr, 0, -99};
};

LoadResult load_text(const std::string &content)
{
    ridge_test::ScratchDir dir;
    const std::string path = dir.path("t.txt");
    ridge_test::write_file(path, content);
    std::FILE *stream = std::fopen(path.c_str(), "r");
    EXPECT_NE(stream, nullptr);
    OwnedRecord out;
    testing::internal::CaptureStdout();
    LoadResult result;
    result.status = ridge::load_raw_txt(stream, &out.record);
    result.printed = testing::internal::GetCapturedStdout();
    result.record = out.record;
    result.minutiae = raw_minutiae(out.record.data, out.record.size);
    if (result.status != 1) {
        EXPECT_EQ(out.record.data, nullptr) << "no block left behind";
    }
    return result;
}

std::string lines_of(int count)
{
    std::string text = std::to_string(count) + "\n";
    for (int i = 0; i < count; ++i)
        text += "1, " + std::to_string(i) + ", " + std::to_string(2 * i) + ", " +
                std::to_string(i % 181 * 2) + "\n";
    return text;
}

} // namespace

TEST(RawTextRead, TheDocumentedExample)
{
    const auto r = load_text("2\n1, 120, 87, 34\n2, 96, 201, 310\n");
    ASSERT_EQ(r.status, 1);
    EXPECT_EQ(r.printed, "");
    EXPECT_EQ(r.record.size, 32u);
    EXPECT_EQ(r.record.format, FPT_FORMAT_RAW);
    ASSERT_EQ(r.minutiae.size(), 2u);
    EXPECT_EQ(r.minutiae[1].type, 2);
    EXPECT_EQ(r.minutiae[1].x, 96);
    EXPECT_EQ(r.minutiae[1].y, 201);
    EXPECT_EQ(r.minutiae[1].angle, 310);
}

TEST(RawTextRead, AcceptedWhiteSpaceForms)
{
    for (const char *text : {"2\r\n1, 120, 87, 34\r\n2, 96, 201, 310\r\n",
                             "2\n1,120,87,34\n2,96,201,310",
                             "  2\n\n\n1,   120,\t87, 34\n\n2, 96,\n201, 310\n\n\n",
                             "+2 1, 120, 87, 34 2, 96, 201, 310"}) {
        const auto r = load_text(text);
        ASSERT_EQ(r.status, 1) << text;
        ASSERT_EQ(r.minutiae.size(), 2u) << text;
        EXPECT_EQ(r.minutiae[0].x, 120) << text;
        EXPECT_EQ(r.minutiae[1].angle, 310) << text;
    }
}

TEST(RawTextRead, NegativeValuesPassThrough)
{
    const auto r = load_text("1\n-1, -20, 3, -400\n");
    ASSERT_EQ(r.status, 1);
    EXPECT_EQ(r.minutiae[0].type, -1);
    EXPECT_EQ(r.minutiae[0].x, -20);
    EXPECT_EQ(r.minutiae[0].angle, -400);
}

TEST(RawTextRead, LinesAfterTheCountAreNotRead)
{
    const auto r = load_text("2\n1, 1, 1, 1\n2, 2, 2, 2\n3, 3, 3, 3\ngarbage\n");
    ASSERT_EQ(r.status, 1);
    EXPECT_EQ(r.minutiae.size(), 2u);
}

TEST(RawTextRead, CountBounds)
{
    const auto most = load_text(lines_of(128));
    ASSERT_EQ(most.status, 1);
    EXPECT_EQ(most.record.size, 2048u);

    const auto many = load_text(lines_of(129));
    EXPECT_EQ(many.status, -1);
    EXPECT_EQ(many.printed, "\ntoo many minutiae 129\n");
    EXPECT_EQ(many.record.format, -99) << "output untouched";

    const auto none = load_text("0\n");
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.record.size, 0u);
    EXPECT_EQ(none.record.format, FPT_FORMAT_RAW);

    const auto negative = load_text("-1\n1, 1, 1, 1\n");
    EXPECT_EQ(negative.status, -1);
    EXPECT_EQ(negative.printed, "Insufficient memory available\n");
}

TEST(RawTextRead, WrongLinesAreNumberedFromTheFirstMinutia)
{
    const auto semicolon = load_text("4\n1, 1, 1, 1\n1, 2, 2, 2\n1, 3; 3, 3\n1, 4, 4, 4\n");
    EXPECT_EQ(semicolon.status, -1);
    EXPECT_EQ(semicolon.printed, "\nWrong format line = 3\n");

    const auto blank_before_comma = load_text("1\n1 , 2, 3, 4\n");
    EXPECT_EQ(blank_before_comma.status, -1);
    EXPECT_EQ(blank_before_comma.printed, "\nWrong format line = 1\n");

    const auto three_numbers = load_text("2\n1, 2, 3\n4, 5, 6, 7\n");
    EXPECT_EQ(three_numbers.status, -1);
    EXPECT_EQ(three_numbers.printed, "\nWrong format line = 1\n");

    const auto too_big = load_text("1\n1, 99999999999, 3, 4\n");
    EXPECT_EQ(too_big.status, -1);
    EXPECT_EQ(too_big.printed, "\nWrong format line = 1\n");
}

TEST(RawTextRead, FileEndingEarlyFailsWithoutABlock)
{
    const auto r = load_text("3\n1, 1, 1, 1\n2, 2, 2, 2\n");
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.printed, "\nWrong format line = 3\n");
    const auto no_lines = load_text("1");
    EXPECT_EQ(no_lines.status, -1);
    const auto cut_line = load_text("1\n1, 2,");
    EXPECT_EQ(cut_line.status, -1);
}

TEST(RawTextRead, NoCountIsAFormatError)
{
    for (const char *text : {"", "\n\n", "count\n1, 1, 1, 1\n", "-\n"}) {
        const auto r = load_text(text);
        EXPECT_EQ(r.status, -1) << text;
        EXPECT_EQ(r.printed, "\nWrong format line = 0\n") << text;
        EXPECT_EQ(r.record.format, -99) << text;
    }
}

TEST(RawTextWrite, LinesAndRoundTrip)
{
    ridge_test::ScratchDir dir;
    const std::string path = dir.path("out.txt");
    std::vector<RawMinutia> minutiae;
    for (int i = 0; i < 128; ++i)
        minutiae.push_back({1 + i % 2, i * 3, 500 - i, (i * 7) % 361});
    auto bytes = raw_block(minutiae);
    TemplateBuffer raw{bytes.data(), 2048, FPT_FORMAT_RAW};
    EXPECT_EQ(ridge::save_raw_txt(path.c_str(), &raw), 1);

    const std::string text = ridge_test::read_text(path);
    EXPECT_EQ(text.rfind("128\n1, 0, 500, 0\n2, 3, 499, 7\n", 0), 0u);
    std::size_t lines = 0;
    for (char c : text)
        lines += c == '\n';
    EXPECT_EQ(lines, 129u);

    std::FILE *stream = std::fopen(path.c_str(), "r");
    ASSERT_NE(stream, nullptr);
    OwnedRecord back;
    ASSERT_EQ(ridge::load_raw_txt(stream, &back.record), 1);
    EXPECT_EQ(back.bytes(), bytes);
}

TEST(RawTextWrite, PartialRecordIsDropped)
{
    ridge_test::ScratchDir dir;
    const std::string path = dir.path("out.txt");
    auto bytes = raw_block({{2, 96, 201, 310}});
    bytes.resize(20, 0x7f);
    TemplateBuffer raw{bytes.data(), 20, FPT_FORMAT_RAW};
    ridge::save_raw_txt(path.c_str(), &raw);
    EXPECT_EQ(ridge_test::read_text(path), "1\n2, 96, 201, 310\n");
}

TEST(RawTextWrite, UncreatableFileWritesNothing)
{
    ridge_test::ScratchDir dir;
    const std::string path = dir.path("missing/out.txt");
    auto bytes = raw_block({{2, 96, 201, 310}});
    TemplateBuffer raw{bytes.data(), 16, FPT_FORMAT_RAW};
    testing::internal::CaptureStdout();
    EXPECT_EQ(ridge::save_raw_txt(path.c_str(), &raw), -2);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find(path), std::string::npos);
    EXPECT_FALSE(ridge_test::file_exists(path));
}

TEST(RawTextWrite, FailedWriteIsReported)
{
    // /dev/full takes the file open, then refuses every byte.
    if (!ridge_test::file_exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    auto bytes = raw_block({{2, 96, 201, 310}});
    TemplateBuffer raw{bytes.data(), 16, FPT_FORMAT_RAW};
    EXPECT_EQ(ridge::save_raw_txt("/dev/full", &raw), -3);
}
