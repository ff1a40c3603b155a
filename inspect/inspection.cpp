// The inspection of one image, the fates of its minutiae, and the pairs of
// the matcher's best alignment.
#include "inspect/inspection.h"

#include "extract/minutiae/raw_conversion.h"
#include "matcher/compare_templates.h"
#include "matcher/pairing.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace ridge {

namespace {

// The same detector minutia, whatever later steps wrote into its angle.
bool same_detection(const lfs::Minutia &a, const lfs::Minutia &b)
{
    return a.x == b.x && a.y == b.y && a.ex == b.ex && a.ey == b.ey && a.direction == b.direction &&
           a.type == b.type && a.reliability == b.reliability && a.appearing == b.appearing &&
           a.feature_id == b.feature_id;
}

// For each entry of `from`, whether it is still in `kept`, a list made from
// it by removals alone (so in the same order).
std::vector<bool> survivors(const lfs::Minutiae &from, const lfs::Minutiae &kept)
{
    std::vector<bool> out(from.list.size(), false);
    size_t k = 0;
    for (size_t i = 0; i < from.list.size() && k < kept.list.size(); ++i)
        if (same_detection(from.list[i], kept.list[k])) {
            out[i] = true;
            ++k;
        }
    return out;
}

} // namespace

void assign_fates(const ExtractionProducts &products, const lfs::Minutiae &final_minutiae,
                  std::vector<ridge_candidate> &candidates)
{
    const lfs::Minutiae &before = products.before_screening;
    const std::vector<bool> past_void = survivors(before, products.after_void_screening);
    const std::vector<bool> past_side_of_void = survivors(products.after_void_screening,
                                                          products.after_side_screening);
    std::vector<bool> final_used(final_minutiae.list.size(), false);
    candidates.clear();
    candidates.reserve(before.list.size());
    size_t v = 0; // position in after_void_screening
    for (size_t i = 0; i < before.list.size(); ++i) {
        const lfs::Minutia &m = before.list[i];
        ridge_candidate c{};
        c.x = m.x;
        c.y = m.y;
        c.direction = m.direction;
        c.type = m.type == lfs::RIDGE_ENDING ? FPT_MINUTIA_RIDGE_ENDING : FPT_MINUTIA_BIFURCATION;
        c.reliability = m.reliability;
        c.template_index = -1;
        if (!past_void[i]) {
            c.fate = RIDGE_CANDIDATE_NEAR_VOID;
        } else if (!past_side_of_void[v++]) {
            c.fate = RIDGE_CANDIDATE_OPEN_SIDE;
        } else {
            c.fate = RIDGE_CANDIDATE_OVER_CAP;
            for (size_t f = 0; f < final_minutiae.list.size(); ++f)
                if (!final_used[f] && same_detection(m, final_minutiae.list[f])) {
                    final_used[f] = true;
                    c.fate = RIDGE_CANDIDATE_KEPT;
                    c.template_index = static_cast<int32_t>(f);
                    break;
                }
        }
        candidates.push_back(c);
    }
}

int inspect_image(Inspection &out, const unsigned char *image, int width, int height)
{
    out = Inspection{};
    lfs::Minutiae minutiae;
    const int ret = extract_minutiae(minutiae, image, width, height, nullptr, &out.products);
    if (ret != 0)
        return ret;
    out.width = width;
    out.height = height;
    out.grey.assign(image, image + static_cast<size_t>(width) * static_cast<size_t>(height));
    out.raw = to_raw_minutiae(minutiae);
    out.reliability.reserve(minutiae.list.size());
    for (const lfs::Minutia &m : minutiae.list)
        out.reliability.push_back(m.reliability);
    assign_fates(out.products, minutiae, out.candidates);
    // The snapshots have served; the candidates say all they said.
    out.products.before_screening = lfs::Minutiae{};
    out.products.after_void_screening = lfs::Minutiae{};
    out.products.after_side_screening = lfs::Minutiae{};
    return 0;
}

MatchedPairs match_pairs(const RawMinutia *a, int count_a, const RawMinutia *b, int count_b)
{
    MatchedPairs out;
    if (count_a <= 0 || count_b <= 0)
        return out;
    // Working copies as matchRawFPTs makes them.
    RawMinutia ca[FPT_MAX_MINUTIAE], cb[FPT_MAX_MINUTIAE];
    std::memcpy(ca, a, static_cast<size_t>(count_a) * sizeof(RawMinutia));
    std::memcpy(cb, b, static_cast<size_t>(count_b) * sizeof(RawMinutia));
    BestCandidate found;
    out.best_pairing = compareTemplates(ca, cb, count_a, count_b, &found);
    if (!found.found)
        return out;

    const RawMinutia *base = found.second_is_base ? cb : ca;
    const RawMinutia *live = found.second_is_base ? ca : cb;
    const RawMinutia *base_original = found.second_is_base ? b : a;
    const int base_original_count = found.second_is_base ? count_b : count_a;
    const int live_original_count = found.second_is_base ? count_a : count_b;
    RawMinutia aligned[FPT_MAX_MINUTIAE];
    applyAlignment(live, found.live_count, found.alignment, aligned);
    int partners[FPT_MAX_MINUTIAE];
    if (pairPartners(base, found.base_count, aligned, found.live_count, partners) != out.best_pairing)
        throw std::logic_error("the best alignment pairs differently on a second look");

    // The base copy is sorted by x and topped up: its entries are found
    // again among the original minutiae (equal ones in turn); the live copy
    // keeps the original order, with the added minutiae after it.
    std::vector<bool> used(static_cast<size_t>(base_original_count), false);
    for (int i = 0; i < found.base_count; ++i) {
        const int j = partners[i];
        if (j < 0 || j >= live_original_count)
            continue;
        for (int k = 0; k < base_original_count; ++k) {
            const RawMinutia &o = base_original[k];
            if (used[static_cast<size_t>(k)] || o.x != base[i].x || o.y != base[i].y ||
                o.angle != base[i].angle || o.type != base[i].type)
                continue;
            used[static_cast<size_t>(k)] = true;
            if (found.second_is_base)
                out.pairs.emplace_back(j, k);
            else
                out.pairs.emplace_back(k, j);
            break;
        }
    }
    std::sort(out.pairs.begin(), out.pairs.end());
    return out;
}

} // namespace ridge
