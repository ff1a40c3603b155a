#include "interop/image_resample.h"

#include <algorithm>
#include <cmath>

namespace ridge {
namespace interop {

std::int64_t resampled_length(std::int64_t length, double scale)
{
    const double exact = std::floor(static_cast<double>(length) * scale + 0.5);
    return std::max<std::int64_t>(1, static_cast<std::int64_t>(exact));
}

std::vector<FilterTaps> filter_taps(std::int32_t in_length, std::int32_t out_length, double scale)
{
    const double radius = std::max(1.0, 1.0 / scale); // in input pixels
    const std::int32_t unit = 1 << kWeightBits;
    std::vector<FilterTaps> taps(static_cast<std::size_t>(out_length));
    for (std::int32_t o = 0; o < out_length; ++o) {
        const double centre = (o + 0.5) / scale - 0.5;
        const auto first = static_cast<std::int32_t>(std::floor(centre - radius)) + 1;
        const auto last = static_cast<std::int32_t>(std::ceil(centre + radius)) - 1;
        std::vector<double> exact;
        std::vector<std::int32_t> index;
        double total = 0;
        for (std::int32_t i = first; i <= last; ++i) {
            const double w = 1.0 - std::fabs(i - centre) / radius;
            if (w <= 0)
                continue;
            index.push_back(std::clamp(i, 0, in_length - 1));
            exact.push_back(w);
            total += w;
        }
        FilterTaps &t = taps[static_cast<std::size_t>(o)];
        // Taps that repeat a border pixel are merged; the weights are
        // rounded and the rounding remainder goes to the largest one, so
        // that they add up to exactly `unit`.
        std::int32_t sum = 0;
        for (std::size_t k = 0; k < index.size(); ++k) {
            const auto w = static_cast<std::int32_t>(std::floor(exact[k] / total * unit + 0.5));
            if (!t.index.empty() && t.index.back() == index[k]) {
                t.weight.back() += w;
            } else {
                t.index.push_back(index[k]);
                t.weight.push_back(w);
            }
            sum += w;
        }
        const auto largest = std::max_element(t.weight.begin(), t.weight.end()) - t.weight.begin();
        t.weight[static_cast<std::size_t>(largest)] += unit - sum;
    }
    return taps;
}

std::vector<unsigned char> resample(const unsigned char *pixels, std::int32_t width,
                                    std::int32_t height, double scale, std::int32_t out_width,
                                    std::int32_t out_height)
{
    const std::vector<FilterTaps> columns = filter_taps(width, out_width, scale);
    const std::vector<FilterTaps> rows = filter_taps(height, out_height, scale);
    const auto w_out = static_cast<std::size_t>(out_width);

    // Rows first, kept at the weights' scale.
    std::vector<std::int32_t> across(w_out * static_cast<std::size_t>(height));
    for (std::int32_t y = 0; y < height; ++y) {
        const unsigned char *row = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        std::int32_t *dst = &across[static_cast<std::size_t>(y) * w_out];
        for (std::size_t x = 0; x < w_out; ++x) {
            const FilterTaps &t = columns[x];
            std::int32_t sum = 0;
            for (std::size_t k = 0; k < t.index.size(); ++k)
                sum += t.weight[k] * row[t.index[k]];
            dst[x] = sum;
        }
    }

    // Then columns; the weights are non-negative and add up to one, so the
    // result stays within the input's range.
    std::vector<unsigned char> out(w_out * static_cast<std::size_t>(out_height));
    std::vector<std::int64_t> sums(w_out);
    constexpr std::int64_t kHalf = std::int64_t(1) << (2 * kWeightBits - 1);
    for (std::int32_t y = 0; y < out_height; ++y) {
        const FilterTaps &t = rows[static_cast<std::size_t>(y)];
        std::fill(sums.begin(), sums.end(), 0);
        for (std::size_t k = 0; k < t.index.size(); ++k) {
            const std::int32_t *src = &across[static_cast<std::size_t>(t.index[k]) * w_out];
            const std::int64_t w = t.weight[k];
            for (std::size_t x = 0; x < w_out; ++x)
                sums[x] += w * src[x];
        }
        unsigned char *dst = &out[static_cast<std::size_t>(y) * w_out];
        for (std::size_t x = 0; x < w_out; ++x)
            dst[x] = static_cast<unsigned char>((sums[x] + kHalf) >> (2 * kWeightBits));
    }
    return out;
}

} // namespace interop
} // namespace ridge
