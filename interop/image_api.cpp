// The ridge_image_* functions: image files to grey images, and resampling
// to 500 pixels per inch.
#include "ext/ext_status.h"
#include "interop/image_decode.h"
#include "interop/image_resample.h"
#include "ridgeinterop.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace ridge {
namespace interop {

namespace {

constexpr double kTargetPpi = 500.0;
constexpr double kMinPpi = 50.0;
constexpr double kMaxPpi = 5000.0;
constexpr long kMaxImageFileBytes = 1L << 30;

struct CloseFile {
    void operator()(std::FILE *file) const { std::fclose(file); }
};

// Hands the pixels out in a block released with ridge_free.
int32_t hand_out(const std::vector<unsigned char> &pixels, std::int32_t width, std::int32_t height,
                 double ppi, ridge_image *image)
{
    auto *block = static_cast<unsigned char *>(std::malloc(pixels.empty() ? 1 : pixels.size()));
    if (block == nullptr)
        return fail(RIDGE_ERR_NO_MEMORY, "no memory for an image of %d x %d pixels",
                    static_cast<int>(width), static_cast<int>(height));
    if (!pixels.empty())
        std::memcpy(block, pixels.data(), pixels.size());
    image->width = width;
    image->height = height;
    image->pixels = block;
    image->ppi = ppi;
    return RIDGE_OK;
}

int32_t check_output(const ridge_image *image, const char *function)
{
    if (image == nullptr)
        return fail(RIDGE_ERR_ARGUMENT, "%s: no output image given", function);
    if (image->pixels != nullptr)
        return fail(FPT_ERR_OUTPUT_IN_USE, "%s: the output image still holds pixels", function);
    return RIDGE_OK;
}

int32_t decode(const unsigned char *bytes, std::size_t size, ridge_image *image, const char *name)
{
    DecodedImage decoded;
    const Outcome outcome = decode_image(bytes, size, decoded);
    if (!outcome.ok())
        return name == nullptr ? failWith(outcome.status, outcome.message)
                               : failWith(outcome.status, std::string(name) + ": " + outcome.message);
    return hand_out(decoded.pixels, decoded.width, decoded.height, decoded.ppi, image);
}

int32_t read_image(const char *path, ridge_image *image)
{
    if (path == nullptr)
        return fail(RIDGE_ERR_ARGUMENT, "ridge_image_read: no path given");
    const int32_t status = check_output(image, "ridge_image_read");
    if (status != RIDGE_OK)
        return status;
    std::unique_ptr<std::FILE, CloseFile> file(std::fopen(path, "rb"));
    if (!file)
        return fail(RIDGE_ERR_IO, "cannot open %s: %s", path, std::strerror(errno));
    std::vector<unsigned char> bytes;
    unsigned char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        if (bytes.size() + got > static_cast<std::size_t>(kMaxImageFileBytes))
            return fail(RIDGE_ERR_UNSUPPORTED, "%s is larger than the 1 GiB an image file may be",
                        path);
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    if (std::ferror(file.get()))
        return fail(RIDGE_ERR_IO, "cannot read %s", path);
    return decode(bytes.data(), bytes.size(), image, path);
}

int32_t resample_image(const ridge_image *in, double from_ppi, ridge_image *out)
{
    if (in == nullptr || in->pixels == nullptr)
        return fail(RIDGE_ERR_ARGUMENT, "ridge_image_resample: no input image given");
    if (!image_size_allowed(in->width, in->height))
        return fail(RIDGE_ERR_ARGUMENT, "input image of %d x %d pixels is outside the bounds",
                    static_cast<int>(in->width), static_cast<int>(in->height));
    if (!(from_ppi >= kMinPpi && from_ppi <= kMaxPpi))
        return fail(RIDGE_ERR_ARGUMENT, "resolution %g pixels per inch is outside 50..5000", from_ppi);
    const int32_t status = check_output(out, "ridge_image_resample");
    if (status != RIDGE_OK)
        return status;
    const std::size_t count = static_cast<std::size_t>(in->width) * static_cast<std::size_t>(in->height);
    if (std::fabs(from_ppi - kTargetPpi) < 0.5)
        return hand_out(std::vector<unsigned char>(in->pixels, in->pixels + count), in->width,
                        in->height, kTargetPpi, out);
    const double scale = kTargetPpi / from_ppi;
    const std::int64_t width = resampled_length(in->width, scale);
    const std::int64_t height = resampled_length(in->height, scale);
    if (!image_size_allowed(width, height))
        return fail(RIDGE_ERR_UNSUPPORTED,
                    "image of %d x %d pixels at %g ppi would be %lld x %lld at 500 ppi, beyond "
                    "the bounds",
                    static_cast<int>(in->width), static_cast<int>(in->height), from_ppi,
                    static_cast<long long>(width), static_cast<long long>(height));
    const std::vector<unsigned char> pixels =
        resample(in->pixels, in->width, in->height, scale, static_cast<std::int32_t>(width),
                 static_cast<std::int32_t>(height));
    return hand_out(pixels, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
                    kTargetPpi, out);
}

} // namespace
} // namespace interop
} // namespace ridge

extern "C" {

RIDGE_API int32_t ridge_image_decode(const unsigned char *bytes, size_t size, ridge_image *image)
{
    return ridge::guarded("ridge_image_decode", [&] {
        const int32_t status = ridge::interop::check_output(image, "ridge_image_decode");
        if (status != RIDGE_OK)
            return status;
        return ridge::interop::decode(bytes, size, image, nullptr);
    });
}

RIDGE_API int32_t ridge_image_read(const char *path, ridge_image *image)
{
    return ridge::guarded("ridge_image_read", [&] { return ridge::interop::read_image(path, image); });
}

RIDGE_API int32_t ridge_image_resample(const ridge_image *in, double from_ppi, ridge_image *out)
{
    return ridge::guarded("ridge_image_resample", [&] {
        return ridge::interop::resample_image(in, from_ppi, out);
    });
}

RIDGE_API void ridge_image_release(ridge_image *image)
{
    if (image == nullptr)
        return;
    std::free(image->pixels);
    *image = ridge_image{0, 0, nullptr, 0};
}

}
