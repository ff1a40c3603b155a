#include "interop/image_decode.h"

#include "formats/bmp_decode.h"

#include <png.h>

#include <cctype>
#include <cstring>
#include <string>

namespace ridge {
namespace interop {

namespace {

constexpr std::int64_t kMaxSide = RIDGE_IMAGE_MAX_SIDE;
constexpr std::int64_t kMaxPixels = RIDGE_IMAGE_MAX_PIXELS;
constexpr double kInchesPerMetre = 0.0254;

Outcome refuse_size(std::int64_t width, std::int64_t height)
{
    return refuse(RIDGE_ERR_UNSUPPORTED,
                  "image of %lld x %lld pixels is beyond the %d pixels a side and %d pixels in "
                  "all that are read",
                  static_cast<long long>(width), static_cast<long long>(height),
                  RIDGE_IMAGE_MAX_SIDE, RIDGE_IMAGE_MAX_PIXELS);
}

std::uint32_t be32(const unsigned char *p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// The resolution a PNG states in its pHYs chunk when its unit is the metre
// (x direction), else 0. Walks the chunks before the image data, each
// length checked against the bytes.
double png_stated_ppi(const unsigned char *bytes, std::size_t size)
{
    std::size_t at = 8; // signature
    while (size - at >= 12) {
        const std::size_t length = be32(bytes + at);
        const unsigned char *type = bytes + at + 4;
        if (length > size - at - 12)
            return 0;
        if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0)
            return 0;
        if (std::memcmp(type, "pHYs", 4) == 0 && length == 9) {
            const unsigned char *data = bytes + at + 8;
            return data[8] == 1 ? be32(data) * kInchesPerMetre : 0;
        }
        at += 12 + length;
    }
    return 0;
}

// The horizontal pixels per metre of a bitmap whose information header
// has them (40 bytes or more), as pixels per inch; else 0.
double bmp_stated_ppi(const unsigned char *bytes, std::size_t size)
{
    constexpr std::size_t kInfoSizeAt = 14, kPixelsPerMetreAt = 38;
    if (size < kPixelsPerMetreAt + 4)
        return 0;
    const auto le32 = [bytes](std::size_t at) {
        return std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 |
               std::uint32_t(bytes[at + 2]) << 16 | std::uint32_t(bytes[at + 3]) << 24;
    };
    const std::uint32_t per_metre = le32(kPixelsPerMetreAt);
    if (le32(kInfoSizeAt) < 40 || per_metre == 0 || per_metre > 0x7fffffffu)
        return 0;
    return per_metre * kInchesPerMetre;
}

// A stated resolution when a fingerprint scan can have it, else 0.
double scan_resolution(double ppi)
{
    return ppi >= RIDGE_SCAN_PPI_MIN && ppi <= RIDGE_SCAN_PPI_MAX ? ppi : 0;
}

// Releases what libpng holds for a png_image on every path.
struct PngImageGuard {
    png_image *image;
    ~PngImageGuard() { png_image_free(image); }
};

// Reads the tokens of a PNM header and the samples of the text variants:
// white space and comments (from '#' to the end of the line) between them.
class PnmScanner {
public:
    PnmScanner(const unsigned char *bytes, std::size_t size) : bytes_(bytes), size_(size) {}
    std::size_t position() const { return at_; }

    // A decimal number of at most 9 digits, or false.
    bool number(std::uint32_t &value)
    {
        skip_blanks();
        std::size_t digits = 0;
        value = 0;
        while (at_ < size_ && std::isdigit(bytes_[at_]) && digits < 10) {
            value = value * 10 + (bytes_[at_] - '0');
            ++at_;
            ++digits;
        }
        return digits > 0 && digits <= 9;
    }
    // The single white space character that ends a binary header.
    bool header_end()
    {
        if (at_ >= size_ || !std::isspace(bytes_[at_]))
            return false;
        ++at_;
        return true;
    }

private:
    void skip_blanks()
    {
        while (at_ < size_) {
            if (bytes_[at_] == '#') {
                while (at_ < size_ && bytes_[at_] != '\n' && bytes_[at_] != '\r')
                    ++at_;
            } else if (std::isspace(bytes_[at_])) {
                ++at_;
            } else {
                break;
            }
        }
    }

    const unsigned char *bytes_;
    std::size_t size_;
    std::size_t at_ = 2; // after the magic number
};

} // namespace

bool image_size_allowed(std::int64_t width, std::int64_t height)
{
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           width * height <= kMaxPixels;
}

ImageKind image_kind(const unsigned char *bytes, std::size_t size)
{
    static const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (size >= 8 && std::memcmp(bytes, kPngSignature, 8) == 0)
        return ImageKind::Png;
    if (size >= 2 && bytes[0] == 'P' &&
        (bytes[1] == '2' || bytes[1] == '3' || bytes[1] == '5' || bytes[1] == '6'))
        return ImageKind::Pnm;
    if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        return ImageKind::Bmp;
    return ImageKind::Unknown;
}

Outcome decode_png(const unsigned char *bytes, std::size_t size, DecodedImage &out)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    PngImageGuard guard{&image};
    if (!png_image_begin_read_from_memory(&image, bytes, size))
        return refuse(RIDGE_ERR_CORRUPT, "damaged PNG file: %s", image.message);
    if (!image_size_allowed(image.width, image.height))
        return refuse_size(image.width, image.height);
    image.format = PNG_FORMAT_RGBA;
    std::vector<unsigned char> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr))
        return refuse(RIDGE_ERR_CORRUPT, "damaged PNG file: %s", image.message);

    DecodedImage result;
    result.width = static_cast<std::int32_t>(image.width);
    result.height = static_cast<std::int32_t>(image.height);
    result.pixels.resize(static_cast<std::size_t>(result.width) * static_cast<std::size_t>(result.height));
    for (std::size_t i = 0; i < result.pixels.size(); ++i) {
        const unsigned char *p = &rgba[4 * i];
        result.pixels[i] = over_white(grey_of(p[0], p[1], p[2]), p[3]);
    }
    result.ppi = scan_resolution(png_stated_ppi(bytes, size));
    out = std::move(result);
    return Outcome{};
}

