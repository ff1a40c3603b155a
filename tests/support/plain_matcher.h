// The straightforward matcher: every neighbourhood selected with the eight
// exchange passes over all minutiae, every candidate compared record by
// record and every alignment paired against every live minutia. The SDK's
// matcher takes short cuts that must give exactly these scores.
#ifndef RIDGESDK_TESTS_PLAIN_MATCHER_H
#define RIDGESDK_TESTS_PLAIN_MATCHER_H

#include "matcher/neighbourhoods.h"

#include <cstdint>
#include <vector>

namespace ridge_test {

void plain_build_neighbourhoods(const RawMinutia *minutiae, int count, ridge::NeighbourhoodTable *table);

// Best pairing score, as compareTemplates (the copies are changed alike).
int32_t plain_compare_templates(RawMinutia *a, RawMinutia *b, int count_a, int count_b);

// Similarity score of two raw templates, as matchRawFPTs on valid input.
double plain_match_score(const std::vector<RawMinutia> &first, const std::vector<RawMinutia> &second);

} // namespace ridge_test

#endif
