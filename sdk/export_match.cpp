// matchRawFPTs: argument checks, working copies and the similarity score.
#include "ridgesdk.h"

#include "matcher/compare_templates.h"
#include "sdk/template_checks.h"

#include <cstring>

namespace {

constexpr uint32_t kMaxRawTemplateBytes = 16u * FPT_MAX_MINUTIAE;

} // namespace

extern "C" RIDGESDK_API SdkStatus matchRawFPTs(const TemplateBuffer *first,
                                               const TemplateBuffer *second, double *score)
{
    // Missing arguments come before every other check; nothing is written.
    if (first == nullptr || second == nullptr || score == nullptr || ridge::recordWithoutData(*first) ||
        ridge::recordWithoutData(*second))
        return FPT_FAILED;
    // Both format tags are tested before either size.
    if (first->format != FPT_FORMAT_RAW || second->format != FPT_FORMAT_RAW) {
        *score = 0.0;
        return FPT_ERR_FORMAT;
    }
    if (first->size > kMaxRawTemplateBytes || second->size > kMaxRawTemplateBytes) {
        *score = 0.0;
        return FPT_ERR_SIZE;
    }

    const int count_a = static_cast<int>(first->size / sizeof(RawMinutia));
    const int count_b = static_cast<int>(second->size / sizeof(RawMinutia));
    // A minutia out of bounds would wrap the comparison's 32-bit arithmetic
    // and slip through its angle tests: such a template could match any
    // finger.
    if (ridge::firstInvalidMinutia(first->data, count_a) >= 0 ||
        ridge::firstInvalidMinutia(second->data, count_b) >= 0) {
        *score = 0.0;
        return FPT_ERR_SIZE;
    }
    if (count_a == 0 || count_b == 0) {
        *score = 0.0;
        return FPT_OK;
    }

    // Working copies: the comparison sorts and tops them up in place.
    RawMinutia a[FPT_MAX_MINUTIAE];
    RawMinutia b[FPT_MAX_MINUTIAE];
    std::memcpy(a, first->data, static_cast<size_t>(count_a) * sizeof(RawMinutia));
    std::memcpy(b, second->data, static_cast<size_t>(count_b) * sizeof(RawMinutia));

    const int32_t best = ridge::compareTemplates(a, b, count_a, count_b);
    *score = ridge::similarityScore(best, count_a, count_b);
    return FPT_OK;
}
