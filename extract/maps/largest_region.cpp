// Largest-region block mask by a span fill.
#include "extract/maps/largest_region.h"

#include <cstddef>
#include <new>

namespace ridge {

namespace {

void push_span(SpanFill &state, int left, int right, int row, int dir)
{
    if (state.failed)
        return;
    try {
        state.pending.push_back(FillSpan{left, right, row, dir});
    } catch (const std::bad_alloc &) {
        state.failed = true;
    }
}

// Takes the pending span to explore next: a span on the row taken last is
// preferred, which keeps the fill working along one row at a time; else
// the most recently pushed one.
FillSpan take_span(SpanFill &state)
{
    std::vector<FillSpan> &p = state.pending;
    size_t pick = p.size() - 1;
    for (size_t i = p.size() - 1; i-- > 0;) {
        if (p[i].row == state.last_row) {
            pick = i;
            break;
        }
    }
    const FillSpan span = p[pick];
    p.erase(p.begin() + static_cast<std::ptrdiff_t>(pick));
    state.last_row = span.row;
    return span;
}

} // namespace

int fill_region(std::vector<RegionLabel> &labels, int mw, int mh, int x, int y, RegionLabel label,
                SpanFill &state)
{
    if (x < 0 || x >= mw || y < 0 || y >= mh)
        return -1;
    state.pending.clear();
    state.last_row = -1;
    state.failed = false;

    RegionLabel *cells = labels.data();
    const RegionLabel old = cells[y * mw + x];
    if (old == label)
        return 0;  // nothing would change; filling would never end

    int left = x;
    while (left > 0 && cells[y * mw + left - 1] == old)
        --left;
    int right = x;
    while (right < mw - 1 && cells[y * mw + right + 1] == old)
        ++right;
    push_span(state, left, right, y, +1);
    push_span(state, left, right, y + 1, -1);  // taken first: fills the seed row

    int count = 0;
    while (!state.pending.empty()) {
        const FillSpan span = take_span(state);
        const int t = span.row + span.dir;
        if (t < 0 || t >= mh || state.failed)
            continue;
        RegionLabel *row = cells + t * mw;
        const int x1 = span.left;
        const int x2 = span.right;
        int next;
        if (row[x1] == old) {
            int l = x1;
            while (l > 0 && row[l - 1] == old)
                --l;
            int r = x1;
            while (r < mw - 1 && row[r + 1] == old)
                ++r;
            for (int c = l; c <= r; ++c)
                row[c] = label;
            count += r - l + 1;
            // Cells beyond the span may lead back into the row just left.
            if (l < x1 - 1 || r > x2 + 1) {
                if (l == x1)
                    push_span(state, x2 + 2, r, t, -span.dir);
                else if (r == x2)
                    push_span(state, l, x1 - 2, t, -span.dir);
                else
                    push_span(state, l, r, t, -span.dir);
            }
            push_span(state, l, r, t, span.dir);
            next = r + 1;
        } else {
            next = x1;
        }
        while (next < x2) {
            int c = next + 1;
            while (c <= x2 && row[c] != old)
                ++c;
            if (c > x2)
                break;
            int r = c;
            while (r < mw - 1 && row[r + 1] == old)
                ++r;
            for (int k = c; k <= r; ++k)
                row[k] = label;
            count += r - c + 1;
            if (r > x2 + 1)
                push_span(state, c, r, t, -span.dir);
            push_span(state, c, r, t, span.dir);
            next = r + 1;
        }
    }
    state.pending.clear();
    return state.failed ? -2 : count;
}

int fill_region(std::vector<RegionLabel> &labels, int mw, int mh, int x, int y, RegionLabel label)
{
    SpanFill state;
    return fill_region(labels, mw, mh, x, y, label, state);
}

int keep_largest_region(std::vector<int> &map, int mw, int mh)
{
    if (mw <= 0 || mh <= 0)
        return 0;
    const size_t ncells = static_cast<size_t>(mw) * static_cast<size_t>(mh);
    std::vector<RegionLabel> labels;
    SpanFill state;
    try {
        labels.resize(ncells);
        state.pending.reserve(64);
    } catch (const std::bad_alloc &) {
        return -2;
    }
    for (size_t i = 0; i < ncells; ++i)
        labels[i] = map[i] == 1 ? LABEL_NONE : LABEL_UNFILLED;

    RegionLabel label = 1;
    RegionLabel best_label = 1;
    int best_size = 0;
    int last_size = 0;
    for (int y = 0; y < mh; ++y) {
        for (int x = 0; x < mw; ++x) {
            if (labels[static_cast<size_t>(y * mw + x)] != LABEL_UNFILLED)
                continue;
            last_size = fill_region(labels, mw, mh, x, y, label, state);
            if (last_size > best_size) {
                best_size = last_size;
                best_label = label;
            }
            ++label;
        }
    }
    for (size_t i = 0; i < ncells; ++i) {
        if (labels[i] != best_label)
            map[i] = 1;
    }
    return last_size;
}

} // namespace ridge
