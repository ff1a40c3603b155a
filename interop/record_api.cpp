// The ridge_record_* functions: raw templates to and from the interchange
// records of interop/minutiae_records.h.
#include "ext/ext_status.h"
#include "formats/output_block.h"
#include "formats/raw_minutiae.h"
#include "interop/minutia_units.h"
#include "interop/minutiae_records.h"
#include "ridgeinterop.h"

#include <cstring>

namespace ridge {
namespace interop {

namespace {

bool is_impression_type(std::int32_t value)
{
    return (value >= 0 && value <= 3) || value == 8 || value == 9;
}

int32_t check_info(const ridge_record_info &info)
{
    if (info.finger_quality < 0 || info.finger_quality > 100)
        return fail(FPT_ERR_QUALITY, "finger quality %d is outside 0..100",
                    static_cast<int>(info.finger_quality));
    if (info.finger_position < 0 || info.finger_position > 10)
        return fail(FPT_ERR_FINGER_POSITION, "finger position %d is outside 0..10",
                    static_cast<int>(info.finger_position));
    if (!is_impression_type(info.impression_type))
        return fail(FPT_ERR_IMPRESSION, "impression type %d is not one of 0, 1, 2, 3, 8, 9",
                    static_cast<int>(info.impression_type));
    if (info.image_width < 0 || info.image_width > 0xffff || info.image_height < 0 ||
        info.image_height > 0xffff)
        return fail(RIDGE_ERR_ARGUMENT, "image size %d x %d is outside 0..65535",
                    static_cast<int>(info.image_width), static_cast<int>(info.image_height));
    if (info.view_number < 0 || info.view_number > 15)
        return fail(RIDGE_ERR_ARGUMENT, "view number %d is outside 0..15",
                    static_cast<int>(info.view_number));
    return RIDGE_OK;
}

// The minutiae of a checked raw template in the record's units.
int32_t record_minutiae(const TemplateBuffer &raw, std::int32_t format, FingerView &view)
{
    const std::size_t count = raw_minutia_count(raw.size);
    view.minutiae.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const RawMinutia m = read_raw_minutia(raw.data, i);
        RecordMinutia &r = view.minutiae[i];
        r.type_bits = m.type == FPT_MINUTIA_BIFURCATION ? 2u : 1u;
        switch (format) {
        case RIDGE_FORMAT_ISO_CARD:
            if (m.x > kMaxCardPixels || m.y > kMaxCardPixels)
                return fail(FPT_ERR_SIZE,
                            "minutia %zu lies at (%d, %d), beyond the 502 pixels (25.5 mm) a "
                            "compact card record can hold",
                            i + 1, static_cast<int>(m.x), static_cast<int>(m.y));
            r.x = card_units(m.x);
            r.y = card_units(m.y);
            r.angle = card_angle_units(m.angle);
            break;
        case RIDGE_FORMAT_ISO2005:
        case RIDGE_FORMAT_ISO2011:
            r.x = static_cast<std::uint32_t>(m.x);
            r.y = static_cast<std::uint32_t>(m.y);
            r.angle = iso_angle_units(m.angle);
            break;
        default:
            r.x = static_cast<std::uint32_t>(m.x);
            r.y = static_cast<std::uint32_t>(m.y);
            r.angle = ansi_angle_units(m.angle);
            break;
        }
    }
    return RIDGE_OK;
}

int32_t write_record(const TemplateBuffer *raw, std::int32_t format, const ridge_record_info *info,
                     TemplateBuffer *record)
{
    if (raw == nullptr || record == nullptr)
        return fail(RIDGE_ERR_ARGUMENT, "ridge_record_write: no template or no output record given");
    if (record->data != nullptr)
        return fail(FPT_ERR_OUTPUT_IN_USE, "ridge_record_write: the output record is not empty");
    if (!is_record_format(format))
        return fail(RIDGE_ERR_UNSUPPORTED, "unknown record format %d", static_cast<int>(format));
    const int32_t template_status = ridge_check_template(raw);
    if (template_status != RIDGE_OK)
        return template_status; // with its message
    const ridge_record_info values = info != nullptr ? *info : ridge_record_info{};
    const int32_t info_status = check_info(values);
    if (info_status != RIDGE_OK)
        return info_status;

    FingerView view;
    view.finger_position = static_cast<std::uint32_t>(values.finger_position);
    view.view_number = static_cast<std::uint32_t>(values.view_number);
    view.impression_type = static_cast<std::uint32_t>(values.impression_type);
    view.finger_quality = static_cast<std::uint32_t>(values.finger_quality);
    view.image_width = static_cast<std::uint32_t>(values.image_width);
    view.image_height = static_cast<std::uint32_t>(values.image_height);
    const int32_t minutiae_status = record_minutiae(*raw, format, view);
    if (minutiae_status != RIDGE_OK)
        return minutiae_status;

    const std::vector<unsigned char> bytes = serialise_record(format, view);
    unsigned char *block = allocate_output_block(bytes.size());
    if (block == nullptr)
        return fail(RIDGE_ERR_NO_MEMORY, "no memory for a record of %zu bytes", bytes.size());
    if (!bytes.empty())
        std::memcpy(block, bytes.data(), bytes.size());
    record->data = block;
    record->size = static_cast<std::uint32_t>(bytes.size());
    record->format = format;
    return RIDGE_OK;
}

// A coordinate of the record in pixels at 500 ppi.
std::int64_t raw_coordinate(std::int32_t format, std::uint32_t value, std::uint32_t resolution)
{
    if (format == RIDGE_FORMAT_ISO_CARD)
        return card_pixels(value);
    return to_record_resolution(value, resolution);
}

int32_t read_record(const unsigned char *bytes, std::size_t size, std::int32_t format,
                    std::int32_t view_index, TemplateBuffer *raw, ridge_record_info *info)
{
    if (raw == nullptr || (bytes == nullptr && size > 0))
        return fail(RIDGE_ERR_ARGUMENT, "ridge_record_read: no record or no output template given");
    if (raw->data != nullptr)
        return fail(FPT_ERR_OUTPUT_IN_USE, "ridge_record_read: the output template is not empty");
    if (view_index < 0)
        return fail(RIDGE_ERR_ARGUMENT, "view %d does not exist (the first is 0)",
                    static_cast<int>(view_index));
    std::vector<FingerView> views;
    const Outcome outcome = parse_record(format, bytes, size, views);
    if (!outcome.ok())
        return failWith(outcome.status, outcome.message);
    if (static_cast<std::size_t>(view_index) >= views.size())
        return fail(RIDGE_ERR_NOT_FOUND, "record holds %zu finger view%s; view %d does not exist",
                    views.size(), views.size() == 1 ? "" : "s", static_cast<int>(view_index));
    const FingerView &view = views[static_cast<std::size_t>(view_index)];
    const std::size_t count = view.minutiae.size();
    if (count > FPT_MAX_MINUTIAE)
        return fail(FPT_ERR_SIZE, "view %d holds %zu minutiae; a template holds at most %d",
                    static_cast<int>(view_index), count, FPT_MAX_MINUTIAE);

    std::vector<RawMinutia> minutiae(count);
    for (std::size_t i = 0; i < count; ++i) {
        const RecordMinutia &r = view.minutiae[i];
        const std::int64_t x = raw_coordinate(format, r.x, view.resolution_x);
        const std::int64_t y = raw_coordinate(format, r.y, view.resolution_y);
        if (x > kMaxRecordCoordinate || y > kMaxRecordCoordinate)
            return fail(FPT_ERR_SIZE,
                        "minutia %zu lies at (%lld, %lld) once taken to 500 ppi, beyond 16383",
                        i + 1, static_cast<long long>(x), static_cast<long long>(y));
        std::int32_t angle = 0;
        switch (format) {
        case RIDGE_FORMAT_ISO_CARD: angle = card_angle_degrees(r.angle); break;
        case RIDGE_FORMAT_ISO2005:
        case RIDGE_FORMAT_ISO2011: angle = iso_angle_degrees(r.angle); break;
        default: angle = ansi_angle_degrees(r.angle); break;
        }
        minutiae[i] = RawMinutia{r.type_bits == 2 ? FPT_MINUTIA_BIFURCATION : FPT_MINUTIA_RIDGE_ENDING,
                                 static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), angle};
    }
    unsigned char *block = allocate_output_block(count * kRawMinutiaBytes);
    if (block == nullptr)
        return fail(RIDGE_ERR_NO_MEMORY, "no memory for a template of %zu minutiae", count);
    for (std::size_t i = 0; i < count; ++i)
        write_raw_minutia(block, i, minutiae[i]);
    raw->data = block;
    raw->size = static_cast<std::uint32_t>(count * kRawMinutiaBytes);
    raw->format = FPT_FORMAT_RAW;

