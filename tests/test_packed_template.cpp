// The packed template: bit layout of a word, conversions both ways, the
// refusal of fields that do not fit, and allocation failure.
#include "ridgesdk.h"

#include "formats/output_block.h"
#include "formats/packed_template.h"
#include "support/sdk_test_helpers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

using ridge_test::OwnedRecord;
using ridge_test::input_record;
using ridge_test::raw_block;
using ridge_test::raw_minutiae;

namespace {

bool operator==(const RawMinutia &a, const RawMinutia &b)
{
    return a.type == b.type && a.x == b.x && a.y == b.y && a.angle == b.angle;
}

uint32_t word_at(const OwnedRecord &out, std::size_t i)
{
    uint32_t word = 0;
    std::memcpy(&word, out.record.data + 4 * i, 4);
    return word;
}

} // namespace

TEST(PackedWord, FieldsSitInTheirBits)
{
    EXPECT_EQ(ridge::encode_packed_word({1, 0, 0, 0}), 0x00000001u);
    EXPECT_EQ(ridge::encode_packed_word({0, 1, 0, 0}), 0x00000004u);
    EXPECT_EQ(ridge::encode_packed_word({0, 1023, 0, 0}), 0x00000ffcu);
    EXPECT_EQ(ridge::encode_packed_word({0, 0, 1, 0}), 0x00001000u);
    EXPECT_EQ(ridge::encode_packed_word({0, 0, 1023, 0}), 0x003ff000u);
    EXPECT_EQ(ridge::encode_packed_word({0, 0, 0, 1}), 0x00400000u);
    EXPECT_EQ(ridge::encode_packed_word({0, 0, 0, 511}), 0x7fc00000u);
    EXPECT_EQ(ridge::encode_packed_word({2, 120, 87, 34}), 2u + 4u * 120 + 4096u * 87 + 4194304u * 34);
}

TEST(PackedWord, DecodingMasksEachFieldAndIgnoresBit31)
{
    const RawMinutia m = ridge::decode_packed_word(0xffffffffu);
    EXPECT_EQ(m.type, 3);
    EXPECT_EQ(m.x, 1023);
    EXPECT_EQ(m.y, 1023);
    EXPECT_EQ(m.angle, 511);
    EXPECT_TRUE(ridge::decode_packed_word(0x80000000u) == (RawMinutia{0, 0, 0, 0}));
}

TEST(PackedWord, RangeOfEachField)
{
    EXPECT_TRUE(ridge::fits_packed_word({3, 1023, 1023, 511}));
    EXPECT_TRUE(ridge::fits_packed_word({0, 0, 0, 0}));
    EXPECT_FALSE(ridge::fits_packed_word({4, 0, 0, 0}));
    EXPECT_FALSE(ridge::fits_packed_word({1, 1024, 0, 0}));
    EXPECT_FALSE(ridge::fits_packed_word({1, 0, 1024, 0}));
    EXPECT_FALSE(ridge::fits_packed_word({1, 0, 0, 512}));
    EXPECT_FALSE(ridge::fits_packed_word({-1, 0, 0, 0}));
    EXPECT_FALSE(ridge::fits_packed_word({1, -1, 0, 0}));
    EXPECT_FALSE(ridge::fits_packed_word({1, 0, -1, 0}));
    EXPECT_FALSE(ridge::fits_packed_word({1, 0, 0, -2}));
}

TEST(PackedConversion, WordsInTemplateOrderAndRoundTrip)
{
    const std::vector<RawMinutia> minutiae = {
        {1, 120, 87, 34}, {2, 96, 201, 310}, {2, 1023, 1023, 358}, {1, 0, 0, 360}, {2, 5, 7, 0}};
    auto bytes = raw_block(minutiae);
    TemplateBuffer raw = input_record(bytes, FPT_FORMAT_RAW);
    OwnedRecord packed;
    ASSERT_EQ(RawFPT_2_PackedFTP(&raw, &packed.record), FPT_OK);
    ASSERT_EQ(packed.record.size, 4u * minutiae.size());
    EXPECT_EQ(packed.record.format, FPT_FORMAT_PACKED);
    for (std::size_t i = 0; i < minutiae.size(); ++i)
        EXPECT_EQ(word_at(packed, i), ridge::encode_packed_word(minutiae[i])) << i;
    EXPECT_EQ(bytes, raw_block(minutiae)) << "input untouched";

    OwnedRecord back;
    ASSERT_EQ(PackedFTP_2_RawFPT(&packed.record, &back.record), FPT_OK);
    EXPECT_EQ(back.record.format, FPT_FORMAT_RAW);
    const auto decoded = raw_minutiae(back.record.data, back.record.size);
    ASSERT_EQ(decoded.size(), minutiae.size());
    for (std::size_t i = 0; i < minutiae.size(); ++i)
        EXPECT_TRUE(decoded[i] == minutiae[i]) << i;
}

