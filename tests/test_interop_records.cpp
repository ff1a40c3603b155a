// Interchange records through ridgeinterop.h: the stated conversion losses
// over every value, records laid out by hand in this file read as
// expected, the writers' bytes, refusals of damaged records, format
// detection, and the real templates of the shared data written and read
// back in every format.
#include "ridgeinterop.h"

#include "support/grey_bmp.h"
#include "support/record_builder.h"
#include "support/sdk_test_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

const int32_t kAllFormats[] = {RIDGE_FORMAT_ANSI378_2004, RIDGE_FORMAT_ISO2005, RIDGE_FORMAT_ISO_CARD,
                               RIDGE_FORMAT_ANSI378_2009, RIDGE_FORMAT_ISO2011};
const int32_t kHeaderFormats[] = {RIDGE_FORMAT_ANSI378_2004, RIDGE_FORMAT_ISO2005,
                                  RIDGE_FORMAT_ANSI378_2009, RIDGE_FORMAT_ISO2011};

using Builder = ridge_test::RecordBuilder;
using ridge_test::circular_error;

struct ReadResult {
    int32_t status = 0;
    std::vector<RawMinutia> minutiae;
    ridge_record_info info{};
    std::string message;
};

ReadResult read_record(const Bytes &bytes, int32_t format, int32_t view = 0)
{
    ReadResult result;
    TemplateBuffer raw{nullptr, 0, -5};
    result.status = ridge_record_read(bytes.data(), bytes.size(), format, view, &raw, &result.info);
    if (result.status == RIDGE_OK) {
        EXPECT_EQ(raw.format, FPT_FORMAT_RAW);
        result.minutiae = ridge_test::raw_minutiae(raw.data, raw.size);
    } else {
        EXPECT_EQ(raw.data, nullptr);
        EXPECT_EQ(raw.format, -5) << "a refusal leaves the output as it was";
        result.message = ridge_last_error();
    }
    ridge_free(raw.data);
    return result;
}

Bytes write_record(const std::vector<RawMinutia> &minutiae, int32_t format,
                   const ridge_record_info *info = nullptr, int32_t *status_out = nullptr)
{
    Bytes block = ridge_test::raw_block(minutiae);
    TemplateBuffer raw = ridge_test::input_record(block, FPT_FORMAT_RAW);
    TemplateBuffer record{nullptr, 0, 0};
    const int32_t status = ridge_record_write(&raw, format, info, &record);
    if (status_out != nullptr)
        *status_out = status;
    else
        EXPECT_EQ(status, RIDGE_OK) << ridge_last_error();
    Bytes bytes;
    if (status == RIDGE_OK) {
        EXPECT_EQ(record.format, format);
        bytes.assign(record.data, record.data + record.size);
    }
    ridge_free(record.data);
    return bytes;
}

bool same_minutiae(const std::vector<RawMinutia> &a, const std::vector<RawMinutia> &b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](const RawMinutia &p, const RawMinutia &q) {
               return p.type == q.type && p.x == q.x && p.y == q.y && p.angle == q.angle;
           });
}

