#include "interop/minutiae_records.h"

#include <cstring>

namespace ridge {
namespace interop {

namespace {

const unsigned char kFormatId[4] = {'F', 'M', 'R', 0};
const unsigned char kVersion20[4] = {' ', '2', '0', 0};
const unsigned char kVersion30[4] = {'0', '3', '0', 0};

constexpr std::size_t kAnsi2004ShortHeader = 26;
constexpr std::size_t kAnsi2004LongHeader = 30;
constexpr std::size_t kIso2005Header = 24;
constexpr std::size_t kAnsi2009Header = 20;
constexpr std::size_t kIso2011Header = 15;
constexpr std::size_t kViewHeader2004 = 4; // position, view/impression, quality, count
constexpr std::size_t kViewHeader2009 = 13;
constexpr std::size_t kMinutiaBytes = 6;
constexpr std::size_t kCardMinutiaBytes = 3;
constexpr std::size_t kExtendedLengthBytes = 2;
constexpr std::uint32_t kMaxAnsiAngleUnits = 180; // 360 degrees, as the SDK writes it
constexpr std::uint32_t kIso2011QualityNotReported = 254;
constexpr std::uint32_t kIso2011RidgeEndingType = 0;
constexpr std::uint16_t kCbeffOwner = 0x0001; // as the FMR378 converter writes it

// Reads big-endian fields from [begin, end) of a record; every read is
// preceded by a check of what is left.
class Cursor {
public:
    Cursor(const unsigned char *bytes, std::size_t position, std::size_t end)
        : bytes_(bytes), position_(position), end_(end)
    {
    }
    std::size_t position() const { return position_; }
    std::size_t left() const { return end_ - position_; }
    bool holds(std::size_t count) const { return left() >= count; }
    std::uint32_t u8() { return bytes_[position_++]; }
    std::uint32_t be16()
    {
        const std::uint32_t value = std::uint32_t(bytes_[position_]) << 8 | bytes_[position_ + 1];
        position_ += 2;
        return value;
    }
    std::uint32_t be32()
    {
        const std::uint32_t high = be16();
        return high << 16 | be16();
    }
    void skip(std::size_t count) { position_ += count; }
    // The bytes from here to end (not beyond this cursor's end), read apart.
    Cursor until(std::size_t end) const { return Cursor(bytes_, position_, end); }

private:
    const unsigned char *bytes_;
    std::size_t position_;
    std::size_t end_;
};

// The identifier and the version, in that order, with their own statuses.
Outcome check_identity(const unsigned char *bytes, std::size_t size, const unsigned char *version,
                       const char *format_name)
{
    if (size < 4 || std::memcmp(bytes, kFormatId, 4) != 0)
        return refuse(FPT_ERR_FMR_FORMAT_ID,
                      "not a finger minutiae record: it does not begin with \"FMR\"");
    if (size < 8)
        return refuse(RIDGE_ERR_CORRUPT, "record of %zu bytes ends inside its header", size);
    if (std::memcmp(bytes + 4, version, 4) != 0)
        return refuse(FPT_ERR_FMR_VERSION, "record version \"%.3s\" is not that of %s (\"%.3s\")",
                      reinterpret_cast<const char *>(bytes + 4), format_name,
                      reinterpret_cast<const char *>(version));
    return Outcome{};
}

// The record length against the header and the bytes given.
Outcome check_length(std::size_t length, std::size_t header, std::size_t size)
{
    if (length < header)
        return refuse(RIDGE_ERR_CORRUPT, "record length %zu is shorter than its %zu-byte header",
                      length, header);
    if (length > size)
        return refuse(RIDGE_ERR_CORRUPT,
                      "record length %zu exceeds the %zu bytes given: the record is truncated",
                      length, size);
    return Outcome{};
}

Outcome check_resolution(std::uint32_t x, std::uint32_t y, unsigned view)
{
    if (x == 0 || y == 0)
        return refuse(FPT_ERR_FMR_RESOLUTION, "view %u states a resolution of %u x %u pixels per cm",
                      view, x, y);
    return Outcome{};
}

enum class AngleUnits { TwoDegrees, Iso256 };

// Image size and resolution, in this order in the header of the 2004 and
// 2005 records and in each view of the 2009 record.
void read_image_fields(Cursor &cursor, FingerView &view)
{
    view.image_width = cursor.be16();
    view.image_height = cursor.be16();
    view.resolution_x = cursor.be16();
    view.resolution_y = cursor.be16();
}

// count minutiae of minutia_bytes each (6, or 5 without quality).
Outcome read_minutiae(Cursor &cursor, std::uint32_t count, std::size_t minutia_bytes,
                      AngleUnits units, unsigned view, FingerView &out)
{
    if (!cursor.holds(count * minutia_bytes))
        return refuse(RIDGE_ERR_CORRUPT,
                      "view %u announces %u minutiae but holds room for %zu: the count lies or "
                      "the record is truncated",
                      view, count, cursor.left() / minutia_bytes);
    out.minutiae.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        RecordMinutia &m = out.minutiae[i];
        const std::uint32_t type_and_x = cursor.be16();
        m.type_bits = type_and_x >> 14;
        m.x = type_and_x & 0x3fffu;
        m.y = cursor.be16() & 0x3fffu;
        m.angle = cursor.u8();
        m.quality = minutia_bytes > 5 ? cursor.u8() : 0;
        if (units == AngleUnits::TwoDegrees && m.angle > kMaxAnsiAngleUnits)
            return refuse(RIDGE_ERR_CORRUPT,
                          "minutia %u of view %u has an angle of %u two-degree units (at most 180)",
                          i + 1, view, m.angle);
    }
    return Outcome{};
}

Outcome skip_extended_data(Cursor &cursor, unsigned view)
{
    if (!cursor.holds(kExtendedLengthBytes))
        return refuse(RIDGE_ERR_CORRUPT, "view %u ends before its extended data length", view);
    const std::uint32_t length = cursor.be16();
    if (!cursor.holds(length))
        return refuse(RIDGE_ERR_CORRUPT,
                      "view %u has %u bytes of extended data but only %zu are left in the record",
                      view, length, cursor.left());
    cursor.skip(length);
    return Outcome{};
}

// What follows a view's header in every record: the minutiae, then the
// extended data, which is skipped.
Outcome read_view_content(Cursor &cursor, std::uint32_t minutiae, std::size_t minutia_bytes, AngleUnits units,
                          unsigned view, FingerView &out)
{
    Outcome outcome = read_minutiae(cursor, minutiae, minutia_bytes, units, view, out);
    return outcome.ok() ? skip_extended_data(cursor, view) : outcome;
}

// The 2004 ANSI and 2005 ISO records share their layout after the length:
// skipped bytes (the CBEFF product identifier the ANSI record has, the
// capture equipment), the image fields, the number of views, a reserved
// byte, then the views, which take image size and resolution from there.
Outcome read_2004_layout(Cursor &cursor, std::size_t skipped, AngleUnits units, std::vector<FingerView> &views)
{
    cursor.skip(skipped);
    FingerView common;
    read_image_fields(cursor, common);
    const std::uint32_t count = cursor.u8();
    cursor.skip(1); // reserved
    Outcome outcome = check_resolution(common.resolution_x, common.resolution_y, 0);
    for (unsigned v = 0; outcome.ok() && v < count; ++v) {
        if (!cursor.holds(kViewHeader2004))
            return refuse(RIDGE_ERR_CORRUPT,
                          "record announces %u views but ends inside view %u's header", count, v);
        FingerView view = common;
        view.finger_position = cursor.u8();
        const std::uint32_t view_and_impression = cursor.u8();
        view.view_number = view_and_impression >> 4;
        view.impression_type = view_and_impression & 0x0fu;
        view.finger_quality = cursor.u8();
        const std::uint32_t minutiae = cursor.u8();
        outcome = read_view_content(cursor, minutiae, kMinutiaBytes, units, v, view);
        if (outcome.ok())
            views.push_back(std::move(view));
    }
    return outcome;
}

Outcome read_ansi2004(Cursor &cursor, std::vector<FingerView> &views)
{
    return read_2004_layout(cursor, 4 + 2, AngleUnits::TwoDegrees, views);
}

Outcome read_iso2005(Cursor &cursor, std::vector<FingerView> &views)
{
    return read_2004_layout(cursor, 2, AngleUnits::Iso256, views);
}

Outcome read_ansi2009(Cursor &cursor, std::vector<FingerView> &views)
{
    cursor.skip(4 + 2); // CBEFF product identifier, capture equipment
    const std::uint32_t count = cursor.u8();
    cursor.skip(1); // reserved
    for (unsigned v = 0; v < count; ++v) {
        if (!cursor.holds(kViewHeader2009))
            return refuse(RIDGE_ERR_CORRUPT,
                          "record announces %u views but ends inside view %u's header", count, v);
        FingerView view;
        view.finger_position = cursor.u8();
        view.view_number = cursor.u8();
        view.impression_type = cursor.u8();
        view.finger_quality = cursor.u8();
        read_image_fields(cursor, view);
        const std::uint32_t minutiae = cursor.u8();
        Outcome outcome = check_resolution(view.resolution_x, view.resolution_y, v);
        if (outcome.ok())
            outcome = read_view_content(cursor, minutiae, kMinutiaBytes, AngleUnits::TwoDegrees, v, view);
        if (!outcome.ok())
            return outcome;
        views.push_back(std::move(view));
    }
    return Outcome{};
}

// One representation of a 2011 record, within [its start, its end).
Outcome read_representation_2011(Cursor &cursor, bool certified, unsigned v, FingerView &view)
{
    constexpr std::size_t kBeforeQuality = 9 + 1 + 2 + 2; // date and time, device
    constexpr std::size_t kAfterBlocks = 1 + 1 + 2 + 2 + 1 + 2 + 2 + 1 + 1;
    if (!cursor.holds(kBeforeQuality + 1))
        return refuse(RIDGE_ERR_CORRUPT, "representation %u ends inside its header", v);
    cursor.skip(kBeforeQuality);
    const std::uint32_t quality_blocks = cursor.u8();
    if (!cursor.holds(5 * std::size_t(quality_blocks)))
        return refuse(RIDGE_ERR_CORRUPT, "representation %u announces %u quality blocks it does not hold",
                      v, quality_blocks);
    for (std::uint32_t q = 0; q < quality_blocks; ++q) {
        const std::uint32_t score = cursor.u8();
        cursor.skip(4); // algorithm vendor and identifier
        if (q == 0 && score <= 100)
            view.finger_quality = score;
    }
    if (certified) {
        if (!cursor.holds(1))
            return refuse(RIDGE_ERR_CORRUPT, "representation %u ends before its certification blocks", v);
        const std::uint32_t certifications = cursor.u8();
        if (!cursor.holds(3 * std::size_t(certifications)))
            return refuse(RIDGE_ERR_CORRUPT,
                          "representation %u announces %u certification blocks it does not hold", v,
                          certifications);
        cursor.skip(3 * std::size_t(certifications));
    }
    if (!cursor.holds(kAfterBlocks))
        return refuse(RIDGE_ERR_CORRUPT, "representation %u ends inside its header", v);
    view.finger_position = cursor.u8();
    view.view_number = cursor.u8();
    view.resolution_x = cursor.be16();
    view.resolution_y = cursor.be16();
    view.impression_type = cursor.u8();
    view.image_width = cursor.be16();
    view.image_height = cursor.be16();
    const std::uint32_t field_length = cursor.u8() >> 4; // low 4 bits: ridge ending type
    const std::uint32_t minutiae = cursor.u8();
    if (field_length != 5 && field_length != 6)
        return refuse(RIDGE_ERR_CORRUPT, "representation %u has minutiae of %u bytes (5 or 6 expected)",
                      v, field_length);
    Outcome outcome = check_resolution(view.resolution_x, view.resolution_y, v);
    if (outcome.ok())
        outcome = read_view_content(cursor, minutiae, field_length, AngleUnits::Iso256, v, view);
    if (outcome.ok() && cursor.left() != 0)
        return refuse(RIDGE_ERR_CORRUPT, "representation %u has %zu bytes beyond its content", v,
                      cursor.left());
    return outcome;
}

Outcome read_iso2011(Cursor &cursor, std::vector<FingerView> &views)
{
    const std::uint32_t count = cursor.be16();
    const std::uint32_t certification_flag = cursor.u8();
    if (certification_flag > 1)
        return refuse(RIDGE_ERR_CORRUPT, "device certification flag is %u (0 or 1 expected)",
                      certification_flag);
    for (unsigned v = 0; v < count; ++v) {
        if (!cursor.holds(4))
            return refuse(RIDGE_ERR_CORRUPT,
                          "record announces %u representations but ends before representation %u",
                          count, v);
        const std::size_t start = cursor.position();
        const std::size_t representation_length = cursor.be32();
        if (representation_length < 4 || representation_length - 4 > cursor.left())
            return refuse(RIDGE_ERR_CORRUPT,
                          "representation %u claims %zu bytes but %zu are left in the record", v,
                          representation_length, cursor.left() + 4);
        Cursor inner = cursor.until(start + representation_length);
        FingerView view;
        const Outcome outcome = read_representation_2011(inner, certification_flag == 1, v, view);
        if (!outcome.ok())
            return outcome;
        cursor.skip(representation_length - 4);
        views.push_back(std::move(view));
    }
    return Outcome{};
}

// The records that begin with "FMR": the version, the header before the
// first view, the form of the length field at 8 (4 bytes, or the 2004 ANSI
// form: 2 bytes, or 0 there and 4 bytes at 10 with a longer header) and the
// reader of what follows the length.
struct FramedRecord {
    const unsigned char *version;
    const char *format_name;
    std::size_t header;
    bool two_byte_length;
    Outcome (*read)(Cursor &cursor, std::vector<FingerView> &views);
};

const FramedRecord kAnsi2004 = {kVersion20, "ANSI/INCITS 378-2004", kAnsi2004ShortHeader, true, read_ansi2004};
const FramedRecord kIso2005 = {kVersion20, "ISO/IEC 19794-2:2005", kIso2005Header, false, read_iso2005};
const FramedRecord kAnsi2009 = {kVersion30, "ANSI/INCITS 378-2009", kAnsi2009Header, false, read_ansi2009};
const FramedRecord kIso2011 = {kVersion30, "ISO/IEC 19794-2:2011", kIso2011Header, false, read_iso2011};

// The identifier, the version and the length are checked first; the
// record's reader then sees the bytes after the length, up to the length,
// and must account for every one of them.
Outcome parse_framed(const FramedRecord &record, const unsigned char *bytes, std::size_t size,
                     std::vector<FingerView> &views)
{
    Outcome outcome = check_identity(bytes, size, record.version, record.format_name);
    if (!outcome.ok())
        return outcome;
    std::size_t header = record.header;
    if (size < header)
        return refuse(RIDGE_ERR_CORRUPT, "record of %zu bytes ends inside its header", size);
    Cursor cursor(bytes, 8, size);
    std::size_t length = record.two_byte_length ? cursor.be16() : cursor.be32();
    if (record.two_byte_length && length == 0) { // the long form: four bytes of length follow
        header = kAnsi2004LongHeader;
        if (size < header)
            return refuse(RIDGE_ERR_CORRUPT, "record of %zu bytes ends inside its header", size);
        length = cursor.be32();
    }
    outcome = check_length(length, header, size);
    if (!outcome.ok())
        return outcome;
    cursor = cursor.until(length);
    outcome = record.read(cursor, views);
    if (outcome.ok() && cursor.left() != 0)
        return refuse(RIDGE_ERR_CORRUPT, "record length is %zu but its views end at byte %zu", length,
                      cursor.position());
    return outcome;
}

Outcome parse_card(const unsigned char *bytes, std::size_t size, std::vector<FingerView> &views)
{
    if (size % kCardMinutiaBytes != 0)
        return refuse(RIDGE_ERR_CORRUPT,
                      "compact card record of %zu bytes is not a whole number of 3-byte minutiae",
                      size);
    FingerView view;
    view.resolution_x = view.resolution_y = 0; // the card states none
    view.minutiae.resize(size / kCardMinutiaBytes);
    for (std::size_t i = 0; i < view.minutiae.size(); ++i) {
        const unsigned char *p = bytes + i * kCardMinutiaBytes;
        RecordMinutia &m = view.minutiae[i];
        m.x = p[0];
        m.y = p[1];
        m.type_bits = std::uint32_t(p[2]) >> 6;
        m.angle = p[2] & 0x3fu;
    }
    views.push_back(std::move(view));
    return Outcome{};
}

void put16(std::vector<unsigned char> &out, std::uint32_t value)
{
    out.push_back(static_cast<unsigned char>(value >> 8));
    out.push_back(static_cast<unsigned char>(value));
}

void put32(std::vector<unsigned char> &out, std::uint32_t value)
{
    put16(out, value >> 16);
    put16(out, value & 0xffffu);
}

// value into bytes big-endian bytes at at.
void set_big_endian(std::vector<unsigned char> &out, std::size_t at, std::size_t bytes, std::size_t value)
{
    for (std::size_t i = 0; i < bytes; ++i)
        out[at + i] = static_cast<unsigned char>(value >> (8 * (bytes - 1 - i)));
}

void put_u8(std::vector<unsigned char> &out, std::uint32_t value)
{
    out.push_back(static_cast<unsigned char>(value));
}

void put_minutiae(std::vector<unsigned char> &out, const FingerView &view, bool with_quality)
{
    for (const RecordMinutia &m : view.minutiae) {
        put16(out, m.type_bits << 14 | (m.x & 0x3fffu));
        put16(out, m.y & 0x3fffu);
        put_u8(out, m.angle);
        if (with_quality)
            put_u8(out, m.quality);
    }
}

// The identifier, the version and a zero length of length_bytes, set once
// the record is whole.
std::vector<unsigned char> start_record(const unsigned char *version, std::size_t length_bytes)
{
    std::vector<unsigned char> out(8 + length_bytes, 0);
    std::memcpy(out.data(), kFormatId, 4);
    std::memcpy(out.data() + 4, version, 4);
    return out;
}

// The image size and the resolution this code writes (read_image_fields).
void put_image_fields(std::vector<unsigned char> &out, const FingerView &view)
{
    put16(out, view.image_width);
    put16(out, view.image_height);
    put16(out, kRecordResolution);
    put16(out, kRecordResolution);
}

// The 2004 and 2005 view: its header, the minutiae, no extended data.
void put_view_2004(std::vector<unsigned char> &out, const FingerView &view)
{
    put_u8(out, view.finger_position);
    put_u8(out, view.view_number << 4 | (view.impression_type & 0x0fu));
    put_u8(out, view.finger_quality);
    put_u8(out, static_cast<std::uint32_t>(view.minutiae.size()));
    put_minutiae(out, view, true);
    put16(out, 0);
}

// The 2004 ANSI and 2005 ISO records, with one view: the layout
// read_2004_layout reads. The ANSI record's length takes 2 bytes (one view
// of at most 255 minutiae never needs the long form) and its header the
// CBEFF product identifier.
std::vector<unsigned char> serialise_2004_layout(const FingerView &view, bool ansi)
{
    const std::size_t length_bytes = ansi ? 2 : 4;
    std::vector<unsigned char> out = start_record(kVersion20, length_bytes);
    if (ansi) {
        put16(out, kCbeffOwner);
        put16(out, 0); // CBEFF product type
    }
    put16(out, 0); // capture equipment
    put_image_fields(out, view);
    put_u8(out, 1); // views
    put_u8(out, 0); // reserved
    put_view_2004(out, view);
    set_big_endian(out, 8, length_bytes, out.size());
    return out;
}

std::vector<unsigned char> serialise_ansi2009(const FingerView &view)
{
    std::vector<unsigned char> out = start_record(kVersion30, 4);
    put16(out, kCbeffOwner);
    put16(out, 0); // CBEFF product type
    put16(out, 0); // capture equipment
    put_u8(out, 1); // views
    put_u8(out, 0); // reserved
    put_u8(out, view.finger_position);
    put_u8(out, view.view_number);
    put_u8(out, view.impression_type);
    put_u8(out, view.finger_quality);
    put_image_fields(out, view);
    put_u8(out, static_cast<std::uint32_t>(view.minutiae.size()));
    put_minutiae(out, view, true);
    put16(out, 0);
    set_big_endian(out, 8, 4, out.size());
    return out;
}

std::vector<unsigned char> serialise_iso2011(const FingerView &view)
{
    std::vector<unsigned char> out = start_record(kVersion30, 4);
    put16(out, 1); // representations
    put_u8(out, 0); // no certification blocks
    const std::size_t start = out.size();
    put32(out, 0); // representation length, below
    // Capture date and time unknown: every byte 0xff (as this code reads the
    // standard's "not given" value; uncertain).
    out.insert(out.end(), 9, 0xff);
    put_u8(out, 0); // capture device technology: unknown
    put16(out, 0);  // device vendor
    put16(out, 0);  // device type
    if (view.finger_quality > 0) {
        put_u8(out, 1);
        put_u8(out, view.finger_quality);
        put16(out, 0); // quality algorithm vendor
        put16(out, 0); // quality algorithm
    } else {
        put_u8(out, 0);
    }
    put_u8(out, view.finger_position);
    put_u8(out, view.view_number);
    put16(out, kRecordResolution);
    put16(out, kRecordResolution);
    put_u8(out, view.impression_type);
    put16(out, view.image_width);
    put16(out, view.image_height);
    put_u8(out, 6u << 4 | kIso2011RidgeEndingType);
    put_u8(out, static_cast<std::uint32_t>(view.minutiae.size()));
    FingerView with_quality = view;
    for (RecordMinutia &m : with_quality.minutiae)
        m.quality = kIso2011QualityNotReported;
    put_minutiae(out, with_quality, true);
    put16(out, 0);
    set_big_endian(out, start, 4, out.size() - start);
    set_big_endian(out, 8, 4, out.size());
    return out;
}

std::vector<unsigned char> serialise_card(const FingerView &view)
{
    std::vector<unsigned char> out;
    for (const RecordMinutia &m : view.minutiae) {
        put_u8(out, m.x);
        put_u8(out, m.y);
        put_u8(out, (m.type_bits & 3u) << 6 | (m.angle & 0x3fu));
    }
    return out;
}

} // namespace

bool is_record_format(std::int32_t format) { return record_format_name(format) != nullptr; }

const char *record_format_name(std::int32_t format)
{
    switch (format) {
    case RIDGE_FORMAT_ANSI378_2004: return "fmr378";
    case RIDGE_FORMAT_ISO2005: return "iso2005";
    case RIDGE_FORMAT_ISO_CARD: return "iso-card";
    case RIDGE_FORMAT_ANSI378_2009: return "ansi2009";
    case RIDGE_FORMAT_ISO2011: return "iso2011";
    default: return nullptr;
    }
}

Outcome parse_record(std::int32_t format, const unsigned char *bytes, std::size_t size,
                     std::vector<FingerView> &views)
{
    if (bytes == nullptr && size > 0)
        return refuse(RIDGE_ERR_ARGUMENT, "record of %zu bytes has no data", size);
    static const unsigned char kNothing[1] = {0};
    if (bytes == nullptr)
        bytes = kNothing;
    switch (format) {
    case RIDGE_FORMAT_ANSI378_2004: return parse_framed(kAnsi2004, bytes, size, views);
    case RIDGE_FORMAT_ISO2005: return parse_framed(kIso2005, bytes, size, views);
    case RIDGE_FORMAT_ISO_CARD: return parse_card(bytes, size, views);
    case RIDGE_FORMAT_ANSI378_2009: return parse_framed(kAnsi2009, bytes, size, views);
    case RIDGE_FORMAT_ISO2011: return parse_framed(kIso2011, bytes, size, views);
    default: return refuse(RIDGE_ERR_UNSUPPORTED, "unknown record format %d", static_cast<int>(format));
    }
}

std::vector<unsigned char> serialise_record(std::int32_t format, const FingerView &view)
{
    switch (format) {
    case RIDGE_FORMAT_ANSI378_2004: return serialise_2004_layout(view, true);
    case RIDGE_FORMAT_ISO2005: return serialise_2004_layout(view, false);
    case RIDGE_FORMAT_ISO_CARD: return serialise_card(view);
    case RIDGE_FORMAT_ANSI378_2009: return serialise_ansi2009(view);
    case RIDGE_FORMAT_ISO2011: return serialise_iso2011(view);
    default: return {};
    }
}

} // namespace interop
} // namespace ridge
