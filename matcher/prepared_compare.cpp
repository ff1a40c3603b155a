// The candidate loop of compareTemplates over described templates.
#include "matcher/prepared_compare.h"

#include "matcher/alignment.h"
#include "matcher/compare_templates.h"
#include "matcher/pairing.h"

#include <cstring>

namespace ridge {

namespace {

constexpr int kMinimumCorrespondingNeighbours = 3;

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

// The candidate loop's state for one comparison: base and live sides.
struct Sides {
    const RawMinutia *base;
    int base_count;
    const CompactHood *base_hoods;
    const RawMinutia *live;
    int live_count;
    const CompactHood *live_hoods;
    const PairingGrid *grid; // of the base
    PairingScratch *scratch;
};

// evaluateCandidate for (i, j) with the chosen records; a value not above
// must_exceed when it cannot beat it.
int32_t evaluate(const Sides &s, int i, int j, const NeighbourMatch &match, int32_t must_exceed)
{
    CorrespondenceList list;
    int n = 0;
    const CompactHood &bh = s.base_hoods[i], &lh = s.live_hoods[j];
    for (int k = 0; k < kNeighbourCount; ++k) {
        const int m = match.live_of_base[k];
        if (m < 0)
            continue;
        const Correspondence pair{bh.index[k], lh.index[m]};
        int at = n;
        while (at > 0 && list.pairs[at - 1].base > pair.base) {
            list.pairs[at] = list.pairs[at - 1];
            --at;
        }
        list.pairs[at] = pair;
        ++n;
    }
    list.pairs[n++] = Correspondence{i, j};
    list.count = n;

    Alignment alignment;
    if (!estimateAlignment(list, s.base, s.live, &alignment) || !rotationWithinGate(alignment.rotation))
        return kCandidateRejected;
    RawMinutia aligned[FPT_MAX_MINUTIAE];
    applyAlignment(s.live, s.live_count, alignment, aligned);
    if (s.grid->indexable() && withinIndexedLimit(aligned, s.live_count))
        return scoreOnGrid(*s.grid, aligned, s.live_count, must_exceed, s.scratch);
    return scorePairing(s.base, s.base_count, aligned, s.live_count);
}

// Tries candidate (i, j) and keeps its score when it beats best.
inline void try_candidate(const Sides &s, int i, int j, int32_t *best)
{
    if (!withinCandidateAngle(s.base[i].angle, s.live[j].angle))
        return;
    RecordAcceptance acceptance;
    if (acceptRecords(s.base_hoods[i], s.live_hoods[j], &acceptance) < kMinimumCorrespondingNeighbours)
        return;
    NeighbourMatch match;
    if (chooseRecords(acceptance, &match) < kMinimumCorrespondingNeighbours)
        return;
    const int32_t score = evaluate(s, i, j, match, *best);
    if (score > *best)
        *best = score;
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
    buildNeighbourhoods(minutiae, count, table.get());
    if (!compactable(*table, count))
        return false;
    compactTable(*table, count, reinterpret_cast<CompactHood *>(block + live_hoods_offset(count)));
    buildNeighbourhoods(sorted, count, table.get());
    if (!compactable(*table, count))
        return false;
    compactTable(*table, count, reinterpret_cast<CompactHood *>(block + base_hoods_offset(count)));
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
                    try_candidate(s, i, word * 64 + lowest_set_bit(bits), &best);
        }
    } else {
        const Sides s{probe.sortedMinutiae(), p.count,        p.base_hoods,        other.minutiae,
                      other.count,            other.live_hoods, &probe.baseGrid(), &w->scratch};
        const ReachIndex &reach = probe.baseReach();
        for (int j = 0; j < s.live_count; ++j) {
            const LiveSet partners = reach.partners(s.live_hoods[j]);
            for (int word = 0; word < kLiveSetWords; ++word)
                for (uint64_t bits = partners.words[word]; bits != 0; bits &= bits - 1)
                    try_candidate(s, word * 64 + lowest_set_bit(bits), j, &best);
        }
    }
    return best;
}

} // namespace ridge
