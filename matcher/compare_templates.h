// Comparison of two raw templates: roles, topping up, the candidate loop
// and the best pairing score.
#ifndef RIDGESDK_MATCHER_COMPARE_TEMPLATES_H
#define RIDGESDK_MATCHER_COMPARE_TEMPLATES_H

#include "ridgesdk.h"

#include <cstdint>

namespace ridge {

// Best pairing score of two templates (counts 1..128). Both copies have
// room for 128 minutiae and are reordered and topped up in place.
int32_t compareTemplates(RawMinutia *a, RawMinutia *b, int count_a, int count_b);

// The angle gate of the candidate loop: a base and a live minutia whose
// directions differ by more than 90 degrees are not tried as one point.
constexpr int32_t kMaxCandidateAngle = 90;
bool withinCandidateAngle(int32_t base_angle, int32_t live_angle);

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
