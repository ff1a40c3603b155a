// Synthetic raw templates for the matcher tests: spread-out random
// templates and genuine-like copies (turned, shifted, jittered, with some
// minutiae lost and some gained).
#ifndef RIDGESDK_TESTS_MATCHER_TEMPLATES_H
#define RIDGESDK_TESTS_MATCHER_TEMPLATES_H

#include "ridgesdk.h"

#include <cstdint>
#include <random>
#include <vector>

namespace ridge_test {

using Minutiae = std::vector<RawMinutia>;

// count minutiae inside [0, width) x [0, height), no two closer than
// min_spacing pixels, even angles 0..358, types 1 and 2 at random.
Minutiae random_template(uint32_t seed, int count, int width = 380, int height = 370,
                         int min_spacing = 12);

// count minutiae on a coarse grid of cells x cells points step pixels
// apart: many equal distances and some twins. Angles are multiples of
// angle_step in 0..360, types 1 and 2 at random.
Minutiae grid_template(std::mt19937 &rng, int count, int cells, int step, int angle_step = 2);

struct Distortion {
    double rotation_degrees = 0.0;
    int shift_x = 0, shift_y = 0;
    int jitter = 0;        // each coordinate moves by -jitter..jitter
    int angle_jitter = 0;  // each angle moves by -angle_jitter..angle_jitter
    int dropped = 0;       // minutiae removed at random
    int added = 0;         // random minutiae added
};

// A genuine-like copy of a template, turned about its centre. Minutiae
// that the turn or the shift moves to a negative x or y are lost.
Minutiae distorted_copy(const Minutiae &source, const Distortion &how, uint32_t seed);

// Every minutia of the template, all of one type.
Minutiae with_type(Minutiae m, int32_t type);

// Score of the SDK's comparison behind matchRawFPTs, without the export's
// checks: it also takes minutiae that the export refuses (coordinates and
// angles anywhere in 32 bits), as the straightforward matcher does.
double comparison_score(const Minutiae &first, const Minutiae &second);

// Score of matchRawFPTs on two raw templates (status must be 1).
double match_score(const Minutiae &first, const Minutiae &second);

// A raw TemplateBuffer that points into the vector.
TemplateBuffer raw_buffer(const Minutiae &m);

} // namespace ridge_test

#endif
