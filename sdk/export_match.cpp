// matchRawFPTs export (placeholder until the matcher lands).
#include "ridgesdk.h"

extern "C" RIDGESDK_API SdkStatus matchRawFPTs(const TemplateBuffer *, const TemplateBuffer *,
                                               double *score)
{
    *score = 0.0;
    return FPT_FAILED;
}
