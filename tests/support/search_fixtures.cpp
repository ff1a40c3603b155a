#include "support/search_fixtures.h"

#include "support/grey_bmp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>

namespace ridge_test {

GalleryPtr make_gallery(const std::vector<Minutiae> &templates, const std::string &prefix)
{
    ridge_gallery *g = nullptr;
    EXPECT_EQ(RIDGE_OK, ridge_gallery_create(&g));
    GalleryPtr gallery(g);
    for (size_t k = 0; k < templates.size(); ++k) {
        const TemplateBuffer raw = raw_buffer(templates[k]);
        const std::string name = prefix + std::to_string(k);
        EXPECT_EQ(RIDGE_OK, ridge_gallery_add(g, name.c_str(), &raw, nullptr)) << ridge_last_error();
    }
    return gallery;
}

const std::vector<Minutiae> &shared_set_templates(const std::string &set)
{
    static std::mutex lock;
    static std::map<std::string, std::vector<Minutiae>> extracted;
    std::lock_guard<std::mutex> hold(lock);
    auto found = extracted.find(set);
    if (found != extracted.end())
        return found->second;
    std::vector<Minutiae> &out = extracted[set];
    if (shared_data_dir().empty())
        return out;
    for (const std::string &path : shared_set_images(set)) {
        GreyImage image;
        if (!load_grey_bmp(path, image))
            continue;
        TemplateBuffer raw{nullptr, 0, FPT_FORMAT_RAW};
        if (generateRawFPT(image.pixels.data(), image.width, image.height, &raw) == FPT_OK) {
            const RawMinutia *m = reinterpret_cast<const RawMinutia *>(raw.data);
            out.emplace_back(m, m + raw.size / sizeof(RawMinutia));
        }
        free_FPAPI_mem(raw.data);
    }
    return out;
}

Minutiae clamped(Minutiae m)
{
    for (RawMinutia &r : m) {
        r.x = std::clamp(r.x, 0, 16383);
        r.y = std::clamp(r.y, 0, 16383);
        r.angle = std::clamp(r.angle, 0, 360);
    }
    return m;
}

} // namespace ridge_test
