// getFpImgQuality export (placeholder until the map stage lands).
#include "ridgesdk.h"

extern "C" RIDGESDK_API SdkStatus getFpImgQuality(const unsigned char *, int32_t, int32_t,
                                                  double *quality, int32_t *)
{
    *quality = 0.0;
    return FPT_FAILED;
}
