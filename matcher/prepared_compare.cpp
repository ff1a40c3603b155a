// The candidate loop of compareTemplates over described templates.
#include "matcher/prepared_compare.h"

#include "matcher/candidate_evaluation.h"
#include "matcher/compare_templates.h"

#include <cstring>

namespace ridge {

namespace {

// The block: this header, the minutiae, the template-order
// neighbourhoods, the exceptions, then sorted_order, rank and base_slot.
struct BlockHeader {
    int32_t count;
    int32_t exceptions;
    int32_t area;
    int32_t reserved;
};
static_assert(sizeof(BlockHeader) % alignof(RawMinutia) == 0, "minutiae follow the header");

std::size_t live_offset(int count)
{
    return sizeof(BlockHeader) + static_cast<std::size_t>(count) * sizeof(RawMinutia);
}
std::size_t exceptions_offset(int count)
{
    return live_offset(count) + static_cast<std::size_t>(count) * sizeof(CompactHood);
}
std::size_t arrays_offset(int count, int exceptions)
{
    return exceptions_offset(count) + static_cast<std::size_t>(exceptions) * sizeof(CompactHood);
}
std::size_t block_bytes(int count, int exceptions)
{
    return arrays_offset(count, exceptions) + 3 * static_cast<std::size_t>(count);
}

} // namespace

TemplateView viewOfBlock(const unsigned char *block)
{
    BlockHeader h;
    std::memcpy(&h, block, sizeof h);
    TemplateView v;
    v.count = h.count;
    v.area = h.area;
    v.minutiae = reinterpret_cast<const RawMinutia *>(block + sizeof(BlockHeader));
    v.live_hoods = reinterpret_cast<const CompactHood *>(block + live_offset(h.count));
    v.exceptions = reinterpret_cast<const CompactHood *>(block + exceptions_offset(h.count));
    const unsigned char *arrays = block + arrays_offset(h.count, h.exceptions);
    v.sorted_order = arrays;
    v.rank = arrays + h.count;
    v.base_slot = arrays + 2 * h.count;
    return v;
}

bool describeTemplate(const RawMinutia *minutiae, int count, DescribedBlock *out)
{
    if (!describableCount(count))
        return false;
    // The comparisons of descriptions count on the bounds of
    // ridge_check_template (angles 0..360, coordinates 0..16383).
    for (int k = 0; k < count; ++k) {
        const RawMinutia &m = minutiae[k];
        if (m.angle < 0 || m.angle > 360 || m.x < 0 || m.x > kAlignedCoordinateLimit || m.y < 0 ||
            m.y > kAlignedCoordinateLimit)
            return false;
    }

    // The order by x of sortByX (stable), as positions, and its inverse.
    uint8_t order[FPT_MAX_MINUTIAE], rank[FPT_MAX_MINUTIAE];
    for (int k = 0; k < count; ++k) {
        int at = k;
        while (at > 0 && minutiae[order[at - 1]].x > minutiae[k].x) {
            order[at] = order[at - 1];
            --at;
        }
        order[at] = static_cast<uint8_t>(k);
    }
    for (int k = 0; k < count; ++k)
        rank[order[k]] = static_cast<uint8_t>(k);

    std::unique_ptr<NeighbourhoodTable> table(new NeighbourhoodTable);
    bool order_free[kTableCapacity];
    buildNeighbourhoods(minutiae, count, table.get(), order_free);
    if (!compactable(*table, count))
        return false;

    // In the order by x, a neighbourhood that does not depend on the order
    // is the same one; the others are selected again and kept, their
    // records renamed to template positions.
    RawMinutia sorted[FPT_MAX_MINUTIAE];
    for (int k = 0; k < count; ++k)
        sorted[k] = minutiae[order[k]];
    uint8_t slot[FPT_MAX_MINUTIAE];
    CompactHood exceptions[FPT_MAX_MINUTIAE];
    int exception_count = 0;
    for (int p = 0; p < count; ++p) {
        if (order_free[order[p]]) {
            slot[p] = TemplateView::kSameHood;
            continue;
        }
        Neighbourhood hood;
        buildNeighbourhood(sorted, count, p, &hood);
        if (!compactable(hood))
            return false;
        CompactHood h = compactHood(hood);
        for (int k = 0; k < kNeighbourCount; ++k)
            h.index[k] = order[h.index[k]];
        slot[p] = static_cast<uint8_t>(exception_count);
        exceptions[exception_count++] = h;
    }

    const std::size_t bytes = block_bytes(count, exception_count);
    std::unique_ptr<unsigned char[]> block(new unsigned char[bytes]);
    const BlockHeader header{count, exception_count, boundingBoxArea(minutiae, count), 0};
    std::memcpy(block.get(), &header, sizeof header);
    std::memcpy(block.get() + sizeof header, minutiae, static_cast<std::size_t>(count) * sizeof(RawMinutia));
    CompactHood *live = reinterpret_cast<CompactHood *>(block.get() + live_offset(count));
    compactTable(*table, count, live);
    std::memcpy(block.get() + exceptions_offset(count), exceptions,
                static_cast<std::size_t>(exception_count) * sizeof(CompactHood));
    unsigned char *arrays = block.get() + arrays_offset(count, exception_count);
    std::memcpy(arrays, order, static_cast<std::size_t>(count));
    std::memcpy(arrays + count, rank, static_cast<std::size_t>(count));
    std::memcpy(arrays + 2 * count, slot, static_cast<std::size_t>(count));
    out->bytes = std::move(block);
    out->size = bytes;
    return true;
}

void PreparedProbe::prepare(const TemplateView &view)
{
    view_ = view;
    const std::size_t n = static_cast<std::size_t>(view.count);
    sorted_.resize(n);
    base_hoods_.resize(n);
    for (int p = 0; p < view.count; ++p) {
        sorted_[static_cast<std::size_t>(p)] = view.minutiae[view.sorted_order[p]];
        CompactHood h = view.baseHood(p);
        for (int k = 0; k < kNeighbourCount; ++k)
            h.index[k] = view.rank[h.index[k]];
        base_hoods_[static_cast<std::size_t>(p)] = h;
    }
    live_reach_->build(view.live_hoods, view.count);
    base_reach_->build(base_hoods_.data(), view.count);
    base_grid_->build(sorted_.data(), view.count);
}

int32_t comparePrepared(const PreparedProbe &probe, const TemplateView &other, PreparedWorkspace *w)
{
    const TemplateView &p = probe.view();
    // The roles of compareTemplates(probe, other).
    const bool other_is_base = p.count < other.count || (p.count == other.count && p.area < other.area);
    int32_t best = 0;
    if (other_is_base) {
        for (int k = 0; k < other.count; ++k) {
            w->sorted[k] = other.minutiae[other.sorted_order[k]];
            w->base_hoods[k] = other.baseHood(k);
        }
        w->grid.build(w->sorted, other.count);
        // The base records name template positions of other: rank renames them.
        const Sides s{w->sorted,    other.count, w->base_hoods, p.minutiae,
                      p.count,      p.live_hoods, &w->grid,   &w->scratch,
                      other.rank,   true};
        const ReachIndex &reach = probe.liveReach();
        for (int i = 0; i < s.base_count; ++i)
            forEachMember(reach.partners(s.base_hoods[i]), [&, i](int j) { tryCompactCandidate(s, i, j, &best); });
    } else {
        const Sides s{probe.sortedMinutiae(), p.count,     probe.baseHoods(), other.minutiae, other.count,
                      other.live_hoods,       &probe.baseGrid(), &w->scratch, nullptr,        true};
        const ReachIndex &reach = probe.baseReach();
        for (int j = 0; j < s.live_count; ++j)
            forEachMember(reach.partners(s.live_hoods[j]), [&, j](int i) { tryCompactCandidate(s, i, j, &best); });
    }
    return best;
}

} // namespace ridge