// The stated worst errors of a round trip raw -> record -> raw, over every
// whole degree 0..360 and every coordinate the card can hold.
TEST(RecordUnits, RoundTripLossesAreTheStatedOnes)
{
    struct Case {
        int32_t format;
        int worst_angle;    // degrees, reached by some angle
        int worst_position; // pixels, reached by some coordinate
    };
    const Case cases[] = {{RIDGE_FORMAT_ANSI378_2004, 1, 0}, {RIDGE_FORMAT_ISO2005, 1, 0},
                          {RIDGE_FORMAT_ISO_CARD, 3, 1},     {RIDGE_FORMAT_ANSI378_2009, 1, 0},
                          {RIDGE_FORMAT_ISO2011, 1, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(ridge_record_format_name(c.format));
        int worst_angle = 0, worst_position = 0;
        for (int first = 0; first <= 502; first += 128) {
            std::vector<RawMinutia> minutiae;
            for (int i = first; i < std::min(first + 128, 503); ++i)
                minutiae.push_back(RawMinutia{1 + i % 2, i, 502 - i, i % 361});
            const ReadResult back = read_record(write_record(minutiae, c.format), c.format);
            ASSERT_EQ(back.status, RIDGE_OK) << back.message;
            ASSERT_EQ(back.minutiae.size(), minutiae.size());
            for (std::size_t i = 0; i < minutiae.size(); ++i) {
                EXPECT_EQ(back.minutiae[i].type, minutiae[i].type);
                worst_angle = std::max(worst_angle, circular_error(back.minutiae[i].angle, minutiae[i].angle));
                worst_position = std::max({worst_position, std::abs(back.minutiae[i].x - minutiae[i].x),
                                           std::abs(back.minutiae[i].y - minutiae[i].y)});
                EXPECT_GE(back.minutiae[i].angle, 0);
                EXPECT_LE(back.minutiae[i].angle, 360);
            }
        }
        EXPECT_EQ(worst_angle, c.worst_angle);
        EXPECT_EQ(worst_position, c.worst_position);
    }
}

// Record -> raw -> record keeps every unit: the ISO angle units, the card's
// angle and coordinate units.
TEST(RecordUnits, RecordToRawToRecordIsExact)
{
    Bytes card;
    for (unsigned u = 0; u < 256; u += 2)
        card.insert(card.end(), {static_cast<unsigned char>(u), static_cast<unsigned char>(255 - u),
                                 static_cast<unsigned char>(0x40 | (u / 2) % 64)});
    const ReadResult from_card = read_record(card, RIDGE_FORMAT_ISO_CARD);
    ASSERT_EQ(from_card.status, RIDGE_OK) << from_card.message;
    EXPECT_EQ(write_record(from_card.minutiae, RIDGE_FORMAT_ISO_CARD), card);

    Builder iso;
    iso.text("FMR\0 20\0", 8).u32(24 + 4 + 6 * 128 + 2).u16(0).u16(300).u16(400).u16(197).u16(197);
    iso.u8(1).u8(0).u8(0).u8(0).u8(0).u8(128);
    for (unsigned a = 0; a < 256; a += 2)
        iso.minutia(2, a, a + 1, a, 0);
    iso.u16(0);
    const ReadResult from_iso = read_record(iso.bytes, RIDGE_FORMAT_ISO2005);
    ASSERT_EQ(from_iso.status, RIDGE_OK) << from_iso.message;
    ridge_record_info info = from_iso.info;
    EXPECT_EQ(write_record(from_iso.minutiae, RIDGE_FORMAT_ISO2005, &info), iso.bytes);
    for (unsigned a = 1; a < 256; a += 2) { // the odd units too
        Bytes one = iso.bytes;
        one[24 + 4 + 4] = static_cast<unsigned char>(a);
        const ReadResult back = read_record(one, RIDGE_FORMAT_ISO2005);
        ASSERT_EQ(back.status, RIDGE_OK);
        EXPECT_EQ(write_record(back.minutiae, RIDGE_FORMAT_ISO2005, &info), one) << "unit " << a;
    }
}

// Records laid out here byte by byte from the standards' tables.
TEST(RecordLayouts, HandWrittenRecordsReadAsExpected)
{
    // ISO 2005, two views at 250 pixels per cm; the first has extended data.
    Builder iso2005;
    iso2005.text("FMR\0 20\0", 8).u32(0).u16(0).u16(500).u16(750).u16(250).u16(250).u8(2).u8(0);
    iso2005.u8(3).u8(0x12).u8(77).u8(2);
    iso2005.minutia(1, 100, 200, 64, 50).minutia(2, 250, 500, 192, 60);
    iso2005.u16(8).u16(0x0101).u16(8).u32(0xdeadbeef); // one extended data area
    iso2005.u8(4).u8(0x21).u8(55).u8(1).minutia(0, 1000, 10, 255, 0).u16(0);
    const auto length = iso2005.bytes.size();
    iso2005.bytes[8 + 2] = static_cast<unsigned char>(length >> 8);
    iso2005.bytes[8 + 3] = static_cast<unsigned char>(length);

    ReadResult first = read_record(iso2005.bytes, RIDGE_FORMAT_ISO2005);
    ASSERT_EQ(first.status, RIDGE_OK) << first.message;
    // Coordinates taken from 250 to 197 pixels per cm: round(v * 197 / 250).
    EXPECT_TRUE(same_minutiae(first.minutiae, {{1, 79, 158, 90}, {2, 197, 394, 270}}));
    EXPECT_EQ(first.info.view_count, 2);
    EXPECT_EQ(first.info.finger_position, 3);
    EXPECT_EQ(first.info.view_number, 1);
    EXPECT_EQ(first.info.impression_type, 2);
    EXPECT_EQ(first.info.finger_quality, 77);
    EXPECT_EQ(first.info.image_width, 394);
    EXPECT_EQ(first.info.image_height, 591);
    EXPECT_EQ(first.info.record_resolution_x, 250);

    ReadResult second = read_record(iso2005.bytes, RIDGE_FORMAT_ISO2005, 1);
    ASSERT_EQ(second.status, RIDGE_OK) << second.message;
    EXPECT_TRUE(same_minutiae(second.minutiae, {{1, 788, 8, 359}})); // type 00 reads as 1
    EXPECT_EQ(second.info.finger_position, 4);
    EXPECT_EQ(second.info.view_number, 2);
    EXPECT_EQ(read_record(iso2005.bytes, RIDGE_FORMAT_ISO2005, 2).status, RIDGE_ERR_NOT_FOUND);

    // ANSI 2004 in the long length form (0, then four bytes).
    Builder ansi2004;
    ansi2004.text("FMR\0 20\0", 8).u16(0).u32(30 + 4 + 6 + 2).u16(1).u16(0).u16(0);
    ansi2004.u16(388).u16(374).u16(197).u16(197).u8(1).u8(0);
    ansi2004.u8(2).u8(0x01).u8(90).u8(1).minutia(2, 300, 100, 180, 0).u16(0);
    ReadResult ansi = read_record(ansi2004.bytes, RIDGE_FORMAT_ANSI378_2004);
    ASSERT_EQ(ansi.status, RIDGE_OK) << ansi.message;
    EXPECT_TRUE(same_minutiae(ansi.minutiae, {{2, 300, 100, 360}}));
    EXPECT_EQ(ansi.info.image_width, 388);
    EXPECT_EQ(ansi.info.impression_type, 1);

    // ANSI 2009: image size and resolution in the view.
    Builder ansi2009;
    ansi2009.text("FMR\0" "030\0", 8).u32(20 + 13 + 12 + 2).u32(0x00010000).u16(0).u8(1).u8(0);
    ansi2009.u8(7).u8(3).u8(8).u8(40).u16(296).u16(560).u16(224).u16(224).u8(2);
    ansi2009.minutia(1, 224, 448, 45, 0).minutia(2, 0, 16383, 0, 0).u16(0);
    ReadResult a9 = read_record(ansi2009.bytes, RIDGE_FORMAT_ANSI378_2009);
    ASSERT_EQ(a9.status, RIDGE_OK) << a9.message;
    EXPECT_TRUE(same_minutiae(a9.minutiae, {{1, 197, 394, 90}, {2, 0, 14408, 0}}));
    EXPECT_EQ(a9.info.finger_position, 7);
    EXPECT_EQ(a9.info.view_number, 3);
    EXPECT_EQ(a9.info.impression_type, 8);
    EXPECT_EQ(a9.info.finger_quality, 40);
    EXPECT_EQ(a9.info.image_width, 260);  // 296 * 197 / 224
    EXPECT_EQ(a9.info.image_height, 493); // 560 * 197 / 224, rounded

    // ISO 2011 with certification blocks, two quality blocks and minutiae
    // of 5 bytes (no quality).
    Builder rep;
    rep.text("\x07\xe5\x03\x0f\x0a\x1e\x00\x00\x00", 9).u8(2).u16(0x0033).u16(0x0044);
    rep.u8(2).u8(88).u16(1).u16(2).u8(255).u16(3).u16(4); // quality blocks
    rep.u8(1).u16(0x0101).u8(5);                            // one certification block
    rep.u8(6).u8(1).u16(197).u16(197).u8(0).u16(300).u16(300).u8(5 << 4).u8(2);
    rep.u16(1u << 14 | 10).u16(20).u8(128).u16(2u << 14 | 30).u16(40).u8(32);
    rep.u16(4).u32(0x01020304); // extended data
    Builder iso2011;
    iso2011.text("FMR\0" "030\0", 8).u32(15 + 4 + rep.bytes.size()).u16(1).u8(1);
    iso2011.u32(4 + rep.bytes.size()).append(rep.bytes);
    ReadResult i11 = read_record(iso2011.bytes, RIDGE_FORMAT_ISO2011);
    ASSERT_EQ(i11.status, RIDGE_OK) << i11.message;
    EXPECT_TRUE(same_minutiae(i11.minutiae, {{1, 10, 20, 180}, {2, 30, 40, 45}}));
    EXPECT_EQ(i11.info.finger_quality, 88);
    EXPECT_EQ(i11.info.finger_position, 6);
    EXPECT_EQ(i11.info.view_number, 1);
    EXPECT_EQ(i11.info.image_width, 300);

    // Compact card: 0.1 mm units, 6-bit angles.
    const Bytes card = {100, 200, 0x80 | 16, 0, 255, 0x40 | 63};
    ReadResult c = read_record(card, RIDGE_FORMAT_ISO_CARD);
    ASSERT_EQ(c.status, RIDGE_OK) << c.message;
    EXPECT_TRUE(same_minutiae(c.minutiae, {{2, 197, 394, 90}, {1, 0, 502, 354}}));
    EXPECT_EQ(c.info.view_count, 1);
}

// The writers' bytes for a small template, as the layouts say.
TEST(RecordLayouts, WritersLayTheRecordsOut)
{
    const std::vector<RawMinutia> minutiae = {{1, 10, 20, 90}, {2, 300, 400, 359}};
    ridge_record_info info{};
    info.image_width = 320;
    info.image_height = 480;
    info.finger_position = 2;
    info.impression_type = 8;
    info.finger_quality = 61;
    info.view_number = 1;

    Builder iso2005;
    iso2005.text("FMR\0 20\0", 8).u32(24 + 4 + 12 + 2).u16(0).u16(320).u16(480).u16(197).u16(197);
    iso2005.u8(1).u8(0).u8(2).u8(0x18).u8(61).u8(2);
    iso2005.minutia(1, 10, 20, 64, 0).minutia(2, 300, 400, 255, 0).u16(0);
    EXPECT_EQ(write_record(minutiae, RIDGE_FORMAT_ISO2005, &info), iso2005.bytes);

    Builder ansi2009;
    ansi2009.text("FMR\0" "030\0", 8).u32(20 + 13 + 12 + 2).u16(1).u16(0).u16(0).u8(1).u8(0);
    ansi2009.u8(2).u8(1).u8(8).u8(61).u16(320).u16(480).u16(197).u16(197).u8(2);
    ansi2009.minutia(1, 10, 20, 45, 0).minutia(2, 300, 400, 179, 0).u16(0);
    EXPECT_EQ(write_record(minutiae, RIDGE_FORMAT_ANSI378_2009, &info), ansi2009.bytes);

    const Bytes card = {5, 10, 0x40 | 16, 152, 203, 0x80 | 0};
    EXPECT_EQ(write_record(minutiae, RIDGE_FORMAT_ISO_CARD, &info), card);

    const Bytes iso2011 = write_record(minutiae, RIDGE_FORMAT_ISO2011, &info);
    const ReadResult back = read_record(iso2011, RIDGE_FORMAT_ISO2011);
    ASSERT_EQ(back.status, RIDGE_OK) << back.message;
    EXPECT_EQ(back.info.finger_quality, 61);
    EXPECT_EQ(back.info.impression_type, 8);
    EXPECT_EQ(back.info.view_number, 1);
    EXPECT_EQ(back.info.image_height, 480);

    // The 2004 ANSI record is the one the nine exports write.
    Bytes block = ridge_test::raw_block(minutiae);
    TemplateBuffer raw = ridge_test::input_record(block, FPT_FORMAT_RAW);
    ridge_test::OwnedRecord core;
    ASSERT_EQ(RawFPT_2_FMR378FPT(&raw, 61, 2, 8, 480, 320, &core.record), FPT_OK);
    info.view_number = 0;
    EXPECT_EQ(write_record(minutiae, RIDGE_FORMAT_ANSI378_2004, &info), core.bytes());
}

// Every refusal, with the status it gives and the output left alone.
TEST(RecordRefusals, DamagedRecordsAreRefused)
{
    const std::vector<RawMinutia> minutiae = {{1, 10, 20, 90}, {2, 30, 40, 180}, {1, 50, 60, 270}};
    ridge_record_info info{};
    info.finger_quality = 50;
    struct Case {
        const char *what;
        int32_t format;
        std::size_t offset; // byte changed
        int value;          // new value, or -1 to cut the record there
        int32_t status;
    };
    // Offsets: ISO 2005 view header at 24 (count at 27), length at 8..11;
    // ANSI 2004 length at 8..9, resolution 20..23, views 24, count 29;
    // ANSI 2009 views at 18, count at 32, resolution at 28; ISO 2011
    // representations at 12..13, flag 14, representation length 15..18,
    // one quality block 33..38, field length byte and count at 50 and 51.
    const Case cases[] = {
        {"identifier", RIDGE_FORMAT_ISO2005, 0, 'X', FPT_ERR_FMR_FORMAT_ID},
        {"version", RIDGE_FORMAT_ISO2005, 5, '3', FPT_ERR_FMR_VERSION},
        {"length beyond the bytes", RIDGE_FORMAT_ISO2005, 11, 200, RIDGE_ERR_CORRUPT},
        {"length inside the header", RIDGE_FORMAT_ISO2005, 11, 10, RIDGE_ERR_CORRUPT},
        {"count one too many", RIDGE_FORMAT_ISO2005, 27, 4, RIDGE_ERR_CORRUPT},
        {"count one too few", RIDGE_FORMAT_ISO2005, 27, 2, RIDGE_ERR_CORRUPT},
        {"count 255", RIDGE_FORMAT_ISO2005, 27, 255, RIDGE_ERR_CORRUPT},
        {"views announced but absent", RIDGE_FORMAT_ISO2005, 22, 2, RIDGE_ERR_CORRUPT},
        {"no views", RIDGE_FORMAT_ISO2005, 22, 0, RIDGE_ERR_CORRUPT},
        {"extended data beyond", RIDGE_FORMAT_ISO2005, 47, 1, RIDGE_ERR_CORRUPT},
        {"resolution 0", RIDGE_FORMAT_ISO2005, 19, 0, FPT_ERR_FMR_RESOLUTION},
        {"cut in the minutiae", RIDGE_FORMAT_ISO2005, 40, -1, RIDGE_ERR_CORRUPT},
        {"ANSI length beyond", RIDGE_FORMAT_ANSI378_2004, 9, 51, RIDGE_ERR_CORRUPT},
        {"ANSI length 0 and no long form", RIDGE_FORMAT_ANSI378_2004, 9, 0, RIDGE_ERR_CORRUPT},
        {"ANSI angle 181 units", RIDGE_FORMAT_ANSI378_2004, 30 + 4, 181, RIDGE_ERR_CORRUPT},
        {"ANSI count lies", RIDGE_FORMAT_ANSI378_2004, 29, 9, RIDGE_ERR_CORRUPT},
        {"ANSI resolution 0", RIDGE_FORMAT_ANSI378_2004, 21, 0, FPT_ERR_FMR_RESOLUTION},
        {"ANSI 2004 version 030", RIDGE_FORMAT_ANSI378_2004, 4, '0', FPT_ERR_FMR_VERSION},
        {"2009 views lie", RIDGE_FORMAT_ANSI378_2009, 18, 3, RIDGE_ERR_CORRUPT},
        {"2009 count lies", RIDGE_FORMAT_ANSI378_2009, 32, 0, RIDGE_ERR_CORRUPT},
        {"2009 resolution 0", RIDGE_FORMAT_ANSI378_2009, 29, 0, FPT_ERR_FMR_RESOLUTION},
        {"2011 representations lie", RIDGE_FORMAT_ISO2011, 13, 2, RIDGE_ERR_CORRUPT},
        {"2011 certification flag 2", RIDGE_FORMAT_ISO2011, 14, 2, RIDGE_ERR_CORRUPT},
        {"2011 representation length beyond", RIDGE_FORMAT_ISO2011, 18, 200, RIDGE_ERR_CORRUPT},
        {"2011 representation length short", RIDGE_FORMAT_ISO2011, 18, 20, RIDGE_ERR_CORRUPT},
        {"2011 field length 7", RIDGE_FORMAT_ISO2011, 50, 7 << 4, RIDGE_ERR_CORRUPT},
        {"2011 count lies", RIDGE_FORMAT_ISO2011, 51, 4, RIDGE_ERR_CORRUPT},
        {"2011 certification flag set without blocks", RIDGE_FORMAT_ISO2011, 14, 1, RIDGE_ERR_CORRUPT},
        {"card of 8 bytes", RIDGE_FORMAT_ISO_CARD, 8, -1, RIDGE_ERR_CORRUPT},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bytes = write_record(minutiae, c.format, &info);
        ASSERT_LT(c.offset, bytes.size());
        if (c.value < 0)
            bytes.resize(c.offset);
        else
            bytes[c.offset] = static_cast<unsigned char>(c.value);
        const ReadResult result = read_record(bytes, c.format);
        EXPECT_EQ(result.status, c.status) << result.message;
        EXPECT_FALSE(result.message.empty());
    }
}

// Every prefix of a valid record is refused, and so is one byte more in
// the length than there is; bytes after the stated length are ignored.
TEST(RecordRefusals, TruncatedRecordsAreRefusedAtEveryLength)
{
    const std::vector<RawMinutia> minutiae = {{1, 10, 20, 90}, {2, 30, 40, 180}};
    for (const int32_t format : kHeaderFormats) {
        SCOPED_TRACE(ridge_record_format_name(format));
        const Bytes whole = write_record(minutiae, format);
        for (std::size_t n = 0; n < whole.size(); ++n) {
            const Bytes prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
            EXPECT_NE(read_record(prefix, format).status, RIDGE_OK) << n << " bytes";
        }
        Bytes longer = whole;
        longer.push_back(0xee);
        EXPECT_EQ(read_record(longer, format).status, RIDGE_OK) << "a trailing byte is ignored";
    }
}

TEST(RecordRefusals, ViewsBeyondTheTemplateAndBadArguments)
{
    // A view of 129 minutiae does not fit a raw template.
    Builder big;
    big.text("FMR\0 20\0", 8).u32(24 + 4 + 6 * 129 + 2).u16(0).u16(0).u16(0).u16(197).u16(197);
    big.u8(1).u8(0).u8(0).u8(0).u8(0).u8(129);
    for (unsigned i = 0; i < 129; ++i)
        big.minutia(1, i, i, 0, 0);
    big.u16(0);
    EXPECT_EQ(read_record(big.bytes, RIDGE_FORMAT_ISO2005).status, FPT_ERR_SIZE);
    // 16383 at 100 pixels per cm is beyond 16383 at 197.
    Builder far;
    far.text("FMR\0 20\0", 8).u32(24 + 4 + 6 + 2).u16(0).u16(0).u16(0).u16(100).u16(100);
    far.u8(1).u8(0).u8(0).u8(0).u8(0).u8(1).minutia(1, 16383, 0, 0, 0).u16(0);
    EXPECT_EQ(read_record(far.bytes, RIDGE_FORMAT_ISO2005).status, FPT_ERR_SIZE);

    const Bytes good = write_record({{1, 1, 1, 0}}, RIDGE_FORMAT_ISO2005);
    EXPECT_EQ(read_record(good, RIDGE_FORMAT_ISO2005, -1).status, RIDGE_ERR_ARGUMENT);
    EXPECT_EQ(read_record(good, RIDGE_FORMAT_ISO2005, 1).status, RIDGE_ERR_NOT_FOUND);
    EXPECT_EQ(read_record(good, 99).status, RIDGE_ERR_UNSUPPORTED);
    EXPECT_EQ(read_record(good, FPT_FORMAT_PACKED).status, RIDGE_ERR_UNSUPPORTED);
    EXPECT_EQ(read_record(write_record({{1, 1, 1, 0}}, RIDGE_FORMAT_ISO_CARD), RIDGE_FORMAT_ISO_CARD, 1).status,
              RIDGE_ERR_NOT_FOUND);
    EXPECT_EQ(read_record(Bytes{}, RIDGE_FORMAT_ISO_CARD).status, RIDGE_OK) << "an empty card";

    TemplateBuffer in_use{reinterpret_cast<unsigned char *>(&in_use), 0, 0};
    EXPECT_EQ(ridge_record_read(good.data(), good.size(), RIDGE_FORMAT_ISO2005, 0, &in_use, nullptr),
              FPT_ERR_OUTPUT_IN_USE);
    EXPECT_EQ(ridge_record_read(nullptr, 5, RIDGE_FORMAT_ISO2005, 0, &in_use, nullptr), RIDGE_ERR_ARGUMENT);
    EXPECT_EQ(ridge_record_read(good.data(), good.size(), RIDGE_FORMAT_ISO2005, 0, nullptr, nullptr),
              RIDGE_ERR_ARGUMENT);
}

TEST(RecordRefusals, WriterChecksItsInputAndHeaderValues)
{
    struct Case {
        const char *what;
        std::vector<RawMinutia> minutiae;
        int32_t format;
        ridge_record_info info;
        int32_t status;
    };
    const std::vector<RawMinutia> one = {{1, 10, 10, 10}};
    const Case cases[] = {
        {"quality 101", one, RIDGE_FORMAT_ISO2005, {0, 0, 0, 0, 101, 0, 0, 0, 0}, FPT_ERR_QUALITY},
        {"finger 11", one, RIDGE_FORMAT_ISO2011, {0, 0, 11, 0, 0, 0, 0, 0, 0}, FPT_ERR_FINGER_POSITION},
        {"impression 4", one, RIDGE_FORMAT_ANSI378_2009, {0, 0, 0, 4, 0, 0, 0, 0, 0}, FPT_ERR_IMPRESSION},
        {"width 65536", one, RIDGE_FORMAT_ISO2005, {65536, 0, 0, 0, 0, 0, 0, 0, 0}, RIDGE_ERR_ARGUMENT},
        {"view 16", one, RIDGE_FORMAT_ISO2005, {0, 0, 0, 0, 0, 16, 0, 0, 0}, RIDGE_ERR_ARGUMENT},
        {"angle 361", {{1, 0, 0, 361}}, RIDGE_FORMAT_ISO2005, {}, FPT_ERR_SIZE},
        {"negative x", {{1, -1, 0, 0}}, RIDGE_FORMAT_ANSI378_2004, {}, FPT_ERR_SIZE},
        {"x 16384", {{1, 16384, 0, 0}}, RIDGE_FORMAT_ISO2011, {}, FPT_ERR_SIZE},
        {"card y 503", {{1, 0, 503, 0}}, RIDGE_FORMAT_ISO_CARD, {}, FPT_ERR_SIZE},
        {"129 minutiae", std::vector<RawMinutia>(129, RawMinutia{1, 1, 1, 1}), RIDGE_FORMAT_ISO2005, {},
         FPT_ERR_SIZE},
        {"unknown format", one, 3, {}, RIDGE_ERR_UNSUPPORTED},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        int32_t status = 0;
        const Bytes bytes = write_record(c.minutiae, c.format, &c.info, &status);
        EXPECT_EQ(status, c.status);
        EXPECT_TRUE(bytes.empty());
    }
    int32_t status = 0;
    EXPECT_EQ(write_record({{1, 0, 502, 0}}, RIDGE_FORMAT_ISO_CARD, nullptr, &status).size(), 3u);
    EXPECT_EQ(status, RIDGE_OK) << "502 pixels is the card's last coordinate";

    Bytes block = ridge_test::raw_block(one);
    TemplateBuffer packed = ridge_test::input_record(block, FPT_FORMAT_PACKED);
    TemplateBuffer out{nullptr, 0, 0};
    EXPECT_EQ(ridge_record_write(&packed, RIDGE_FORMAT_ISO2005, nullptr, &out), FPT_ERR_FORMAT);
    TemplateBuffer raw = ridge_test::input_record(block, FPT_FORMAT_RAW);
    TemplateBuffer in_use{block.data(), 0, 0};
    EXPECT_EQ(ridge_record_write(&raw, RIDGE_FORMAT_ISO2005, nullptr, &in_use), FPT_ERR_OUTPUT_IN_USE);
    EXPECT_EQ(ridge_record_write(nullptr, RIDGE_FORMAT_ISO2005, nullptr, &out), RIDGE_ERR_ARGUMENT);
    EXPECT_EQ(out.data, nullptr);
}

TEST(RecordDetection, EachFormatIsToldFromItsBytes)
{
    const std::vector<RawMinutia> minutiae = {{1, 10, 20, 90}, {2, 30, 40, 180}};
    for (const int32_t format : kHeaderFormats) {
        SCOPED_TRACE(ridge_record_format_name(format));
        const Bytes bytes = write_record(minutiae, format);
        int32_t detected = 0;
        ASSERT_EQ(ridge_record_detect(bytes.data(), bytes.size(), &detected), RIDGE_OK);
        EXPECT_EQ(detected, format);
    }
    int32_t detected = -1;
    const Bytes card = write_record(minutiae, RIDGE_FORMAT_ISO_CARD);
    EXPECT_EQ(ridge_record_detect(card.data(), card.size(), &detected), RIDGE_ERR_UNSUPPORTED);
    Bytes cut = write_record(minutiae, RIDGE_FORMAT_ISO2005);
    cut.pop_back();
    EXPECT_EQ(ridge_record_detect(cut.data(), cut.size(), &detected), RIDGE_ERR_UNSUPPORTED);
    EXPECT_NE(std::string(ridge_last_error()).find("iso2005"), std::string::npos) << ridge_last_error();
    EXPECT_EQ(detected, -1);
    // A successful detection leaves the last message alone, though it
    // tries a format that fails first.
    const Bytes iso = write_record(minutiae, RIDGE_FORMAT_ISO2005);
    const std::string before = ridge_last_error();
    EXPECT_EQ(ridge_record_detect(iso.data(), iso.size(), &detected), RIDGE_OK);
    EXPECT_EQ(before, ridge_last_error());
    EXPECT_STREQ(ridge_record_format_name(RIDGE_FORMAT_ISO_CARD), "iso-card");
    EXPECT_EQ(ridge_record_format_name(0), nullptr);
}

// The real templates of the shared data, each written in every format and
// read back within the stated loss; the 2004 ANSI record is byte for byte
// that of RawFPT_2_FMR378FPT.
TEST(RecordRealTemplates, WrittenAndReadBackWithinTheStatedLoss)
{
    const std::vector<std::string> sets = ridge_test::shared_image_sets();
    if (sets.empty())
        GTEST_SKIP() << "shared data absent";
    int templates = 0, cards = 0;
    for (const std::string &set : sets) {
        std::vector<std::string> images = ridge_test::shared_set_images(set);
        for (std::size_t i = 0; i < images.size(); i += 8) { // the first impression of each finger
            ridge_test::GreyImage image;
            ASSERT_TRUE(ridge_test::load_grey_bmp(images[i], image)) << images[i];
            ridge_test::OwnedRecord raw;
            ASSERT_EQ(generateRawFPT(image.pixels.data(), image.width, image.height, &raw.record), FPT_OK);
            const std::vector<RawMinutia> minutiae = ridge_test::raw_minutiae(raw.record.data, raw.record.size);
            ++templates;
            ridge_record_info info{};
            info.image_width = image.width;
            info.image_height = image.height;
            info.finger_quality = 60;
            for (const int32_t format : kAllFormats) {
                SCOPED_TRACE(images[i] + " as " + ridge_record_format_name(format));
                int32_t status = 0;
                const Bytes bytes = write_record(minutiae, format, &info, &status);
                const bool beyond_card = std::any_of(minutiae.begin(), minutiae.end(),
                                                     [](const RawMinutia &m) { return m.x > 502 || m.y > 502; });
                if (format == RIDGE_FORMAT_ISO_CARD && beyond_card) {
                    EXPECT_EQ(status, FPT_ERR_SIZE);
                    continue;
                }
                ASSERT_EQ(status, RIDGE_OK) << ridge_last_error();
                cards += format == RIDGE_FORMAT_ISO_CARD;
                const ReadResult back = read_record(bytes, format);
                ASSERT_EQ(back.status, RIDGE_OK) << back.message;
                ASSERT_EQ(back.minutiae.size(), minutiae.size());
                const int angle_loss = format == RIDGE_FORMAT_ISO_CARD ? 3 : 1;
                const int position_loss = format == RIDGE_FORMAT_ISO_CARD ? 1 : 0;
                for (std::size_t k = 0; k < minutiae.size(); ++k) {
                    EXPECT_EQ(back.minutiae[k].type, minutiae[k].type);
                    EXPECT_LE(std::abs(back.minutiae[k].x - minutiae[k].x), position_loss);
                    EXPECT_LE(std::abs(back.minutiae[k].y - minutiae[k].y), position_loss);
                    EXPECT_LE(circular_error(back.minutiae[k].angle, minutiae[k].angle), angle_loss);
                }
                if (format != RIDGE_FORMAT_ISO_CARD) {
                    EXPECT_EQ(back.info.image_width, image.width);
                    EXPECT_EQ(back.info.image_height, image.height);
                    EXPECT_EQ(back.info.finger_quality, 60);
                }
                if (format == RIDGE_FORMAT_ANSI378_2004) {
                    ridge_test::OwnedRecord core;
                    ASSERT_EQ(RawFPT_2_FMR378FPT(&raw.record, 60, 0, 0, image.height, image.width, &core.record),
                              FPT_OK);
                    EXPECT_EQ(bytes, core.bytes());
                }
            }
        }
    }
    EXPECT_GT(templates, 0);
    EXPECT_GT(cards, 0);
}

} // namespace
