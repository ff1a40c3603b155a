// The four template converters. Each refuses missing arguments first, then
// checks its arguments in its fixed order, then hands the encoding to
// formats/.
#include "ridgesdk.h"

#include "formats/fmr378_record.h"
#include "formats/packed_template.h"
#include "formats/raw_minutiae.h"
#include "sdk/template_checks.h"

extern "C" {

RIDGESDK_API SdkStatus RawFPT_2_PackedFTP(const TemplateBuffer *raw, TemplateBuffer *packed)
{
    if (raw == nullptr || packed == nullptr || ridge::recordWithoutData(*raw))
        return FPT_FAILED;
    if (packed->data != nullptr)
        return FPT_ERR_OUTPUT_IN_USE;
    if (raw->format != FPT_FORMAT_RAW)
        return FPT_ERR_FORMAT;
    if (raw->size > ridge::kMaxRawBytes)
        return FPT_ERR_SIZE;
    return ridge::pack_raw_template(*raw, *packed);
}

RIDGESDK_API SdkStatus PackedFTP_2_RawFPT(const TemplateBuffer *packed, TemplateBuffer *raw)
{
    if (packed == nullptr || raw == nullptr || ridge::recordWithoutData(*packed))
        return FPT_FAILED;
    if (raw->data != nullptr)
        return FPT_ERR_OUTPUT_IN_USE;
    if (packed->format != FPT_FORMAT_PACKED)
        return FPT_ERR_FORMAT;
    if (packed->size > ridge::kMaxPackedBytes)
        return FPT_ERR_SIZE;
    return ridge::unpack_packed_template(*packed, *raw);
}

// The one converter that looks at its input before its output.
RIDGESDK_API SdkStatus RawFPT_2_FMR378FPT(const TemplateBuffer *raw, int32_t fingerQuality,
                                          int32_t fingerPosition, int32_t impressionType,
                                          int32_t imageHeight, int32_t imageWidth,
                                          TemplateBuffer *record)
{
    if (raw == nullptr || record == nullptr || ridge::recordWithoutData(*raw))
        return FPT_FAILED;
    if (raw->format != FPT_FORMAT_RAW)
        return FPT_ERR_FORMAT;
    if (ridge::raw_minutia_count(raw->size) > FPT_MAX_MINUTIAE)
        return FPT_ERR_SIZE;
    if (record->data != nullptr)
        return FPT_ERR_OUTPUT_IN_USE;
    const SdkStatus view_status =
        ridge::check_fmr_view_values(fingerQuality, fingerPosition, impressionType);
    if (view_status != FPT_OK)
        return view_status;
    const ridge::FmrViewValues view = ridge::fmr_view_values(
        fingerQuality, fingerPosition, impressionType, imageHeight, imageWidth);
    return ridge::write_fmr378_record(*raw, view, *record);
}

// The record's format tag is not consulted: any buffer holding a record
// is read.
RIDGESDK_API SdkStatus FMR378FPT_2_RawFPT(const TemplateBuffer *record, TemplateBuffer *raw)
{
    if (record == nullptr || raw == nullptr || ridge::recordWithoutData(*record))
        return FPT_FAILED;
    if (raw->data != nullptr)
        return FPT_ERR_OUTPUT_IN_USE;
    return ridge::read_fmr378_record(*record, *raw);
}

}
