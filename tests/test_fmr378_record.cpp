// The FMR378 record: byte layout of what the writer produces, the reader's
// header checks in their order, short buffers, and round trips.
#include "ridgesdk.h"

#include "formats/output_block.h"
#include "support/sdk_test_helpers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using ridge_test::OwnedRecord;
using ridge_test::input_record;
using ridge_test::raw_block;
using ridge_test::raw_minutiae;

namespace {

unsigned be16(const std::vector<unsigned char> &b, std::size_t offset)
{
    return unsigned(b[offset]) << 8 | b[offset + 1];
}

std::vector<unsigned char> write_record(const std::vector<RawMinutia> &minutiae, int quality = 63,
                                        int position = 2, int impression = 1, int height = 374,
                                        int width = 388)
{
    auto bytes = raw_block(minutiae);
    TemplateBuffer raw = input_record(bytes, FPT_FORMAT_RAW);
    OwnedRecord record;
    EXPECT_EQ(RawFPT_2_FMR378FPT(&raw, quality, position, impression, height, width, &record.record),
              FPT_OK);
    EXPECT_EQ(record.record.format, FPT_FORMAT_FMR378);
    return record.bytes();
}

SdkStatus read_record(std::vector<unsigned char> bytes, std::vector<RawMinutia> *out = nullptr)
{
    TemplateBuffer record = input_record(bytes, FPT_FORMAT_FMR378);
    OwnedRecord raw;
    const SdkStatus status = FMR378FPT_2_RawFPT(&record, &raw.record);
    if (status != FPT_OK) {
        EXPECT_EQ(raw.record.data, nullptr);
        EXPECT_EQ(raw.record.format, -99);
    } else {
        EXPECT_EQ(raw.record.format, FPT_FORMAT_RAW);
    }
    if (out != nullptr)
        *out = raw_minutiae(raw.record.data, raw.record.size);
    return status;
}

void set_be16(std::vector<unsigned char> &b, std::size_t offset, unsigned value)
{
    b[offset] = static_cast<unsigned char>(value >> 8);
    b[offset + 1] = static_cast<unsigned char>(value);
}

} // namespace

TEST(FmrWriter, RecordHeaderFieldByField)
{
    const auto b = write_record({{1, 120, 87, 34}, {2, 96, 201, 310}}, 63, 2, 8, 374, 388);
    ASSERT_EQ(b.size(), 32u + 12u);
    const std::vector<unsigned char> id = {'F', 'M', 'R', 0, ' ', '2', '0', 0};
    EXPECT_EQ(std::vector<unsigned char>(b.begin(), b.begin() + 8), id);
    EXPECT_EQ(be16(b, 8), 44u) << "record length";
    EXPECT_EQ(be16(b, 10), 1u) << "CBEFF owner";
    EXPECT_EQ(be16(b, 12), 0u) << "CBEFF type";
    EXPECT_EQ(be16(b, 14), 0u) << "capture equipment";
    EXPECT_EQ(be16(b, 16), 388u) << "image size in x is the width";
    EXPECT_EQ(be16(b, 18), 374u) << "image size in y is the height";
    EXPECT_EQ(be16(b, 20), 197u);
    EXPECT_EQ(be16(b, 22), 197u);
    EXPECT_EQ(b[24], 1) << "finger views";
    EXPECT_EQ(b[25], 0) << "reserved";
    EXPECT_EQ(b[26], 2) << "finger position";
    EXPECT_EQ(b[27], 8) << "view 0, impression type";
    EXPECT_EQ(b[28], 63) << "finger quality";
    EXPECT_EQ(b[29], 2) << "minutiae";
    EXPECT_EQ(be16(b, 42), 0u) << "extended data length";
}

TEST(FmrWriter, MinutiaeBigEndianInTemplateOrder)
{
    const auto b = write_record({{1, 120, 87, 34}, {2, 0x3fff, 0x2abc, 311}, {7, 20000, 16385, 360}});
    // Ridge ending: type bits 01, x 120; y 87; 17 units of 2 degrees.
    EXPECT_EQ(be16(b, 30), 0x4000u | 120u);
    EXPECT_EQ(be16(b, 32), 87u);
    EXPECT_EQ(b[34], 17);
    EXPECT_EQ(b[35], 0) << "minutia quality";
    // Bifurcation: type bits 10; an odd angle is truncated.
    EXPECT_EQ(be16(b, 36), 0x8000u | 0x3fffu);
    EXPECT_EQ(be16(b, 38), 0x2abcu);
    EXPECT_EQ(b[40], 155);
    // Any other type is a ridge ending; x and y keep their low 14 bits.
    EXPECT_EQ(be16(b, 42), 0x4000u | (20000u & 0x3fffu));
    EXPECT_EQ(be16(b, 44), 16385u & 0x3fffu);
    EXPECT_EQ(b[46], 180);
}

