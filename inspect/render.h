// Pictures of inspections: the layers of ridgeinspect.h over the grey
// image, and two impressions side by side with the matcher's pairs.
#ifndef RIDGESDK_INSPECT_RENDER_H
#define RIDGESDK_INSPECT_RENDER_H

#include "inspect/inspection.h"
#include "inspect/raster.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ridge {

// One impression to draw: an inspection, a template, or both (the template
// then replaces the inspection's own).
struct PictureSide {
    const Inspection *inspection = nullptr;
    std::vector<RawMinutia> minutiae;
    std::vector<float> reliability; // one per minutia, or empty: drawn in one colour
};

// The side of an inspection with its own template and reliabilities.
PictureSide inspection_side(const Inspection &inspection);

// Placement of the marks, shared with whoever checks them.
constexpr int kEndingRadius = 4;     // ring around a ridge ending
constexpr int kBifurcationHalf = 3;  // half side of the square around a bifurcation
constexpr int kStrokeEnd = 11;       // the stroke runs from the mark out to this distance
constexpr int kPairGap = 8;          // white columns between the two sides
constexpr int kPairBand = 11;        // rows of the score band above them
const Rgb kGivenTemplateColour{0, 64, 255};
constexpr int kMaxTemplateSide = 2048; // largest side of a template drawn without its image

// Colour of a minutia of this reliability: red at 0, yellow at 0.5, green at 1.
Rgb reliability_colour(float reliability);
// Colour of the line that joins the n-th pair (from 0).
Rgb pair_colour(size_t n);

Canvas render_side(const PictureSide &side, uint32_t layers);
Canvas render_pair(const PictureSide &first, const PictureSide &second, uint32_t layers,
                   const MatchedPairs &pairs, double score);

} // namespace ridge

#endif
