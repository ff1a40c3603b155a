#include "extract/minutiae/pairwise_removal.h"
#include "sdk/diagnostics.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdio>
#include <new>

namespace ridge {

bool allocate_removal_flags(int count, const char *routine, std::vector<char> &flags)
{
    try {
        flags.assign(static_cast<std::size_t>(count), 0);
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : %s : calloc : to_remove\n", routine);
        return false;
    }
    return true;
}

int remove_flagged_minutiae(const std::vector<char> &flags, lfs::Minutiae &minutiae)
{
    // One pass that closes the gaps: the order of the survivors is that of
    // removing the marked entries one by one, without moving the list's
    // tail once per removal.
    std::vector<lfs::Minutia> &list = minutiae.list;
    for (std::size_t i = list.size(); i < flags.size(); ++i)
        if (flags[i]) {
            ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : remove_minutia : index out of range\n");
            return -380;
        }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (i >= flags.size() || !flags[i])
            list[kept++] = list[i];
    list.resize(kept);
    return 0;
}

void LaterMinutiae::prepare(const lfs::Minutiae &minutiae, const std::vector<char> &flags,
                            const unsigned char *bdata, int iw, int ih)
{
    const std::vector<lfs::Minutia> &list = minutiae.list;
    minutiae_ = &minutiae;
    flags_ = &flags;
    bdata_ = bdata;
    iw_ = iw;
    ih_ = ih;
    lfs::file_minutiae(grid_, minutiae, iw, ih);
    leaves_ = 1;
    while (leaves_ < static_cast<int>(list.size()))
        leaves_ *= 2;
    lowest_.assign(2 * static_cast<std::size_t>(leaves_), INT_MIN);
    for (std::size_t i = 0; i < list.size(); ++i)
        lowest_[static_cast<std::size_t>(leaves_) + i] = list[i].y;
    for (int node = leaves_ - 1; node >= 1; --node)
        lowest_[static_cast<std::size_t>(node)] =
            std::max(lowest_[2 * static_cast<std::size_t>(node)], lowest_[2 * static_cast<std::size_t>(node) + 1]);
    watched_.clear();
    for (std::size_t i = 0; i < list.size(); ++i)
        if (covered(static_cast<int>(i)))
            watched_.insert(static_cast<int>(i));
}

int LaterMinutiae::first_below(int from, long long row) const
{
    const int n = static_cast<int>(minutiae_->list.size());
    if (from >= n)
        return n;
    auto y = [&](int node) { return static_cast<long long>(lowest_[static_cast<std::size_t>(node)]); };
    int node = from + leaves_;
    for (;;) {
        if (y(node) > row) {
            while (node < leaves_) {
                node *= 2;
                if (y(node) <= row)
                    ++node;
            }
            return node - leaves_;
        }
        // On to the subtree that follows: up past every right child, then
        // to the right sibling; past the root there is none.
        while (node & 1)
            node >>= 1;
        if (node == 0)
            return n;
        ++node;
    }
}

bool LaterMinutiae::covered(int position) const
{
    const lfs::Minutia &m = minutiae_->list[static_cast<std::size_t>(position)];
    return binary_pixel(bdata_, iw_, ih_, m.x, m.y) != m.type;
}

void LaterMinutiae::pixels_changed(int x0, int y0, int x1, int y1)
{
    // Every minutia within the box lies within this reach of its centre.
    const int cx = x0 + (x1 - x0) / 2, cy = y0 + (y1 - y0) / 2;
    const int reach = std::max(std::max(x1 - cx, cx - x0), std::max(y1 - cy, cy - y0)) + 1;
    grid_.near(minutiae_->list, cx, cy, reach, changed_);
    for (const int position : changed_)
        if (!(*flags_)[static_cast<std::size_t>(position)] && covered(position))
            watched_.insert(position);
}

void LaterMinutiae::settle(int position)
{
    const auto it = watched_.find(position);
    if (it != watched_.end() && ((*flags_)[static_cast<std::size_t>(position)] || !covered(position)))
        watched_.erase(it);
}

} // namespace ridge
