// Comparison of two raw templates: roles, topping up, the candidate loop
// and the best pairing score.
#ifndef RIDGESDK_MATCHER_COMPARE_TEMPLATES_H
#define RIDGESDK_MATCHER_COMPARE_TEMPLATES_H

#include "matcher/alignment.h"
#include "matcher/int32_arith.h"
#include "ridgesdk.h"

#include <cstdint>

namespace ridge {

// Where a comparison found its best pairing, for pictures of it: the roles,
// the counts after topping up, the candidate pair (positions in the base
// copy sorted by x and in the live copy, as compareTemplates leaves them)
// and its alignment. found is false when no candidate scored above 0.
struct BestCandidate {
    bool found = false;
    bool second_is_base = false;
    int base_count = 0, live_count = 0;
    int base_index = -1, live_index = -1;
    Alignment alignment{};
};

// Best pairing score of two templates (counts 1..128). Both copies have
// room for 128 minutiae and are reordered and topped up in place.
// best_candidate, when given, receives the candidate that scored it; the
// score is the same with or without it.
int32_t compareTemplates(RawMinutia *a, RawMinutia *b, int count_a, int count_b,
                         BestCandidate *best_candidate = nullptr);

// The angle gate of the candidate loop: a base and a live minutia whose
// directions differ by more than 90 degrees are not tried as one point.
constexpr int32_t kMaxCandidateAngle = 90;
inline bool withinCandidateAngle(int32_t base_angle, int32_t live_angle)
{
    return circular_difference(base_angle, live_angle) <= kMaxCandidateAngle;
}

// Bounding-box area (max x - min x) * (max y - min y), wrapping in 32 bits.
int32_t boundingBoxArea(const RawMinutia *minutiae, int count);

// True when b becomes the base template and a the live one: b has more
// minutiae, or as many with a larger bounding box.
bool secondIsBase(const RawMinutia *a, const RawMinutia *b, int count_a, int count_b);

// Sorts by ascending x, keeping the template order among equal x.
void sortByX(RawMinutia *minutiae, int count);

// Similarity score from the best pairing score and the original counts.
double similarityScore(int32_t best_pairing, int count_a, int count_b);

} // namespace ridge

#endif
