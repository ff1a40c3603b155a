// matchRawFPTs on two templates built from arbitrary 32-bit fields: it
// either refuses them or returns a finite score within 0..200, the same
// score every time.
//
// The first byte picks how the templates are built:
//  - even: the input's bytes as they are. Two bytes split the rest into the
//    two templates; the next picks rare format tags (sizes past the bound
//    and trailing bytes come for free);
//  - odd: minutia by minutia. Two bytes give the counts (0..130 each), one
//    the format tags, then per minutia a shape byte and four 32-bit fields.
//    The shape folds each field into a range: as it is, within its bounds,
//    at the edges of its bounds, or inside a finger-sized area, so that the
//    comparison is reached as often as the refusal.
#include "ridgesdk.h"

#include "fuzz_input.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int32_t kMaxAngle = 360;
constexpr int32_t kMaxCoordinate = 16383;

int32_t shaped(std::uint32_t value, unsigned shape, int32_t bound)
{
    switch (shape & 3u) {
    case 0: return static_cast<int32_t>(value);
    case 1: return static_cast<int32_t>(value % (static_cast<std::uint32_t>(bound) + 1u));
    case 2: {
        // -2..2 around 0 or around the bound.
        const int32_t near = static_cast<int32_t>(value % 5u) - 2;
        return (value & 8u) ? bound + near : near;
    }
    default: return static_cast<int32_t>(value % 400u);
    }
}

std::vector<unsigned char> shaped_template(ridge_fuzz::InputReader &input, int count)
{
    std::vector<unsigned char> bytes;
    for (int k = 0; k < count; ++k) {
        const std::uint8_t shape = input.byte();
        RawMinutia m;
        m.type = shaped(input.u32(), shape, 3);
        m.x = shaped(input.u32(), shape >> 2, kMaxCoordinate);
        m.y = shaped(input.u32(), shape >> 4, kMaxCoordinate);
        m.angle = shaped(input.u32(), shape >> 6, kMaxAngle);
        const auto *p = reinterpret_cast<const unsigned char *>(&m);
        bytes.insert(bytes.end(), p, p + sizeof m);
    }
    return bytes;
}

// Whether every whole minutia lies within the bounds that the comparison
// accepts, read independently of the SDK's own check.
bool within_bounds(const std::vector<unsigned char> &bytes)
{
    for (std::size_t at = 0; at + sizeof(RawMinutia) <= bytes.size(); at += sizeof(RawMinutia)) {
        RawMinutia m;
        std::memcpy(&m, bytes.data() + at, sizeof m);
        if (m.angle < 0 || m.angle > kMaxAngle || m.x < 0 || m.x > kMaxCoordinate || m.y < 0 ||
            m.y > kMaxCoordinate)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ridge_fuzz::InputReader input(data, size);
    const bool by_fields = (input.byte() & 1u) != 0;
    std::vector<unsigned char> first, second;
    std::uint8_t tags;
    if (by_fields) {
        const int count_a = input.byte() % 131, count_b = input.byte() % 131;
        tags = input.byte();
        first = shaped_template(input, count_a);
        second = shaped_template(input, count_b);
    } else {
        const std::size_t split = input.u16();
        tags = input.byte();
        const std::size_t rest = input.remaining();
        const std::size_t first_size = rest == 0 ? 0 : split % (rest + 1);
        first.assign(input.rest(), input.rest() + first_size);
        second.assign(input.rest() + first_size, input.rest() + rest);
    }

    TemplateBuffer a{first.empty() ? nullptr : first.data(), static_cast<std::uint32_t>(first.size()),
                     (tags & 0x0f) == 0x0f ? FPT_FORMAT_PACKED : FPT_FORMAT_RAW};
    TemplateBuffer b{second.empty() ? nullptr : second.data(),
                     static_cast<std::uint32_t>(second.size()),
                     (tags & 0xf0) == 0xf0 ? FPT_FORMAT_FMR378 : FPT_FORMAT_RAW};
    double score = -1.0;
    const SdkStatus status = matchRawFPTs(&a, &b, &score);
    if (a.format != FPT_FORMAT_RAW || b.format != FPT_FORMAT_RAW) {
        FUZZ_REQUIRE(status == FPT_ERR_FORMAT && score == 0.0);
        return 0;
    }
    if (a.size > 2048 || b.size > 2048 || !within_bounds(first) || !within_bounds(second)) {
        FUZZ_REQUIRE(status == FPT_ERR_SIZE && score == 0.0);
        return 0;
    }
    FUZZ_REQUIRE(status == FPT_OK);
    FUZZ_REQUIRE(std::isfinite(score) && score >= 0.0 && score <= 200.0);
    if (a.size < 16 || b.size < 16)
        FUZZ_REQUIRE(score == 0.0);

    // One pair always gets one score.
    double again = -1.0;
    FUZZ_REQUIRE(matchRawFPTs(&a, &b, &again) == FPT_OK);
    FUZZ_REQUIRE(again == score);

    // The same bytes without their block are refused before anything else.
    if (a.size > 0) {
        TemplateBuffer missing = a;
        missing.data = nullptr;
        double untouched = -3.0;
        FUZZ_REQUIRE(matchRawFPTs(&missing, &b, &untouched) == FPT_FAILED && untouched == -3.0);
    }
    return 0;
}
