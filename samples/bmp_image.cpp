#include "bmp_image.h"

#include "formats/bmp_decode.h"

#include <utility>

namespace ridge {

int bmp_to_grey_image(const unsigned char *file, std::size_t length, std::vector<unsigned char> &image,
                      int32_t &width, int32_t &height, std::string *reason)
{
    GreyImage decoded;
    std::string why = decodeBmp8(file, length, &decoded);
    if (!why.empty()) {
        if (reason != nullptr)
            *reason = std::move(why);
        return -1;
    }
    image.swap(decoded.pixels);
    width = decoded.width;
    height = decoded.height;
    return 1;
}

} // namespace ridge
