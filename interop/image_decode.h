// Image files held in memory turned into 8-bit grey images: PNG (decoded
// by libpng), PGM and PPM (binary and text), and 8-bit BMP. The colour rule
// is that of ridgeinterop.h.
#ifndef RIDGESDK_INTEROP_IMAGE_DECODE_H
#define RIDGESDK_INTEROP_IMAGE_DECODE_H

#include "interop/outcome.h"
#include "ridgeinterop.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ridge {
namespace interop {

struct DecodedImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<unsigned char> pixels; // width * height, top row first
    double ppi = 0;                    // as the file states it; 0 when it does not
};

// The kind of file, from its first bytes.
enum class ImageKind { Unknown, Png, Pnm, Bmp };
ImageKind image_kind(const unsigned char *bytes, std::size_t size);

// RIDGE_ERR_UNSUPPORTED for another kind of file or an image beyond the
// size bounds, RIDGE_ERR_CORRUPT for a damaged one; out is then untouched.
Outcome decode_image(const unsigned char *bytes, std::size_t size, DecodedImage &out);

Outcome decode_png(const unsigned char *bytes, std::size_t size, DecodedImage &out);
Outcome decode_pnm(const unsigned char *bytes, std::size_t size, DecodedImage &out);
// Through the bitmap decoder of formats/bmp_decode.h.
Outcome decode_bmp(const unsigned char *bytes, std::size_t size, DecodedImage &out);

// Whether an image of this size may be handed out.
bool image_size_allowed(std::int64_t width, std::int64_t height);

// One grey level from 8-bit colour samples, and a grey level laid over
// white by its alpha (the rules of ridgeinterop.h).
inline unsigned char grey_of(std::uint32_t r, std::uint32_t g, std::uint32_t b)
{
    return static_cast<unsigned char>((299u * r + 587u * g + 114u * b + 500u) / 1000u);
}
inline unsigned char over_white(std::uint32_t grey, std::uint32_t alpha)
{
    return static_cast<unsigned char>((grey * alpha + 255u * (255u - alpha) + 127u) / 255u);
}

} // namespace interop
} // namespace ridge

#endif
