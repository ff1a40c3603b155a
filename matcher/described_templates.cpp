#include "matcher/described_templates.h"

#include <cstring>

namespace ridge {

DescribedTemplate &DescribedTemplates::describe(const RawMinutia *minutiae, int count)
{
    ++clock_;
    const std::size_t bytes = static_cast<std::size_t>(count) * sizeof(RawMinutia);
    DescribedTemplate *victim = nullptr;
    for (DescribedTemplate &slot : slots_) {
        if (slot.count == count && std::memcmp(slot.minutiae, minutiae, bytes) == 0) {
            slot.last_used = clock_;
            return slot;
        }
        if (victim == nullptr || slot.last_used < victim->last_used)
            victim = &slot;
    }
    DescribedTemplate &t = *victim;
    std::memcpy(t.minutiae, minutiae, bytes);
    t.count = count;
    buildNeighbourhoods(t.minutiae, count, &t.table);
    t.has_base_keys = false;
    t.has_live_keys = false;
    t.has_compact = false;
    t.last_used = clock_;
    return t;
}

const BaseKeys &DescribedTemplate::baseKeys()
{
    if (!has_base_keys) {
        keyBaseNeighbourhoods(table, count, &base_keys);
        has_base_keys = true;
    }
    return base_keys;
}

const LiveKeys &DescribedTemplate::liveKeys()
{
    if (!has_live_keys) {
        keyLiveNeighbourhoods(table, count, &live_keys);
        has_live_keys = true;
    }
    return live_keys;
}

const CompactHood *DescribedTemplate::compactHoods()
{
    if (!has_compact) {
        compact_usable = compactable(table, count);
        if (compact_usable)
            compactTable(table, count, compact);
        has_compact = true;
    }
    return compact_usable ? compact : nullptr;
}

} // namespace ridge
