// Comparisons of one template (the probe of a search, or the earlier entry
// of a de-duplication) against many templates described once each: the
// same best pairing score as compareTemplates on copies of the two, from
// descriptions kept between comparisons.
//
// A template of more than eight minutiae is compared without random
// minutiae, so its description in each role depends on it alone: in the
// live role its neighbourhoods in template order, in the base role those of
// its copy sorted by x. Most neighbourhoods of the copy are those of the
// template renumbered (see buildNeighbourhoods' order_free), so a
// description keeps only the others. Smaller templates, and those whose
// neighbourhoods do not fit the compact form, are compared through
// compareTemplates.
#ifndef RIDGESDK_MATCHER_PREPARED_COMPARE_H
#define RIDGESDK_MATCHER_PREPARED_COMPARE_H

#include "matcher/compact_hoods.h"
#include "matcher/indexed_pairing.h"
#include "matcher/reach_index.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace ridge {

// A described template as the comparison reads it, over a block that
// describeTemplate filled.
struct TemplateView {
    const RawMinutia *minutiae = nullptr; // template order
    int count = 0;
    int32_t area = 0;                      // bounding-box area, for the roles
    const uint8_t *sorted_order = nullptr; // position by x -> template position
    const uint8_t *rank = nullptr;         // template position -> position by x
    // Neighbourhoods in template order; their records name template
    // positions.
    const CompactHood *live_hoods = nullptr;
    // Neighbourhood p of the copy by x: live_hoods[sorted_order[p]] when
    // base_slot[p] is kSameHood, else exceptions[base_slot[p]]; either way
    // its records name template positions (rank turns them into positions
    // by x).
    const uint8_t *base_slot = nullptr;
    const CompactHood *exceptions = nullptr;

    static constexpr uint8_t kSameHood = 0xFF;
    const CompactHood &baseHood(int p) const
    {
        return base_slot[p] == kSameHood ? live_hoods[sorted_order[p]] : exceptions[base_slot[p]];
    }
};

// True when a template of this many minutiae is compared from a
// description (more than eight; the topped-up ones draw random minutiae).
inline bool describableCount(int count) { return count > 8 && count <= FPT_MAX_MINUTIAE; }

// A described template in one block: a small header, the minutiae, then
// the description.
struct DescribedBlock {
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t size = 0;
};

// Describes minutiae[0..count-1]. False when the template cannot be
// described (see describableCount, and the compact form's limits).
bool describeTemplate(const RawMinutia *minutiae, int count, DescribedBlock *out);

// The view of a block that describeTemplate filled.
TemplateView viewOfBlock(const unsigned char *block);

// The recurring template: its description, its neighbourhoods by x
// renumbered, and the reach index of each role.
class PreparedProbe {
public:
    // From a described template (its view must outlive the probe).
    void prepare(const TemplateView &view);
    const TemplateView &view() const { return view_; }
    const RawMinutia *sortedMinutiae() const { return sorted_.data(); }
    // Neighbourhoods of the copy by x, naming positions by x.
    const CompactHood *baseHoods() const { return base_hoods_.data(); }
    const ReachIndex &liveReach() const { return *live_reach_; }
    const ReachIndex &baseReach() const { return *base_reach_; }
    // The pairing grid of the probe as the base template.
    const PairingGrid &baseGrid() const { return *base_grid_; }

private:
    TemplateView view_;
    std::vector<RawMinutia> sorted_;
    std::vector<CompactHood> base_hoods_;
    std::unique_ptr<ReachIndex> live_reach_ = std::make_unique<ReachIndex>();
    std::unique_ptr<ReachIndex> base_reach_ = std::make_unique<ReachIndex>();
    std::unique_ptr<PairingGrid> base_grid_ = std::make_unique<PairingGrid>();
};

// Working storage of the comparisons of one thread.
struct PreparedWorkspace {
    PairingGrid grid; // of the other template as the base
    PairingScratch scratch;
    RawMinutia sorted[FPT_MAX_MINUTIAE];
    CompactHood base_hoods[FPT_MAX_MINUTIAE];
};

// compareTemplates(copy of the probe, copy of other): the probe is the
// first argument.
int32_t comparePrepared(const PreparedProbe &probe, const TemplateView &other, PreparedWorkspace *workspace);

} // namespace ridge

#endif
