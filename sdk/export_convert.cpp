// Converter exports (placeholder until the template encodings land).
#include "ridgesdk.h"

extern "C" {

RIDGESDK_API SdkStatus RawFPT_2_PackedFTP(const TemplateBuffer *, TemplateBuffer *) { return FPT_FAILED; }
RIDGESDK_API SdkStatus PackedFTP_2_RawFPT(const TemplateBuffer *, TemplateBuffer *) { return FPT_FAILED; }
RIDGESDK_API SdkStatus RawFPT_2_FMR378FPT(const TemplateBuffer *, int32_t, int32_t, int32_t, int32_t,
                                          int32_t, TemplateBuffer *) { return FPT_FAILED; }
RIDGESDK_API SdkStatus FMR378FPT_2_RawFPT(const TemplateBuffer *, TemplateBuffer *) { return FPT_FAILED; }

}
