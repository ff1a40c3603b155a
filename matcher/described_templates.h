// The neighbourhood tables and quick-test keys of the templates a thread
// compared last. A template compared against many others (one probe against
// a gallery, or the first template of a run of match-list lines) is then
// described once instead of once per comparison. A template is found again
// only when its count and every field of every minutia are the same, so a
// comparison gives exactly the score it gives without the cache.
#ifndef RIDGESDK_MATCHER_DESCRIBED_TEMPLATES_H
#define RIDGESDK_MATCHER_DESCRIBED_TEMPLATES_H

#include "matcher/compact_hoods.h"
#include "matcher/neighbourhood_keys.h"
#include "matcher/neighbourhoods.h"

#include <cstdint>

namespace ridge {

struct DescribedTemplate {
    int count = -1; // -1: the slot holds nothing yet
    RawMinutia minutiae[kTableCapacity];
    NeighbourhoodTable table;
    bool has_base_keys = false;
    bool has_live_keys = false;
    bool has_compact = false;
    bool compact_usable = false;
    BaseKeys base_keys;
    LiveKeys live_keys;
    CompactHood compact[kTableCapacity];
    uint64_t last_used = 0;

    // Keys of the table, built on first use.
    const BaseKeys &baseKeys();
    const LiveKeys &liveKeys();
    // The table in compact form, built on first use; null when it does not
    // fit the compact form.
    const CompactHood *compactHoods();
};

class DescribedTemplates {
public:
    // The description of minutiae[0..count-1] (count 8..130), built when
    // none of the slots holds it. A new one replaces the slot used least
    // recently, so never the one just described for the other role.
    DescribedTemplate &describe(const RawMinutia *minutiae, int count);

private:
    static constexpr int kSlots = 4;
    static_assert(kSlots >= 2, "both templates of a comparison must fit");
    DescribedTemplate slots_[kSlots];
    uint64_t clock_ = 0;
};

} // namespace ridge

#endif
