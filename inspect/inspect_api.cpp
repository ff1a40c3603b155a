// ridgeinspect.h: inspections, the matcher's pairs, pictures and PNG files.
#include "ridgeinspect.h"

#include "ext/ext_status.h"
#include "inspect/inspection.h"
#include "inspect/render.h"
#include "matcher/compare_templates.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

struct ridge_inspection {
    ridge::Inspection data;
};

namespace {

static_assert(sizeof(int) == sizeof(int32_t), "block maps are handed out as int32_t");

// The minutiae of a raw template, checked as the matcher checks them.
int32_t template_minutiae(const char *function, const TemplateBuffer *raw, std::vector<RawMinutia> &out)
{
    const int32_t status = ridge_check_template(raw);
    if (status != RIDGE_OK)
        return ridge::failWith(status, std::string(function) + ": " + ridge_last_error());
    const size_t count = raw->size / sizeof(RawMinutia);
    out.resize(count);
    if (count > 0)
        std::memcpy(out.data(), raw->data, count * sizeof(RawMinutia));
    return RIDGE_OK;
}

// One side of a picture; the template, when given, replaces the
// inspection's.
int32_t picture_side(const char *function, const ridge_inspection *inspection, const TemplateBuffer *minutiae,
                     ridge::PictureSide &side)
{
    if (inspection == nullptr && minutiae == nullptr)
        return ridge::fail(RIDGE_ERR_ARGUMENT, "%s: neither an inspection nor a template to draw", function);
    if (minutiae == nullptr) {
        side = ridge::inspection_side(inspection->data);
        return RIDGE_OK;
    }
    side.inspection = inspection != nullptr ? &inspection->data : nullptr;
    side.reliability.clear();
    return template_minutiae(function, minutiae, side.minutiae);
}

int32_t hand_out(const char *function, const ridge::Canvas &canvas, ridge_picture *picture)
{
    const size_t bytes = canvas.rgb().size();
    auto *rgb = static_cast<unsigned char *>(std::malloc(bytes));
    if (rgb == nullptr)
        return ridge::fail(RIDGE_ERR_NO_MEMORY, "%s: out of memory", function);
    std::memcpy(rgb, canvas.rgb().data(), bytes);
    picture->width = canvas.width();
    picture->height = canvas.height();
    picture->rgb = rgb;
    return RIDGE_OK;
}

int32_t check_picture_out(const char *function, ridge_picture *picture)
{
    if (picture == nullptr)
        return ridge::fail(RIDGE_ERR_ARGUMENT, "%s: no picture to fill", function);
    if (picture->rgb != nullptr)
        return ridge::fail(FPT_ERR_OUTPUT_IN_USE, "%s: the picture already holds pixels", function);
    return RIDGE_OK;
}

ridge::MatchedPairs matched_pairs(const std::vector<RawMinutia> &a, const std::vector<RawMinutia> &b,
                                  double &score)
{
    ridge::MatchedPairs pairs = ridge::match_pairs(a.data(), static_cast<int>(a.size()), b.data(),
                                                   static_cast<int>(b.size()));
    // matchRawFPTs's score of the same best pairing.
    score = a.empty() || b.empty() ? 0.0
                                   : ridge::similarityScore(pairs.best_pairing, static_cast<int>(a.size()),
                                                            static_cast<int>(b.size()));
    return pairs;
}

} // namespace

