// Resampling of grey images to another resolution with a separable
// triangle filter: linear interpolation when the image grows, a tent
// widened by the reduction factor (area weighting) when it shrinks.
#ifndef RIDGESDK_INTEROP_IMAGE_RESAMPLE_H
#define RIDGESDK_INTEROP_IMAGE_RESAMPLE_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ridge {
namespace interop {

constexpr int kWeightBits = 14; // fixed-point scale of the filter weights

// The taps of one output sample: input indices (borders repeated) and
// weights that add up to exactly 1 << kWeightBits.
struct FilterTaps {
    std::vector<std::int32_t> index;
    std::vector<std::int32_t> weight;
};

// Output length for an input length and a scale (output per input pixel):
// round(length * scale), at least 1.
std::int64_t resampled_length(std::int64_t length, double scale);

// The taps of each of out_length outputs over in_length inputs. Output o is
// centred on input coordinate (o + 0.5) / scale - 0.5.
std::vector<FilterTaps> filter_taps(std::int32_t in_length, std::int32_t out_length, double scale);

// Resamples width x height pixels (top row first) by scale in both
// directions into out_width x out_height.
std::vector<unsigned char> resample(const unsigned char *pixels, std::int32_t width,
                                    std::int32_t height, double scale, std::int32_t out_width,
                                    std::int32_t out_height);

} // namespace interop
} // namespace ridge

#endif