TEST(FmrWriter, ImageSizesKeepTheirLow16Bits)
{
    const auto b = write_record({}, 0, 0, 0, 0x12345, -1);
    EXPECT_EQ(be16(b, 16), 0xffffu);
    EXPECT_EQ(be16(b, 18), 0x2345u);
}

TEST(FmrWriter, EmptyTemplateGivesA32ByteRecord)
{
    const auto b = write_record({});
    ASSERT_EQ(b.size(), 32u);
    EXPECT_EQ(be16(b, 8), 32u);
    EXPECT_EQ(b[29], 0);
    std::vector<RawMinutia> back;
    EXPECT_EQ(read_record(b, &back), FPT_OK);
    EXPECT_TRUE(back.empty());
}

TEST(FmrRoundTrip, KeepsPositionsTypeTwoAndEvenAngles)
{
    const std::vector<RawMinutia> in = {{1, 120, 87, 34}, {2, 96, 201, 311}, {3, 5, 6, 360},
                                        {2, 16383, 0, 0}};
    std::vector<RawMinutia> out;
    ASSERT_EQ(read_record(write_record(in), &out), FPT_OK);
    ASSERT_EQ(out.size(), in.size());
    const std::vector<RawMinutia> want = {{1, 120, 87, 34}, {2, 96, 201, 310}, {1, 5, 6, 360},
                                          {2, 16383, 0, 0}};
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(out[i].type, want[i].type) << i;
        EXPECT_EQ(out[i].x, want[i].x) << i;
        EXPECT_EQ(out[i].y, want[i].y) << i;
        EXPECT_EQ(out[i].angle, want[i].angle) << i;
    }
}

TEST(FmrReader, TypeBitsAndIgnoredFields)
{
    auto b = write_record({{1, 1, 1, 0}, {1, 2, 2, 0}, {1, 3, 3, 0}});
    b[30] = static_cast<unsigned char>(0xc0 | b[30]);            // type bits 11
    b[36] = static_cast<unsigned char>(b[36] & 0x3f);            // type bits 00
    b[42] = static_cast<unsigned char>((b[42] & 0x3f) | 0x80);   // type bits 10
    b[38] = static_cast<unsigned char>(b[38] | 0xc0);            // reserved bits of y
    b[35] = 99;                                                  // minutia quality
    b[26] = 77;
    b[27] = 0xff;
    b[28] = 255;
    std::vector<RawMinutia> out;
    ASSERT_EQ(read_record(b, &out), FPT_OK);
    EXPECT_EQ(out[0].type, 1);
    EXPECT_EQ(out[1].type, 1);
    EXPECT_EQ(out[1].y, 2);
    EXPECT_EQ(out[2].type, 2);
}

TEST(FmrReader, HeaderChecksAndTheirCodes)
{
    const auto good = write_record({{1, 1, 1, 0}});
    auto b = good;
    b[2] = 'X';
    EXPECT_EQ(read_record(b), FPT_ERR_FMR_FORMAT_ID);
    b = good;
    b[3] = 1;
    EXPECT_EQ(read_record(b), FPT_ERR_FMR_FORMAT_ID);
    b = good;
    b[5] = '1';
    EXPECT_EQ(read_record(b), FPT_ERR_FMR_VERSION);
    b = good;
    b[7] = 1;
    EXPECT_EQ(read_record(b), FPT_ERR_FMR_VERSION);

    b = good;
    set_be16(b, 8, 0);
    EXPECT_EQ(read_record(b), FPT_ERR_FMR_LENGTH) << "0 - 1 wraps to 65535";
    set_be16(b, 8, 4501);
    EXPECT_EQ(read_record(b), FPT_ERR_FMR_LENGTH);
    set_be16(b, 8, 4500);
    EXPECT_EQ(read_record(b), FPT_OK) << "the length is not compared with the buffer";
    set_be16(b, 8, 1);
    EXPECT_EQ(read_record(b), FPT_OK);

    b = good;
    set_be16(b, 20, 500);
    EXPECT_EQ(read_record(b), FPT_ERR_FMR_RESOLUTION);
    b = good;
    set_be16(b, 22, 500);
    EXPECT_EQ(read_record(b), FPT_ERR_FMR_RESOLUTION);

    b = good;
    b[24] = 2;
    EXPECT_EQ(read_record(b), FPT_ERR_FMR_VIEWS);
    b[24] = 0;
    std::vector<RawMinutia> out;
    EXPECT_EQ(read_record(b, &out), FPT_OK) << "no view declared: the first is read all the same";
    EXPECT_EQ(out.size(), 1u);

    b = good;
    b[29] = 129;
    b.resize(30 + 6 * 129 + 2, 0);
    EXPECT_EQ(read_record(b), FPT_ERR_SIZE);
}