TEST(PackedConversion, TrailingPartialRecordsAreIgnored)
{
    auto bytes = raw_block({{2, 1023, 1023, 358}});
    bytes.resize(20, 0xee);
    TemplateBuffer raw = input_record(bytes, FPT_FORMAT_RAW);
    OwnedRecord packed;
    ASSERT_EQ(RawFPT_2_PackedFTP(&raw, &packed.record), FPT_OK);
    EXPECT_EQ(packed.record.size, 4u);

    std::vector<unsigned char> words(packed.bytes());
    words.insert(words.end(), {0xff, 0xff, 0xff});
    TemplateBuffer with_tail = input_record(words, FPT_FORMAT_PACKED);
    OwnedRecord back;
    ASSERT_EQ(PackedFTP_2_RawFPT(&with_tail, &back.record), FPT_OK);
    EXPECT_EQ(back.record.size, 16u);
}

TEST(PackedConversion, EmptyInputGivesEmptySuccess)
{
    std::vector<unsigned char> few(3, 0);
    TemplateBuffer raw = input_record(few, FPT_FORMAT_RAW);
    OwnedRecord packed;
    ASSERT_EQ(RawFPT_2_PackedFTP(&raw, &packed.record), FPT_OK);
    EXPECT_EQ(packed.record.size, 0u);
    EXPECT_EQ(packed.record.format, FPT_FORMAT_PACKED);

    TemplateBuffer none{nullptr, 0, FPT_FORMAT_PACKED};
    OwnedRecord back;
    ASSERT_EQ(PackedFTP_2_RawFPT(&none, &back.record), FPT_OK);
    EXPECT_EQ(back.record.size, 0u);
    EXPECT_EQ(back.record.format, FPT_FORMAT_RAW);
}

TEST(PackedConversion, FieldsThatDoNotFitAreRefusedNotCorrupted)
{
    // x = 1024 would otherwise turn into y + 1 silently.
    for (const RawMinutia &bad : {RawMinutia{1, 1024, 5, 10}, RawMinutia{1, 5, 1024, 10},
                                  RawMinutia{1, 5, 5, 512}, RawMinutia{4, 5, 5, 10},
                                  RawMinutia{1, -3, 5, 10}}) {
        auto bytes = raw_block({{1, 1, 1, 2}, bad});
        TemplateBuffer raw = input_record(bytes, FPT_FORMAT_RAW);
        OwnedRecord packed;
        EXPECT_EQ(RawFPT_2_PackedFTP(&raw, &packed.record), FPT_ERR_SIZE);
        EXPECT_EQ(packed.record.data, nullptr);
        EXPECT_EQ(packed.record.size, 0u);
        EXPECT_EQ(packed.record.format, -99);
    }
}

TEST(PackedConversion, AllocationFailureLeavesOutputUntouched)
{
    auto bytes = raw_block({{1, 1, 1, 2}});
    TemplateBuffer raw = input_record(bytes, FPT_FORMAT_RAW);
    const auto previous =
        ridge::replace_output_block_allocator([](std::size_t) -> void * { return nullptr; });
    OwnedRecord packed;
    const SdkStatus to_packed = RawFPT_2_PackedFTP(&raw, &packed.record);
    std::vector<unsigned char> word(4, 0);
    TemplateBuffer packed_in = input_record(word, FPT_FORMAT_PACKED);
    OwnedRecord back;
    const SdkStatus to_raw = PackedFTP_2_RawFPT(&packed_in, &back.record);
    ridge::replace_output_block_allocator(previous);

    EXPECT_EQ(to_packed, FPT_FAILED);
    EXPECT_EQ(packed.record.data, nullptr);
    EXPECT_EQ(packed.record.format, -99);
    EXPECT_EQ(to_raw, FPT_FAILED);
    EXPECT_EQ(back.record.data, nullptr);
    EXPECT_EQ(back.record.format, -99);
}