Outcome decode_pnm(const unsigned char *bytes, std::size_t size, DecodedImage &out)
{
    if (image_kind(bytes, size) != ImageKind::Pnm)
        return refuse(RIDGE_ERR_UNSUPPORTED, "not a PGM or PPM file");
    const char variant = static_cast<char>(bytes[1]);
    const bool binary = variant == '5' || variant == '6';
    const std::size_t channels = variant == '3' || variant == '6' ? 3 : 1;
    PnmScanner scanner(bytes, size);
    std::uint32_t width = 0, height = 0, maxval = 0;
    if (!scanner.number(width) || !scanner.number(height) || !scanner.number(maxval))
        return refuse(RIDGE_ERR_CORRUPT, "damaged P%c header: width, height and maximum value expected",
                      variant);
    if (maxval == 0 || maxval > 65535)
        return refuse(RIDGE_ERR_CORRUPT, "P%c maximum value %u is outside 1..65535", variant, maxval);
    if (!image_size_allowed(width, height))
        return refuse_size(width, height);
    if (binary && !scanner.header_end())
        return refuse(RIDGE_ERR_CORRUPT, "damaged P%c header: no white space after the maximum value",
                      variant);

    const std::size_t count = std::size_t(width) * height;
    const std::size_t sample_bytes = maxval > 255 ? 2 : 1;
    std::size_t at = scanner.position();
    // Binary samples take sample_bytes each, text ones a digit and a blank
    // at least: a file too short for its pixels is refused before any
    // storage is taken for them.
    const std::size_t room = binary ? (size - at) / sample_bytes / channels
                                    : (size - at + 1) / 2 / channels;
    if (room < count)
        return refuse(RIDGE_ERR_CORRUPT, "P%c file is truncated: room for %zu of %zu pixels", variant,
                      room, count);

    DecodedImage result;
    result.width = static_cast<std::int32_t>(width);
    result.height = static_cast<std::int32_t>(height);
    result.pixels.resize(count);
    std::uint32_t samples[3] = {0, 0, 0};
    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t c = 0; c < channels; ++c) {
            std::uint32_t v = 0;
            if (!binary) {
                if (!scanner.number(v))
                    return refuse(RIDGE_ERR_CORRUPT, "P%c file ends or is damaged at pixel %zu of %zu",
                                  variant, i + 1, count);
            } else if (sample_bytes == 2) {
                v = std::uint32_t(bytes[at]) << 8 | bytes[at + 1];
                at += 2;
            } else {
                v = bytes[at++];
            }
            if (v > maxval)
                return refuse(RIDGE_ERR_CORRUPT, "P%c pixel %zu has value %u above the maximum %u",
                              variant, i + 1, v, maxval);
            samples[c] = (v * 255u + maxval / 2) / maxval;
        }
        result.pixels[i] = channels == 3 ? grey_of(samples[0], samples[1], samples[2])
                                         : static_cast<unsigned char>(samples[0]);
    }
    out = std::move(result);
    return Outcome{};
}

Outcome decode_bmp(const unsigned char *bytes, std::size_t size, DecodedImage &out)
{
    GreyImage grey;
    const std::string reason = decodeBmp8(bytes, size, &grey);
    if (!reason.empty()) {
        // The decoder says "only ... are read" of the kinds of bitmap it
        // leaves alone and names an unknown header; anything else is damage.
        const bool foreign = reason.find("only") != std::string::npos ||
                             reason.find("unknown") != std::string::npos;
        return Outcome{foreign ? RIDGE_ERR_UNSUPPORTED : RIDGE_ERR_CORRUPT, "bitmap: " + reason};
    }
    if (!image_size_allowed(grey.width, grey.height))
        return refuse_size(grey.width, grey.height);
    DecodedImage result;
    result.width = grey.width;
    result.height = grey.height;
    result.pixels = std::move(grey.pixels);
    result.ppi = scan_resolution(bmp_stated_ppi(bytes, size));
    out = std::move(result);
    return Outcome{};
}

Outcome decode_image(const unsigned char *bytes, std::size_t size, DecodedImage &out)
{
    if (bytes == nullptr && size > 0)
        return refuse(RIDGE_ERR_ARGUMENT, "image of %zu bytes has no data", size);
    switch (image_kind(bytes, size)) {
    case ImageKind::Png: return decode_png(bytes, size, out);
    case ImageKind::Pnm: return decode_pnm(bytes, size, out);
    case ImageKind::Bmp: return decode_bmp(bytes, size, out);
    case ImageKind::Unknown: break;
    }
    return refuse(RIDGE_ERR_UNSUPPORTED, "not a PNG, PGM, PPM or BMP file");
}

} // namespace interop
} // namespace ridge
