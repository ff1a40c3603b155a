// The candidate loop of compareTemplates over described templates.
#include "matcher/prepared_compare.h"

#include "matcher/alignment.h"
#include "matcher/candidate_evaluation.h"
#include "matcher/compare_templates.h"
#include "matcher/pairing.h"

#include <cstring>

namespace ridge {

namespace {

std::size_t live_hoods_offset(int count) { return static_cast<std::size_t>(count) * sizeof(RawMinutia); }
std::size_t base_hoods_offset(int count)
{
    return live_hoods_offset(count) + static_cast<std::size_t>(count) * sizeof(CompactHood);
}
std::size_t sorted_order_offset(int count)
{
    return base_hoods_offset(count) + static_cast<std::size_t>(count) * sizeof(CompactHood);
}

int lowest_set_bit(uint64_t bits)
{
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_ctzll(bits);
#else
    int n = 0;
    while ((bits & 1u) == 0) {
        bits >>= 1;
        ++n;
    }
    return n;
#endif
}

} // namespace

std::size_t describedBytes(int count) { return sorted_order_offset(count) + static_cast<std::size_t>(count); }

TemplateView viewOfBlock(const unsigned char *block, int count, int32_t area)
{
    TemplateView v;
    v.minutiae = reinterpret_cast<const RawMinutia *>(block);
    v.count = count;
    v.area = area;
    v.live_hoods = reinterpret_cast<const CompactHood *>(block + live_hoods_offset(count));
    v.base_hoods = reinterpret_cast<const CompactHood *>(block + base_hoods_offset(count));
    v.sorted_order = block + sorted_order_offset(count);
    return v;
}

bool describeTemplate(const RawMinutia *minutiae, int count, unsigned char *block, TemplateView *view)
{
    if (!describableCount(count))
        return false;
    std::memcpy(block, minutiae, static_cast<std::size_t>(count) * sizeof(RawMinutia));

    // The order by x of sortByX (stable), as positions.
    uint8_t *order = block + sorted_order_offset(count);
    for (int k = 0; k < count; ++k) {
        int at = k;
        while (at > 0 && minutiae[order[at - 1]].x > minutiae[k].x) {
            order[at] = order[at - 1];
            --at;
        }
        order[at] = static_cast<uint8_t>(k);
    }
    RawMinutia sorted[FPT_MAX_MINUTIAE];
    for (int k = 0; k < count; ++k)
        sorted[k] = minutiae[order[k]];

    auto table = std::make_unique<NeighbourhoodTable>();
    bool order_free[kTableCapacity];
    buildNeighbourhoods(minutiae, count, table.get(), order_free);
    if (!compactable(*table, count))
        return false;
    CompactHood *live = reinterpret_cast<CompactHood *>(block + live_hoods_offset(count));
    compactTable(*table, count, live);

    // In the order by x, a neighbourhood that does not depend on the order
    // is the same one renumbered; the others are selected again.
    uint8_t rank[FPT_MAX_MINUTIAE];
    for (int k = 0; k < count; ++k)
        rank[order[k]] = static_cast<uint8_t>(k);
    CompactHood *base = reinterpret_cast<CompactHood *>(block + base_hoods_offset(count));
    for (int p = 0; p < count; ++p) {
        if (order_free[order[p]]) {
            base[p] = live[order[p]];
            for (int k = 0; k < kNeighbourCount; ++k)
                base[p].index[k] = rank[base[p].index[k]];
            continue;
        }
        Neighbourhood hood;
        buildNeighbourhood(sorted, count, p, &hood);
        NeighbourhoodTable *one = table.get();
        one->entries[0] = hood;
        if (!compactable(*one, 1))
            return false;
        base[p] = compactHood(hood);
    }
    *view = viewOfBlock(block, count, boundingBoxArea(minutiae, count));
    return true;
}

void PreparedProbe::prepare(const TemplateView &view)
{
    view_ = view;
    sorted_.resize(static_cast<std::size_t>(view.count));
    for (int k = 0; k < view.count; ++k)
        sorted_[static_cast<std::size_t>(k)] = view.minutiae[view.sorted_order[k]];
    live_reach_->build(view.live_hoods, view.count);
    base_reach_->build(view.base_hoods, view.count);
    base_grid_->build(sorted_.data(), view.count);
}

int32_t comparePrepared(const PreparedProbe &probe, const TemplateView &other, PreparedWorkspace *w)
{
    const TemplateView &p = probe.view();
    // The roles of compareTemplates(probe, other).
    const bool other_is_base = p.count < other.count || (p.count == other.count && p.area < other.area);
    int32_t best = 0;
    if (other_is_base) {
        for (int k = 0; k < other.count; ++k)
            w->sorted[k] = other.minutiae[other.sorted_order[k]];
        w->grid.build(w->sorted, other.count);
        const Sides s{w->sorted, other.count, other.base_hoods, p.minutiae, p.count, p.live_hoods, &w->grid, &w->scratch};
        const ReachIndex &reach = probe.liveReach();
        for (int i = 0; i < s.base_count; ++i) {
            const LiveSet partners = reach.partners(s.base_hoods[i]);
            for (int word = 0; word < kLiveSetWords; ++word)
                for (uint64_t bits = partners.words[word]; bits != 0; bits &= bits - 1)
                    tryCompactCandidate(s, i, word * 64 + lowest_set_bit(bits), &best);
        }
    } else {
        const Sides s{probe.sortedMinutiae(), p.count,        p.base_hoods,        other.minutiae,
                      other.count,            other.live_hoods, &probe.baseGrid(), &w->scratch};
        const ReachIndex &reach = probe.baseReach();
        for (int j = 0; j < s.live_count; ++j) {
            const LiveSet partners = reach.partners(s.live_hoods[j]);
            for (int word = 0; word < kLiveSetWords; ++word)
                for (uint64_t bits = partners.words[word]; bits != 0; bits &= bits - 1)
                    tryCompactCandidate(s, word * 64 + lowest_set_bit(bits), j, &best);
        }
    }
    return best;
}

} // namespace ridge
