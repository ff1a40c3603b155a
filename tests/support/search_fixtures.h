// Fixtures of the identification tests: galleries held by RAII, the
// templates extracted from the shared real-image sets, and synthetic
// templates kept within the bounds a gallery accepts.
#ifndef RIDGESDK_TESTS_SEARCH_FIXTURES_H
#define RIDGESDK_TESTS_SEARCH_FIXTURES_H

#include "ridgesearch.h"
#include "support/matcher_templates.h"

#include <memory>
#include <string>
#include <vector>

namespace ridge_test {

struct GalleryCloser {
    void operator()(ridge_gallery *g) const { ridge_gallery_close(g); }
};
using GalleryPtr = std::unique_ptr<ridge_gallery, GalleryCloser>;

struct FreeBlock {
    void operator()(void *p) const { ridge_free(p); }
};
template <class T> using Block = std::unique_ptr<T, FreeBlock>;

// A gallery of the templates, named prefix + position (fails the test on
// any refusal).
GalleryPtr make_gallery(const std::vector<Minutiae> &templates, const std::string &prefix = "e");

// Templates of every image of a shared set, in file order (empty when the
// shared data is absent), extracted once per process.
const std::vector<Minutiae> &shared_set_templates(const std::string &set);

// Moves every minutia into 0..16383 (coordinates) and 0..360 (angles).
Minutiae clamped(Minutiae m);

} // namespace ridge_test

#endif
