// generateRawFPT export (placeholder until the extraction lands).
#include "ridgesdk.h"

extern "C" RIDGESDK_API SdkStatus generateRawFPT(const unsigned char *, int32_t, int32_t,
                                                 TemplateBuffer *rawTemplate)
{
    if (rawTemplate->data != nullptr)
        return FPT_ERR_OUTPUT_IN_USE;
    rawTemplate->size = 0;
    rawTemplate->format = FPT_FORMAT_RAW;
    return FPT_FAILED;
}
