// The private pseudo-random generator of a comparison and the far-away
// minutiae that top up small templates.
#ifndef RIDGESDK_MATCHER_RANDOM_MINUTIAE_H
#define RIDGESDK_MATCHER_RANDOM_MINUTIAE_H

#include "ridgesdk.h"

#include <cstdint>

namespace ridge {

// 32-bit linear congruential generator, draws of 0..32767.
class MatchRandom {
public:
    explicit MatchRandom(uint32_t seed) : state_(seed) {}
    int32_t next()
    {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int32_t>((state_ >> 16) & 0x7FFFu);
    }

private:
    uint32_t state_;
};

// Templates of this many minutiae or fewer are topped up to exactly this many.
constexpr int kMinimumTemplateCount = 8;
// Random minutiae lie in [origin, origin + 100] on both axes.
constexpr int32_t kBaseRandomOrigin = 2000;
constexpr int32_t kLiveRandomOrigin = 1000;

// Tops up a template of count <= 8 minutiae to 8 with random ridge endings
// near (origin, origin) and writes the trace line naming the role. Returns
// the new count (unchanged when above 8).
int topUpTemplate(RawMinutia *minutiae, int count, int32_t origin, const char *role,
                  MatchRandom *random);

} // namespace ridge

#endif
