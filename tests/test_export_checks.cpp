// Argument checks of the nine exports: which code each returns, in which
// order the checks run, and that a refused call leaves its output alone.
#include "ridgesdk.h"

#include "support/sdk_test_helpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using ridge_test::OwnedRecord;
using ridge_test::input_record;

namespace {

std::vector<unsigned char> zero_raw(std::size_t bytes) { return std::vector<unsigned char>(bytes, 0); }

// An output record that already holds a block: every filling export must
// refuse it and leave it exactly as it was.
struct BusyOutput {
    unsigned char byte = 0x5a;
    TemplateBuffer record{&byte, 1, 7};
    void expect_untouched() const
    {
        EXPECT_EQ(record.data, &byte);
        EXPECT_EQ(record.size, 1u);
        EXPECT_EQ(record.format, 7);
        EXPECT_EQ(byte, 0x5a);
    }
};

void expect_untouched(const TemplateBuffer &record)
{
    EXPECT_EQ(record.data, nullptr);
    EXPECT_EQ(record.size, 0u);
    EXPECT_EQ(record.format, -99);
}

} // namespace

TEST(RawToPackedChecks, OutputInUseComesFirst)
{
    auto bytes = zero_raw(5000);
    TemplateBuffer wrong = input_record(bytes, FPT_FORMAT_PACKED);
    BusyOutput out;
    EXPECT_EQ(RawFPT_2_PackedFTP(&wrong, &out.record), FPT_ERR_OUTPUT_IN_USE);
    out.expect_untouched();
}

TEST(RawToPackedChecks, FormatBeforeSizeAndSizeBound)
{
    auto big = zero_raw(5000);
    TemplateBuffer packed_tag = input_record(big, FPT_FORMAT_PACKED);
    OwnedRecord out;
    EXPECT_EQ(RawFPT_2_PackedFTP(&packed_tag, &out.record), FPT_ERR_FORMAT);
    TemplateBuffer fmr_tag = input_record(big, FPT_FORMAT_FMR378);
    EXPECT_EQ(RawFPT_2_PackedFTP(&fmr_tag, &out.record), FPT_ERR_FORMAT);

    auto over = zero_raw(2049);
    TemplateBuffer raw = input_record(over, FPT_FORMAT_RAW);
    EXPECT_EQ(RawFPT_2_PackedFTP(&raw, &out.record), FPT_ERR_SIZE);
    expect_untouched(out.record);

    auto full = zero_raw(2048);
    raw = input_record(full, FPT_FORMAT_RAW);
    EXPECT_EQ(RawFPT_2_PackedFTP(&raw, &out.record), FPT_OK);
    EXPECT_EQ(out.record.size, 512u);
    EXPECT_EQ(out.record.format, FPT_FORMAT_PACKED);
}

TEST(PackedToRawChecks, OrderAndBounds)
{
    auto bytes = zero_raw(600);
    TemplateBuffer raw_tag = input_record(bytes, FPT_FORMAT_RAW);
    BusyOutput busy;
    EXPECT_EQ(PackedFTP_2_RawFPT(&raw_tag, &busy.record), FPT_ERR_OUTPUT_IN_USE);
    busy.expect_untouched();

    OwnedRecord out;
    EXPECT_EQ(PackedFTP_2_RawFPT(&raw_tag, &out.record), FPT_ERR_FORMAT);
    auto over = zero_raw(513);
    TemplateBuffer packed = input_record(over, FPT_FORMAT_PACKED);
    EXPECT_EQ(PackedFTP_2_RawFPT(&packed, &out.record), FPT_ERR_SIZE);
    expect_untouched(out.record);

    auto full = zero_raw(512);
    packed = input_record(full, FPT_FORMAT_PACKED);
    EXPECT_EQ(PackedFTP_2_RawFPT(&packed, &out.record), FPT_OK);
    EXPECT_EQ(out.record.size, 2048u);
    EXPECT_EQ(out.record.format, FPT_FORMAT_RAW);
}

TEST(RawToFmrChecks, InputIsCheckedBeforeOutput)
{
    auto bytes = zero_raw(32);
    TemplateBuffer packed_tag = input_record(bytes, FPT_FORMAT_PACKED);
    BusyOutput busy;
    EXPECT_EQ(RawFPT_2_FMR378FPT(&packed_tag, 50, 1, 0, 300, 300, &busy.record), FPT_ERR_FORMAT);
    auto over = zero_raw(2064);
    TemplateBuffer big = input_record(over, FPT_FORMAT_RAW);
    EXPECT_EQ(RawFPT_2_FMR378FPT(&big, 50, 1, 0, 300, 300, &busy.record), FPT_ERR_SIZE);
    TemplateBuffer ok = input_record(bytes, FPT_FORMAT_RAW);
    EXPECT_EQ(RawFPT_2_FMR378FPT(&ok, 101, 11, 4, 300, 300, &busy.record), FPT_ERR_OUTPUT_IN_USE);
    busy.expect_untouched();
}