TEST(FmrReader, EarliestFaultWins)
{
    auto b = write_record({});
    b[0] = 'X';
    b[4] = 'X';
    set_be16(b, 8, 0);
    set_be16(b, 20, 1);
    b[24] = 5;
    b[29] = 200;
    EXPECT_EQ(read_record(b), FPT_ERR_FMR_FORMAT_ID);
    b[0] = 'F';
    EXPECT_EQ(read_record(b), FPT_ERR_FMR_VERSION);
    b[4] = ' ';
    EXPECT_EQ(read_record(b), FPT_ERR_FMR_LENGTH);
    set_be16(b, 8, 32);
    EXPECT_EQ(read_record(b), FPT_ERR_FMR_RESOLUTION);
    set_be16(b, 20, 197);
    EXPECT_EQ(read_record(b), FPT_ERR_FMR_VIEWS);
    b[24] = 1;
    EXPECT_EQ(read_record(b), FPT_ERR_SIZE);
}

TEST(FmrReader, BuffersShorterThanTheRecordAreRefused)
{
    const auto good = write_record({{1, 1, 1, 0}, {2, 2, 2, 2}});
    // 30 header bytes and 6 per announced minutia are needed; the trailer
    // is never read.
    for (std::size_t size : {std::size_t(0), std::size_t(4), std::size_t(29), std::size_t(30),
                             std::size_t(41)}) {
        std::vector<unsigned char> cut(good.begin(), good.begin() + std::ptrdiff_t(size));
        EXPECT_EQ(read_record(cut), FPT_ERR_FMR_LENGTH) << size;
    }
    std::vector<unsigned char> no_trailer(good.begin(), good.begin() + 42);
    EXPECT_EQ(read_record(no_trailer), FPT_OK);

    TemplateBuffer null_record{nullptr, 0, FPT_FORMAT_FMR378};
    OwnedRecord raw;
    EXPECT_EQ(FMR378FPT_2_RawFPT(&null_record, &raw.record), FPT_ERR_FMR_LENGTH);
}

TEST(FmrConversion, AllocationFailureLeavesOutputUntouched)
{
    const auto good = write_record({{1, 1, 1, 0}});
    auto raw_bytes = raw_block({{1, 1, 1, 0}});
    const auto previous =
        ridge::replace_output_block_allocator([](std::size_t) -> void * { return nullptr; });
    TemplateBuffer raw = input_record(raw_bytes, FPT_FORMAT_RAW);
    OwnedRecord record;
    const SdkStatus written = RawFPT_2_FMR378FPT(&raw, 1, 1, 1, 1, 1, &record.record);
    auto copy = good;
    TemplateBuffer in = input_record(copy, FPT_FORMAT_FMR378);
    OwnedRecord back;
    const SdkStatus read = FMR378FPT_2_RawFPT(&in, &back.record);
    ridge::replace_output_block_allocator(previous);

    EXPECT_EQ(written, FPT_FAILED);
    EXPECT_EQ(record.record.data, nullptr);
    EXPECT_EQ(record.record.size, 0u);
    EXPECT_EQ(record.record.format, -99);
    EXPECT_EQ(read, FPT_FAILED);
    EXPECT_EQ(back.record.data, nullptr);
    EXPECT_EQ(back.record.format, -99);
}
