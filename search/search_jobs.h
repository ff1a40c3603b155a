// The jobs behind ridge_gallery_search, _dedup and _cross, in C++: every
// score is the value matchRawFPTs gives the same two templates in the same
// argument order.
#ifndef RIDGESDK_SEARCH_SEARCH_JOBS_H
#define RIDGESDK_SEARCH_SEARCH_JOBS_H

#include "search/gallery.h"
#include "search/parallel_job.h"

#include <cstdint>
#include <vector>

namespace ridge {

struct SearchHit {
    std::size_t index; // position in the gallery
    double score;
};

struct PairHit {
    std::size_t first, second; // positions in the first and second gallery
    double score;
};

struct JobSettings {
    double min_score = 0.0;
    uint32_t threads = 0; // 0: one per core
    JobProgress progress;
};

// matchRawFPTs(a, b) of two valid templates: the plain comparison, which
// the jobs use for the templates they cannot describe and the tests hold
// the described comparisons to.
double referenceScore(const RawMinutia *a, int count_a, const RawMinutia *b, int count_b);

// The best `top` entries (0: all) scoring at least min_score against the
// probe, best first, equal scores in gallery order.
int32_t searchGallery(const Gallery &gallery, const Minutiae &probe, uint32_t top,
                      const JobSettings &settings, std::vector<SearchHit> *hits);

// Every pair of entries (earlier, later) scoring at least min_score, by
// first then second position.
int32_t dedupGallery(const Gallery &gallery, const JobSettings &settings, std::vector<PairHit> *pairs);

// Every (entry of first, entry of second) scoring at least min_score, by
// first then second position.
int32_t crossGalleries(const Gallery &first, const Gallery &second, const JobSettings &settings,
                       std::vector<PairHit> *pairs);

} // namespace ridge

#endif
