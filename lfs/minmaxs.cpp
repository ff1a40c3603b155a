#include "lfs/minmaxs.h"

#include <cstddef>

namespace lfs {

namespace {

void record(MinMaxs &out, const std::vector<int> &items, int loc, int type)
{
    out.val.push_back(items[static_cast<size_t>(loc)]);
    out.type.push_back(type);
    out.index.push_back(loc);
}

} // namespace

int minmaxs(MinMaxs &out, const std::vector<int> &items)
{
    out.val.clear();
    out.type.clear();
    out.index.clear();
    const int num = static_cast<int>(items.size());
    if (num < 3)
        return 0;

    // state: 1 rising, -1 falling, 0 level (only before the first change).
    // start is the index at which the last rise or fall was measured (0
    // for a level lead-in); an extremum is reported midway between it and
    // the index where the sequence turns. For a sharp turn that is one
    // item before the turning item, which is where the detector has always
    // placed it.
    const int first = items[1] - items[0];
    int state = first > 0 ? 1 : (first < 0 ? -1 : 0);
    int start = 0;
    for (int i = 1; i < num - 1; ++i) {
        const int diff = items[static_cast<size_t>(i) + 1] - items[static_cast<size_t>(i)];
        if (diff == 0)
            continue;
        const int rising = diff > 0 ? 1 : -1;
        // A level lead-in longer than one step counts as an extremum too.
        if (state == -rising || (state == 0 && i - start > 1))
            record(out, items, (start + i) / 2, -rising);
        state = rising;
        start = i;
    }
    return 0;
}

} // namespace lfs