TEST(RawToFmrChecks, SizeBoundCountsWholeRecords)
{
    OwnedRecord out;
    auto over = zero_raw(2064);
    TemplateBuffer big = input_record(over, FPT_FORMAT_RAW);
    EXPECT_EQ(RawFPT_2_FMR378FPT(&big, 50, 1, 0, 300, 300, &out.record), FPT_ERR_SIZE);
    expect_untouched(out.record);
    auto most = zero_raw(2063);
    TemplateBuffer raw = input_record(most, FPT_FORMAT_RAW);
    EXPECT_EQ(RawFPT_2_FMR378FPT(&raw, 50, 1, 0, 300, 300, &out.record), FPT_OK);
    EXPECT_EQ(out.record.size, 32u + 6u * 128u);
}

TEST(RawToFmrChecks, HeaderValuesInOrderQualityPositionImpression)
{
    auto bytes = zero_raw(32);
    TemplateBuffer raw = input_record(bytes, FPT_FORMAT_RAW);
    OwnedRecord out;
    EXPECT_EQ(RawFPT_2_FMR378FPT(&raw, 101, 3, 4, 300, 300, &out.record), FPT_ERR_QUALITY);
    EXPECT_EQ(RawFPT_2_FMR378FPT(&raw, 100, 11, 4, 300, 300, &out.record), FPT_ERR_FINGER_POSITION);
    EXPECT_EQ(RawFPT_2_FMR378FPT(&raw, 100, 10, 4, 300, 300, &out.record), FPT_ERR_IMPRESSION);
    for (int impression : {5, 6, 7, 10, 255})
        EXPECT_EQ(RawFPT_2_FMR378FPT(&raw, 0, 0, impression, 300, 300, &out.record), FPT_ERR_IMPRESSION)
            << impression;
    expect_untouched(out.record);
    for (int impression : {0, 1, 2, 3, 8, 9}) {
        OwnedRecord ok;
        EXPECT_EQ(RawFPT_2_FMR378FPT(&raw, 100, 10, impression, 300, 300, &ok.record), FPT_OK)
            << impression;
    }
}

TEST(RawToFmrChecks, OnlyTheLowByteOfHeaderValuesCounts)
{
    auto bytes = zero_raw(16);
    TemplateBuffer raw = input_record(bytes, FPT_FORMAT_RAW);
    {
        OwnedRecord out; // 0x132 -> 50, 0x105 -> 5, 0x208 -> 8
        ASSERT_EQ(RawFPT_2_FMR378FPT(&raw, 0x132, 0x105, 0x208, 300, 300, &out.record), FPT_OK);
        EXPECT_EQ(out.record.data[26], 5);
        EXPECT_EQ(out.record.data[27], 8);
        EXPECT_EQ(out.record.data[28], 50);
    }
    OwnedRecord out; // -1 is the byte 255
    EXPECT_EQ(RawFPT_2_FMR378FPT(&raw, -1, 0, 0, 300, 300, &out.record), FPT_ERR_QUALITY);
    EXPECT_EQ(RawFPT_2_FMR378FPT(&raw, 0, -1, 0, 300, 300, &out.record), FPT_ERR_FINGER_POSITION);
}

TEST(FmrToRawChecks, OutputInUseBeforeTheRecordIsRead)
{
    unsigned char garbage[4] = {'X', 'Y', 'Z', 0};
    TemplateBuffer record{garbage, sizeof garbage, 5};
    BusyOutput busy;
    EXPECT_EQ(FMR378FPT_2_RawFPT(&record, &busy.record), FPT_ERR_OUTPUT_IN_USE);
    busy.expect_untouched();
}

TEST(FmrToRawChecks, FormatTagIsNotConsulted)
{
    auto bytes = zero_raw(16);
    TemplateBuffer raw = input_record(bytes, FPT_FORMAT_RAW);
    OwnedRecord fmr;
    ASSERT_EQ(RawFPT_2_FMR378FPT(&raw, 60, 1, 0, 300, 300, &fmr.record), FPT_OK);
    TemplateBuffer tagged_raw{fmr.record.data, fmr.record.size, FPT_FORMAT_RAW};
    OwnedRecord back;
    EXPECT_EQ(FMR378FPT_2_RawFPT(&tagged_raw, &back.record), FPT_OK);
    EXPECT_EQ(back.record.size, 16u);
}

TEST(GenerateChecks, OutputInUseIsRefusedUntouched)
{
    std::vector<unsigned char> image(64 * 64, 128);
    BusyOutput busy;
    EXPECT_EQ(generateRawFPT(image.data(), 64, 64, &busy.record), FPT_ERR_OUTPUT_IN_USE);
    busy.expect_untouched();
}

