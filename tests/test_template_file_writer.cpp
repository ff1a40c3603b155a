// The four template file formats of the console programs, written from a
// known raw template.
#include "template_file_writer.h"

#include "support/sdk_test_helpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using ridge_test::raw_block;

namespace {

const std::vector<RawMinutia> kMinutiae = {{1, 120, 87, 34}, {2, 96, 201, 310}, {1, 387, 373, 360}};

struct Written {
    int status;
    std::string printed;
    std::vector<unsigned char> file;
    bool exists;
};

Written write(int format, const std::vector<RawMinutia> &minutiae, double quality = 62.5)
{
    ridge_test::ScratchDir dir;
    const std::string path = dir.path("template.out");
    auto bytes = raw_block(minutiae);
    TemplateBuffer raw{bytes.data(), static_cast<uint32_t>(bytes.size()), FPT_FORMAT_RAW};
    testing::internal::CaptureStdout();
    Written w;
    w.status = ridge::write_template_file(format, raw, quality, 388, 374, path.c_str());
    w.printed = testing::internal::GetCapturedStdout();
    w.exists = ridge_test::file_exists(path);
    w.file = ridge_test::read_bytes(path);
    return w;
}

} // namespace

TEST(TemplateFileFormats, RawTextAndRawBinary)
{
    const Written text = write(1, kMinutiae);
    EXPECT_EQ(text.status, 1);
    EXPECT_EQ(std::string(text.file.begin(), text.file.end()),
              "3\n1, 120, 87, 34\n2, 96, 201, 310\n1, 387, 373, 360\n");
    const Written binary = write(2, kMinutiae);
    EXPECT_EQ(binary.status, 1);
    EXPECT_EQ(binary.file, raw_block(kMinutiae));
}

TEST(TemplateFileFormats, PackedWords)
{
    const Written packed = write(3, kMinutiae);
    EXPECT_EQ(packed.status, 1);
    ASSERT_EQ(packed.file.size(), 12u);
    uint32_t word = 0;
    std::memcpy(&word, packed.file.data() + 4, 4);
    EXPECT_EQ(word, 2u + 4u * 96 + 4096u * 201 + 4194304u * 310);
}

TEST(TemplateFileFormats, FmrRecordCarriesImageSizeAndRoundedQuality)
{
    const Written fmr = write(4, kMinutiae, 62.5);
    EXPECT_EQ(fmr.status, 1);
    const auto &b = fmr.file;
    ASSERT_EQ(b.size(), 32u + 18u);
    EXPECT_EQ(b[16] << 8 | b[17], 388) << "width";
    EXPECT_EQ(b[18] << 8 | b[19], 374) << "height";
    EXPECT_EQ(b[26], 0) << "finger position";
    EXPECT_EQ(b[27], 0) << "impression type";
    EXPECT_EQ(b[28], 63) << "62.5 rounds to 63";
    EXPECT_EQ(write(4, kMinutiae, 62.49).file[28], 62);
}

TEST(TemplateFileFormats, FailedConversionPrintsItsStatusAndWritesNothing)
{
    // A minutia beyond column 1023 does not fit the packed word.
    const Written packed = write(3, {{1, 1500, 20, 10}});
    EXPECT_EQ(packed.status, FPT_ERR_SIZE);
    EXPECT_EQ(packed.printed, "RawFPT_2_PackedFTP returned error code -11\n");
    EXPECT_FALSE(packed.exists);

    const Written fmr = write(4, kMinutiae, 250.0);
    EXPECT_EQ(fmr.status, FPT_ERR_QUALITY);
    EXPECT_EQ(fmr.printed, "RawFPT_2_FMR378FPT returned error code -13\n");
    EXPECT_FALSE(fmr.exists);
}

TEST(TemplateFileFormats, UnknownFormatWritesNothing)
{
    for (int format : {0, 5, -1}) {
        const Written w = write(format, kMinutiae);
        EXPECT_EQ(w.printed, "format: 1=raw txt, 2=raw binary, 3=packed, 4=fmr378\n");
        EXPECT_FALSE(w.exists);
    }
}

TEST(FormatArgument, ReadAsALeadingDecimalNumber)
{
    EXPECT_EQ(ridge::parse_format_number("3"), 3);
    EXPECT_EQ(ridge::parse_format_number("  +4"), 4);
    EXPECT_EQ(ridge::parse_format_number("2abc"), 2);
    EXPECT_EQ(ridge::parse_format_number("-1"), -1);
    EXPECT_EQ(ridge::parse_format_number("raw"), 0);
    EXPECT_EQ(ridge::parse_format_number(""), 0);
    EXPECT_NE(ridge::parse_format_number("4294967297"), 1) << "no wrap to a valid format";
}
