// One extraction with everything its stages produced, and the matcher's
// pairing of two templates: the data behind ridgeinspect.h.
#ifndef RIDGESDK_INSPECT_INSPECTION_H
#define RIDGESDK_INSPECT_INSPECTION_H

#include "extract/extract_minutiae.h"
#include "ridgeinspect.h"

#include <utility>
#include <vector>

namespace ridge {

struct Inspection {
    int width = 0, height = 0;
    std::vector<unsigned char> grey;          // the image, as given
    ExtractionProducts products;              // maps, quality map, binary image
    std::vector<RawMinutia> raw;              // the template, as generateRawFPT makes it
    std::vector<float> reliability;           // of each template minutia
    std::vector<ridge_candidate> candidates;  // detector order
};

// Runs the extraction with its products kept. Returns 0, or the extraction's
// negative code (the inspection is then empty).
int inspect_image(Inspection &out, const unsigned char *image, int width, int height);

// What became of each minutia of the products' first snapshot: its fate
// and, when kept, its position in the final list.
void assign_fates(const ExtractionProducts &products, const lfs::Minutiae &final_minutiae,
                  std::vector<ridge_candidate> &candidates);

// The matcher's best alignment of two templates (counts 0..128): its
// pairing score (0 when either is empty or nothing aligns) and the minutiae
// it paired, as positions (in a, in b), ordered by the position in a.
struct MatchedPairs {
    int32_t best_pairing = 0;
    std::vector<std::pair<int, int>> pairs;
};
MatchedPairs match_pairs(const RawMinutia *a, int count_a, const RawMinutia *b, int count_b);

} // namespace ridge

#endif