TEST(GenerateChecks, ResultIsAlwaysAReleasableRawTemplate)
{
    // A flat grey image has no ridges: success with few minutiae or failure
    // are both allowed, but either way the record holds a raw template.
    std::vector<unsigned char> image(64 * 64, 128);
    OwnedRecord out;
    const SdkStatus status = generateRawFPT(image.data(), 64, 64, &out.record);
    ASSERT_TRUE(status == FPT_OK || status == FPT_FAILED) << status;
    EXPECT_EQ(out.record.format, FPT_FORMAT_RAW);
    EXPECT_EQ(out.record.size % 16, 0u);
    EXPECT_LE(out.record.size, 2048u);
    if (status == FPT_FAILED) {
        EXPECT_EQ(out.record.size, 0u);
    }
}

TEST(QualityChecks, FailureZeroesQualityAndKeepsArea)
{
    std::vector<unsigned char> image(64 * 64, 128);
    double quality = 55.0;
    int32_t area = 12345;
    const SdkStatus status = getFpImgQuality(image.data(), 64, 64, &quality, &area);
    ASSERT_TRUE(status == FPT_OK || status == FPT_FAILED) << status;
    if (status == FPT_FAILED) {
        EXPECT_EQ(quality, 0.0);
        EXPECT_EQ(area, 12345);
    } else {
        EXPECT_GE(quality, 0.0);
        EXPECT_LE(quality, 100.0);
    }
}

TEST(MatchChecks, FormatOfBothBeforeEitherSize)
{
    auto big = zero_raw(5000);
    auto small = zero_raw(32);
    TemplateBuffer first = input_record(big, FPT_FORMAT_RAW);
    TemplateBuffer second = input_record(small, FPT_FORMAT_PACKED);
    double score = 77.0;
    EXPECT_EQ(matchRawFPTs(&first, &second, &score), FPT_ERR_FORMAT);
    EXPECT_EQ(score, 0.0);
    score = 77.0;
    EXPECT_EQ(matchRawFPTs(&second, &first, &score), FPT_ERR_FORMAT);
    EXPECT_EQ(score, 0.0);
}

TEST(MatchChecks, SizeBoundAndEmptyTemplates)
{
    auto over = zero_raw(2049);
    auto tiny = zero_raw(15);
    TemplateBuffer big = input_record(over, FPT_FORMAT_RAW);
    TemplateBuffer empty = input_record(tiny, FPT_FORMAT_RAW);
    double score = 77.0;
    EXPECT_EQ(matchRawFPTs(&empty, &big, &score), FPT_ERR_SIZE);
    EXPECT_EQ(score, 0.0);
    score = 77.0;
    EXPECT_EQ(matchRawFPTs(&empty, &empty, &score), FPT_OK);
    EXPECT_EQ(score, 0.0);
}

TEST(FreeAndCopyright, NullIsIgnoredAndBannerIsStatic)
{
    free_FPAPI_mem(nullptr);
    const char *banner = Copyright();
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner, Copyright());
    const std::string text(banner);
    EXPECT_EQ(text.front(), '\n');
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find('\n', 1), text.size() - 1) << "one line between the two newlines";
    EXPECT_NE(text.find("169"), std::string::npos);
}

