// Topping up small templates with far-away random minutiae.
#include "matcher/random_minutiae.h"

#include "matcher/int32_arith.h"
#include "sdk/diagnostics.h"

namespace ridge {

namespace {

int32_t random_coordinate(MatchRandom *random, int32_t origin)
{
    const double draw = static_cast<double>(random->next());
    return truncate_to_int32(draw / 32767.0 * 100.0 + static_cast<double>(origin));
}

} // namespace

int topUpTemplate(RawMinutia *minutiae, int count, int32_t origin, const char *role,
                  MatchRandom *random)
{
    if (count > kMinimumTemplateCount)
        return count;
    for (int k = count; k < kMinimumTemplateCount; ++k) {
        RawMinutia &m = minutiae[k];
        m.x = random_coordinate(random, origin);
        m.y = random_coordinate(random, origin);
        m.angle = 0;
        m.type = FPT_MINUTIA_RIDGE_ENDING;
    }
    diagnostic(DiagnosticKind::Trace, "\n %s = %d; %d random minutiae added\n", role, count,
               kMinimumTemplateCount - count);
    return kMinimumTemplateCount;
}

} // namespace ridge
