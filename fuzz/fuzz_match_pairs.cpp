// ridge_match_pairs and ridge_render_pair on two templates built minutia by
// minutia: refused exactly as ridge_check_template refuses either template;
// otherwise matchRawFPTs's score, pairs that are one to one and within both
// templates, and (when the first byte asks, for templates within 600
// pixels) a picture of the right size.
//
// Input: a flags byte, the two counts (0..130 each), then per minutia a
// shape byte and four 32-bit fields; the shape keeps each field as it is,
// folds it within its bounds, or into a finger-sized area.
#include "ridgeinspect.h"

#include "fuzz_input.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

namespace {

int32_t shaped(std::uint32_t value, unsigned shape, int32_t bound)
{
    switch (shape & 3u) {
    case 0: return static_cast<int32_t>(value);
    case 1: return static_cast<int32_t>(value % (static_cast<std::uint32_t>(bound) + 1u));
    default: return static_cast<int32_t>(value % std::min<std::uint32_t>(400u, static_cast<std::uint32_t>(bound) + 1u));
    }
}

std::vector<RawMinutia> shaped_template(ridge_fuzz::InputReader &input, int count)
{
    std::vector<RawMinutia> out;
    for (int k = 0; k < count; ++k) {
        const std::uint8_t shape = input.byte();
        RawMinutia m;
        m.type = 1 + static_cast<int32_t>(input.u32() % 2u);
        m.x = shaped(input.u32(), shape, 16383);
        m.y = shaped(input.u32(), shape >> 2, 16383);
        m.angle = shaped(input.u32(), shape >> 4, 360);
        out.push_back(m);
    }
    return out;
}

TemplateBuffer record_of(std::vector<RawMinutia> &m)
{
    return TemplateBuffer{m.empty() ? nullptr : reinterpret_cast<unsigned char *>(m.data()),
                          static_cast<uint32_t>(m.size() * sizeof(RawMinutia)), FPT_FORMAT_RAW};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ridge_set_diagnostic_handler(ridge_diagnostic_drop, nullptr);
    ridge_fuzz::InputReader input(data, size);
    const std::uint8_t flags = input.byte();
    const int count_a = input.byte() % 131, count_b = input.byte() % 131;
    std::vector<RawMinutia> a = shaped_template(input, count_a), b = shaped_template(input, count_b);
    const TemplateBuffer ta = record_of(a), tb = record_of(b);

    const int32_t check_a = ridge_check_template(&ta), check_b = ridge_check_template(&tb);
    double score = -1;
    ridge_minutia_pair pairs[FPT_MAX_MINUTIAE];
    int32_t count = -1;
    const int32_t status = ridge_match_pairs(&ta, &tb, &score, pairs, &count);
    FUZZ_REQUIRE(status == (check_a != RIDGE_OK ? check_a : check_b));
    if (status != RIDGE_OK) {
        FUZZ_REQUIRE(count == -1 && score == -1);
        return 0;
    }
    double expected = -2;
    FUZZ_REQUIRE(matchRawFPTs(&ta, &tb, &expected) == FPT_OK);
    FUZZ_REQUIRE(score == expected);
    FUZZ_REQUIRE(count >= 0 && count <= std::min(count_a, count_b));
    std::set<int32_t> firsts, seconds;
    for (int32_t k = 0; k < count; ++k) {
        FUZZ_REQUIRE(pairs[k].first >= 0 && pairs[k].first < count_a);
        FUZZ_REQUIRE(pairs[k].second >= 0 && pairs[k].second < count_b);
        FUZZ_REQUIRE(firsts.insert(pairs[k].first).second && seconds.insert(pairs[k].second).second);
    }
    if (count == 0)
        FUZZ_REQUIRE(score == 0.0 || count_a <= 8 || count_b <= 8);

    // Pictures of templates within a finger's area only: larger ones cost
    // megabytes per run (their bound has a test of its own).
    const auto small = [](const std::vector<RawMinutia> &t) {
        return std::all_of(t.begin(), t.end(), [](const RawMinutia &m) { return m.x < 600 && m.y < 600; });
    };
    if ((flags & 1u) != 0 && small(a) && small(b)) {
        ridge_picture picture{0, 0, nullptr};
        double drawn = -1;
        FUZZ_REQUIRE(ridge_render_pair(nullptr, &ta, nullptr, &tb, RIDGE_LAYER_MINUTIAE, &picture, &drawn) ==
                     RIDGE_OK);
        FUZZ_REQUIRE(drawn == score);
        FUZZ_REQUIRE(picture.width >= 16 + 8 + 16 && picture.width <= 2 * 612 + 8);
        FUZZ_REQUIRE(picture.height >= 16 + 11 && picture.height <= 612 + 11);
        ridge_picture_release(&picture);
    }
    return 0;
}