// Every pointer argument of the nine exports, NULL in turn, and every input
// record whose data is NULL while its size is not 0: FPT_FAILED before any
// other check (a busy output or a wrong format tag beside it does not
// matter), and nothing written anywhere.
TEST(NullArguments, AreRefusedFirstAndNothingIsWritten)
{
    std::vector<unsigned char> image(64 * 64, 128);
    auto raw_bytes = ridge_test::raw_block({{1, 10, 20, 30}, {2, 40, 50, 60}});
    std::vector<unsigned char> packed_bytes(8, 0);
    OwnedRecord fmr;
    TemplateBuffer raw = input_record(raw_bytes, FPT_FORMAT_RAW);
    ASSERT_EQ(RawFPT_2_FMR378FPT(&raw, 50, 1, 0, 300, 300, &fmr.record), FPT_OK);
    TemplateBuffer packed = input_record(packed_bytes, FPT_FORMAT_PACKED);
    const TemplateBuffer record = fmr.record;
    const TemplateBuffer raw_without{nullptr, 32, FPT_FORMAT_RAW};
    const TemplateBuffer raw_without_short{nullptr, 5, FPT_FORMAT_RAW};
    const TemplateBuffer packed_without{nullptr, 8, FPT_FORMAT_PACKED};
    const TemplateBuffer record_without{nullptr, 40, FPT_FORMAT_FMR378};
    const TemplateBuffer packed_tag_without{nullptr, 5000, FPT_FORMAT_PACKED};

    TemplateBuffer out{nullptr, 123, 77};
    BusyOutput busy;
    double score = 42.0, quality = 42.0;
    int32_t area = 42;
    const unsigned char *px = image.data();
    struct Case {
        const char *what;
        std::function<SdkStatus()> call;
    };
    const std::vector<Case> cases{
        {"generate: image", [&] { return generateRawFPT(nullptr, 64, 64, &out); }},
        {"generate: image, busy output", [&] { return generateRawFPT(nullptr, 64, 64, &busy.record); }},
        {"generate: output", [&] { return generateRawFPT(px, 64, 64, nullptr); }},
        {"quality: image", [&] { return getFpImgQuality(nullptr, 64, 64, &quality, &area); }},
        {"quality: quality", [&] { return getFpImgQuality(px, 64, 64, nullptr, &area); }},
        {"quality: area", [&] { return getFpImgQuality(px, 64, 64, &quality, nullptr); }},
        {"match: first", [&] { return matchRawFPTs(nullptr, &raw, &score); }},
        {"match: second", [&] { return matchRawFPTs(&raw, nullptr, &score); }},
        {"match: first, packed second", [&] { return matchRawFPTs(nullptr, &packed, &score); }},
        {"match: score", [&] { return matchRawFPTs(&raw, &raw, nullptr); }},
        {"match: first data", [&] { return matchRawFPTs(&raw_without, &raw, &score); }},
        {"match: second data", [&] { return matchRawFPTs(&raw, &raw_without, &score); }},
        {"match: data of a short template", [&] { return matchRawFPTs(&raw_without_short, &raw, &score); }},
        {"match: data before format and size", [&] { return matchRawFPTs(&raw, &packed_tag_without, &score); }},
        {"raw to packed: raw", [&] { return RawFPT_2_PackedFTP(nullptr, &out); }},
        {"raw to packed: raw, busy output", [&] { return RawFPT_2_PackedFTP(nullptr, &busy.record); }},
        {"raw to packed: packed", [&] { return RawFPT_2_PackedFTP(&raw, nullptr); }},
        {"raw to packed: raw data", [&] { return RawFPT_2_PackedFTP(&raw_without, &out); }},
        {"packed to raw: packed", [&] { return PackedFTP_2_RawFPT(nullptr, &out); }},
        {"packed to raw: raw", [&] { return PackedFTP_2_RawFPT(&packed, nullptr); }},
        {"packed to raw: packed data", [&] { return PackedFTP_2_RawFPT(&packed_without, &out); }},
        {"packed to raw: data before size", [&] { return PackedFTP_2_RawFPT(&packed_tag_without, &out); }},
        {"raw to fmr: raw", [&] { return RawFPT_2_FMR378FPT(nullptr, 50, 1, 0, 300, 300, &out); }},
        {"raw to fmr: record", [&] { return RawFPT_2_FMR378FPT(&raw, 50, 1, 0, 300, 300, nullptr); }},
        {"raw to fmr: raw data", [&] { return RawFPT_2_FMR378FPT(&raw_without, 50, 1, 0, 300, 300, &out); }},
        {"fmr to raw: record", [&] { return FMR378FPT_2_RawFPT(nullptr, &out); }},
        {"fmr to raw: record, busy output", [&] { return FMR378FPT_2_RawFPT(nullptr, &busy.record); }},
        {"fmr to raw: raw", [&] { return FMR378FPT_2_RawFPT(&record, nullptr); }},
        {"fmr to raw: record data", [&] { return FMR378FPT_2_RawFPT(&record_without, &out); }},
    };
    for (const Case &c : cases) {
        out = TemplateBuffer{nullptr, 123, 77};
        score = quality = 42.0;
        area = 42;
        EXPECT_EQ(c.call(), FPT_FAILED) << c.what;
        EXPECT_TRUE(out.data == nullptr && out.size == 123u && out.format == 77) << c.what;
        EXPECT_TRUE(score == 42.0 && quality == 42.0 && area == 42) << c.what;
        busy.expect_untouched();
    }
    free_FPAPI_mem(nullptr);

    // An input record with no data and size 0 is an empty template, as before.
    const TemplateBuffer empty{nullptr, 0, FPT_FORMAT_RAW};
    EXPECT_EQ(matchRawFPTs(&empty, &raw, &score), FPT_OK);
    EXPECT_EQ(score, 0.0);
    OwnedRecord packed_out;
    EXPECT_EQ(RawFPT_2_PackedFTP(&empty, &packed_out.record), FPT_OK);
    EXPECT_EQ(packed_out.record.size, 0u);
    const TemplateBuffer no_record{nullptr, 0, FPT_FORMAT_FMR378};
    EXPECT_EQ(FMR378FPT_2_RawFPT(&no_record, &out), FPT_ERR_FMR_LENGTH);
}
