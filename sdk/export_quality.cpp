// getFpImgQuality: the image quality figure and the area it covers.
#include "ridgesdk.h"

#include "extract/maps/map_stage.h"

extern "C" RIDGESDK_API SdkStatus RIDGESDK_CALL getFpImgQuality(const unsigned char *image, int32_t width,
                                                                int32_t height, double *quality,
                                                                int32_t *qualityArea)
{
    // Missing arguments: nothing is written.
    if (image == nullptr || quality == nullptr || qualityArea == nullptr)
        return FPT_FAILED;
    float figure = 0.0f;
    int area = 0;
    int ret;
    try {
        ret = ridge::compute_image_quality(figure, area, image, width, height);
    } catch (...) {
        ret = -1;  // nothing may cross the C boundary
    }
    if (ret != 0) {
        *quality = 0.0;
        return FPT_FAILED;
    }
    *quality = static_cast<double>(figure);
    *qualityArea = area;
    return FPT_OK;
}