extern "C" {

RIDGE_API int32_t ridge_inspect(const unsigned char *image, int32_t width, int32_t height,
                                ridge_inspection **inspection)
{
    return ridge::guarded("ridge_inspect", [&]() -> int32_t {
        if (image == nullptr || inspection == nullptr)
            return ridge::fail(RIDGE_ERR_ARGUMENT, "ridge_inspect: no image or no place for the inspection");
        if (width <= 0 || height <= 0)
            return ridge::fail(RIDGE_ERR_ARGUMENT, "ridge_inspect: image size %d x %d", width, height);
        auto made = std::make_unique<ridge_inspection>();
        const int ret = ridge::inspect_image(made->data, image, width, height);
        if (ret != 0)
            return ridge::fail(FPT_FAILED, "ridge_inspect: the extraction failed (detector code %d)", ret);
        *inspection = made.release();
        return RIDGE_OK;
    });
}

RIDGE_API void ridge_inspection_close(ridge_inspection *inspection) { delete inspection; }

RIDGE_API int32_t ridge_inspection_template(const ridge_inspection *inspection, TemplateBuffer *raw)
{
    return ridge::guarded("ridge_inspection_template", [&]() -> int32_t {
        if (inspection == nullptr || raw == nullptr)
            return ridge::fail(RIDGE_ERR_ARGUMENT, "ridge_inspection_template: no inspection or no record");
        if (raw->data != nullptr)
            return ridge::fail(FPT_ERR_OUTPUT_IN_USE, "ridge_inspection_template: the record already holds a block");
        const std::vector<RawMinutia> &minutiae = inspection->data.raw;
        unsigned char *block = nullptr;
        const size_t bytes = minutiae.size() * sizeof(RawMinutia);
        if (bytes > 0) {
            block = static_cast<unsigned char *>(std::malloc(bytes));
            if (block == nullptr)
                return ridge::fail(RIDGE_ERR_NO_MEMORY, "ridge_inspection_template: out of memory");
            std::memcpy(block, minutiae.data(), bytes);
        }
        raw->data = block;
        raw->size = static_cast<uint32_t>(bytes);
        raw->format = FPT_FORMAT_RAW;
        return RIDGE_OK;
    });
}

RIDGE_API int32_t ridge_inspection_size(const ridge_inspection *inspection, int32_t *width, int32_t *height)
{
    if (inspection == nullptr || width == nullptr || height == nullptr)
        return ridge::fail(RIDGE_ERR_ARGUMENT, "ridge_inspection_size: a NULL argument");
    *width = inspection->data.width;
    *height = inspection->data.height;
    return RIDGE_OK;
}

RIDGE_API int32_t ridge_inspection_map(const ridge_inspection *inspection, int32_t map, const int32_t **cells,
                                       int32_t *blocks_wide, int32_t *blocks_high)
{
    if (inspection == nullptr || cells == nullptr || blocks_wide == nullptr || blocks_high == nullptr)
        return ridge::fail(RIDGE_ERR_ARGUMENT, "ridge_inspection_map: a NULL argument");
    const ridge::ExtractionProducts &p = inspection->data.products;
    const std::vector<int> *chosen = nullptr;
    switch (map) {
    case RIDGE_MAP_DIRECTION: chosen = &p.maps.direction_map; break;
    case RIDGE_MAP_LOW_CONTRAST: chosen = &p.maps.low_contrast_map; break;
    case RIDGE_MAP_LOW_FLOW: chosen = &p.maps.low_flow_map; break;
    case RIDGE_MAP_HIGH_CURVE: chosen = &p.maps.high_curve_map; break;
    case RIDGE_MAP_QUALITY: chosen = &p.quality_map; break;
    default: return ridge::fail(RIDGE_ERR_ARGUMENT, "ridge_inspection_map: no map %d", map);
    }
    *cells = reinterpret_cast<const int32_t *>(chosen->data());
    *blocks_wide = p.maps.mw;
    *blocks_high = p.maps.mh;
    return RIDGE_OK;
}

RIDGE_API int32_t ridge_inspection_binary(const ridge_inspection *inspection, const unsigned char **pixels,
                                          int32_t *width, int32_t *height)
{
    if (inspection == nullptr || pixels == nullptr || width == nullptr || height == nullptr)
        return ridge::fail(RIDGE_ERR_ARGUMENT, "ridge_inspection_binary: a NULL argument");
    *pixels = inspection->data.products.binary.data();
    *width = inspection->data.width;
    *height = inspection->data.height;
    return RIDGE_OK;
}

RIDGE_API int32_t ridge_inspection_candidates(const ridge_inspection *inspection, const ridge_candidate **list,
                                              int32_t *count)
{
    if (inspection == nullptr || list == nullptr || count == nullptr)
        return ridge::fail(RIDGE_ERR_ARGUMENT, "ridge_inspection_candidates: a NULL argument");
    const std::vector<ridge_candidate> &candidates = inspection->data.candidates;
    *list = candidates.empty() ? nullptr : candidates.data();
    *count = static_cast<int32_t>(candidates.size());
    return RIDGE_OK;
}

RIDGE_API int32_t ridge_match_pairs(const TemplateBuffer *first, const TemplateBuffer *second, double *score,
                                    ridge_minutia_pair *pairs, int32_t *pair_count)
{
    return ridge::guarded("ridge_match_pairs", [&]() -> int32_t {
        if (score == nullptr || pairs == nullptr || pair_count == nullptr)
            return ridge::fail(RIDGE_ERR_ARGUMENT, "ridge_match_pairs: a NULL argument");
        std::vector<RawMinutia> a, b;
        int32_t status = template_minutiae("ridge_match_pairs: first template", first, a);
        if (status == RIDGE_OK)
            status = template_minutiae("ridge_match_pairs: second template", second, b);
        if (status != RIDGE_OK)
            return status;
        double s = 0.0;
        const ridge::MatchedPairs found = matched_pairs(a, b, s);
        for (size_t k = 0; k < found.pairs.size(); ++k)
            pairs[k] = ridge_minutia_pair{found.pairs[k].first, found.pairs[k].second};
        *pair_count = static_cast<int32_t>(found.pairs.size());
        *score = s;
        return RIDGE_OK;
    });
}

RIDGE_API int32_t ridge_render(const ridge_inspection *inspection, const TemplateBuffer *minutiae, uint32_t layers,
                               ridge_picture *picture)
{
    return ridge::guarded("ridge_render", [&]() -> int32_t {
        int32_t status = check_picture_out("ridge_render", picture);
        ridge::PictureSide side;
        if (status == RIDGE_OK)
            status = picture_side("ridge_render", inspection, minutiae, side);
        if (status != RIDGE_OK)
            return status;
        return hand_out("ridge_render", ridge::render_side(side, layers), picture);
    });
}

RIDGE_API int32_t ridge_render_pair(const ridge_inspection *first, const TemplateBuffer *first_minutiae,
                                    const ridge_inspection *second, const TemplateBuffer *second_minutiae,
                                    uint32_t layers, ridge_picture *picture, double *score)
{
    return ridge::guarded("ridge_render_pair", [&]() -> int32_t {
        int32_t status = check_picture_out("ridge_render_pair", picture);
        ridge::PictureSide a, b;
        if (status == RIDGE_OK)
            status = picture_side("ridge_render_pair: first", first, first_minutiae, a);
        if (status == RIDGE_OK)
            status = picture_side("ridge_render_pair: second", second, second_minutiae, b);
        if (status != RIDGE_OK)
            return status;
        double s = 0.0;
        const ridge::MatchedPairs pairs = matched_pairs(a.minutiae, b.minutiae, s);
        status = hand_out("ridge_render_pair", ridge::render_pair(a, b, layers, pairs, s), picture);
        if (status == RIDGE_OK && score != nullptr)
            *score = s;
        return status;
    });
}

RIDGE_API int32_t ridge_picture_write_png(const ridge_picture *picture, const char *path)
{
    return ridge::guarded("ridge_picture_write_png", [&]() -> int32_t {
        if (picture == nullptr || path == nullptr || picture->rgb == nullptr || picture->width <= 0 ||
            picture->height <= 0)
            return ridge::fail(RIDGE_ERR_ARGUMENT, "ridge_picture_write_png: no picture or no path");
        png_image image;
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
        image.width = static_cast<png_uint_32>(picture->width);
        image.height = static_cast<png_uint_32>(picture->height);
        image.format = PNG_FORMAT_RGB;
        // Encoded in memory first, so that a picture libpng refuses leaves
        // no file behind.
        png_alloc_size_t size = 0;
        if (!png_image_write_to_memory(&image, nullptr, &size, 0, picture->rgb, 0, nullptr)) {
            const std::string why = image.message;
            png_image_free(&image);
            return ridge::fail(RIDGE_ERR_INTERNAL, "ridge_picture_write_png: %s", why.c_str());
        }
        std::vector<unsigned char> encoded(size);
        if (!png_image_write_to_memory(&image, encoded.data(), &size, 0, picture->rgb, 0, nullptr)) {
            const std::string why = image.message;
            png_image_free(&image);
            return ridge::fail(RIDGE_ERR_INTERNAL, "ridge_picture_write_png: %s", why.c_str());
        }
        png_image_free(&image);
        std::FILE *file = std::fopen(path, "wb");
        if (file == nullptr)
            return ridge::fail(RIDGE_ERR_IO, "ridge_picture_write_png: cannot create %s: %s", path,
                               std::strerror(errno));
        const bool written = std::fwrite(encoded.data(), 1, size, file) == size;
        const bool closed = std::fclose(file) == 0;
        if (!written || !closed) {
            std::remove(path);
            return ridge::fail(RIDGE_ERR_IO, "ridge_picture_write_png: cannot write %s", path);
        }
        return RIDGE_OK;
    });
}

RIDGE_API void ridge_picture_release(ridge_picture *picture)
{
    if (picture == nullptr)
        return;
    std::free(picture->rgb);
    picture->rgb = nullptr;
    picture->width = picture->height = 0;
}

} // extern "C"
