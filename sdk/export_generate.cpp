// generateRawFPT: image to raw template through the extraction pipeline.
#include "ridgesdk.h"

#include "extract/extract_minutiae.h"
#include "extract/minutiae/raw_conversion.h"
#include "formats/output_block.h"

#include <cstring>

namespace {

// The empty raw template that every outcome starts from.
void empty_raw_template(TemplateBuffer *t)
{
    t->data = nullptr;
    t->size = 0;
    t->format = FPT_FORMAT_RAW;
}

SdkStatus extract_to_template(const unsigned char *image, int32_t width, int32_t height, TemplateBuffer *out)
{
    lfs::Minutiae minutiae;
    if (ridge::extract_minutiae(minutiae, image, width, height) != 0)
        return FPT_FAILED;
    const std::vector<RawMinutia> raw = ridge::to_raw_minutiae(minutiae);
    if (raw.size() > static_cast<size_t>(FPT_MAX_MINUTIAE))
        return FPT_FAILED;
    if (raw.empty())
        return FPT_OK;
    const size_t bytes = raw.size() * sizeof(RawMinutia);
    unsigned char *block = ridge::allocate_output_block(bytes);
    if (block == nullptr)
        return FPT_FAILED;
    std::memcpy(block, raw.data(), bytes);
    out->data = block;
    out->size = static_cast<uint32_t>(bytes);
    return FPT_OK;
}

} // namespace

extern "C" RIDGESDK_API SdkStatus generateRawFPT(const unsigned char *image, int32_t width, int32_t height,
                                                 TemplateBuffer *rawTemplate)
{
    // Missing arguments come before every other check; nothing is written.
    if (image == nullptr || rawTemplate == nullptr)
        return FPT_FAILED;
    if (rawTemplate->data != nullptr)
        return FPT_ERR_OUTPUT_IN_USE;
    empty_raw_template(rawTemplate);
    try {
        return extract_to_template(image, width, height, rawTemplate);
    } catch (...) {
        // Nothing may cross the C boundary; the template stays empty.
        empty_raw_template(rawTemplate);
        return FPT_FAILED;
    }
}