    if (info != nullptr) {
        const bool card = format == RIDGE_FORMAT_ISO_CARD;
        const auto clamp = [](std::int64_t v) {
            return static_cast<std::int32_t>(v > 0x7fffffff ? 0x7fffffff : v);
        };
        info->image_width = card ? 0 : clamp(to_record_resolution(view.image_width, view.resolution_x));
        info->image_height =
            card ? 0 : clamp(to_record_resolution(view.image_height, view.resolution_y));
        info->finger_position = static_cast<std::int32_t>(view.finger_position);
        info->impression_type = static_cast<std::int32_t>(view.impression_type);
        info->finger_quality = static_cast<std::int32_t>(view.finger_quality);
        info->view_number = static_cast<std::int32_t>(view.view_number);
        info->view_count = static_cast<std::int32_t>(views.size());
        info->record_resolution_x = static_cast<std::int32_t>(view.resolution_x);
        info->record_resolution_y = static_cast<std::int32_t>(view.resolution_y);
    }
    return RIDGE_OK;
}

int32_t detect_record(const unsigned char *bytes, std::size_t size, std::int32_t *format)
{
    if (format == nullptr || (bytes == nullptr && size > 0))
        return fail(RIDGE_ERR_ARGUMENT, "ridge_record_detect: no record or no result given");
    static const unsigned char kVersion20[8] = {'F', 'M', 'R', 0, ' ', '2', '0', 0};
    static const unsigned char kVersion30[8] = {'F', 'M', 'R', 0, '0', '3', '0', 0};
    std::int32_t candidates[2] = {0, 0};
    if (size >= 8 && std::memcmp(bytes, kVersion20, 8) == 0) {
        candidates[0] = RIDGE_FORMAT_ANSI378_2004;
        candidates[1] = RIDGE_FORMAT_ISO2005;
    } else if (size >= 8 && std::memcmp(bytes, kVersion30, 8) == 0) {
        candidates[0] = RIDGE_FORMAT_ISO2011;
        candidates[1] = RIDGE_FORMAT_ANSI378_2009;
    } else {
        return fail(RIDGE_ERR_UNSUPPORTED,
                    "not a finger minutiae record of a known version (no \"FMR\" with \" 20\" or "
                    "\"030\")");
    }
    std::string reasons;
    for (const std::int32_t candidate : candidates) {
        std::vector<FingerView> views;
        const Outcome outcome = parse_record(candidate, bytes, size, views);
        if (outcome.ok()) {
            *format = candidate;
            return RIDGE_OK;
        }
        reasons += std::string(reasons.empty() ? "" : "; ") + "as " +
                   record_format_name(candidate) + ": " + outcome.message;
    }
    return failWith(RIDGE_ERR_UNSUPPORTED, "record reads as no known format (" + reasons + ")");
}

} // namespace
} // namespace interop
} // namespace ridge

extern "C" {

RIDGE_API int32_t ridge_record_write(const TemplateBuffer *raw, int32_t format,
                                     const ridge_record_info *info, TemplateBuffer *record)
{
    return ridge::guarded("ridge_record_write", [&] {
        return ridge::interop::write_record(raw, format, info, record);
    });
}

RIDGE_API int32_t ridge_record_read(const unsigned char *bytes, size_t size, int32_t format,
                                    int32_t view, TemplateBuffer *raw, ridge_record_info *info)
{
    return ridge::guarded("ridge_record_read", [&] {
        return ridge::interop::read_record(bytes, size, format, view, raw, info);
    });
}

RIDGE_API int32_t ridge_record_detect(const unsigned char *bytes, size_t size, int32_t *format)
{
    return ridge::guarded("ridge_record_detect", [&] {
        return ridge::interop::detect_record(bytes, size, format);
    });
}

RIDGE_API const char *ridge_record_format_name(int32_t format)
{
    return ridge::interop::record_format_name(format);
}

}
