// Pieces shared by the pairwise removal tests (islands and lakes, hooks,
// overlaps). Each test marks minutiae while it scans the list in order and
// removes them all at the end, so that a removal never shifts the positions
// the scan is still walking.
#ifndef RIDGESDK_EXTRACT_PAIRWISE_REMOVAL_H
#define RIDGESDK_EXTRACT_PAIRWISE_REMOVAL_H

#include "lfs/lfs.h"
#include "lfs/minutia_grid.h"

#include <algorithm>
#include <cstddef>
#include <set>
#include <vector>

namespace ridge {

// One cleared mark per minutia. Without memory, prints
// "ERROR : <routine> : calloc : to_remove" and returns false.
bool allocate_removal_flags(int count, const char *routine, std::vector<char> &flags);

// Removes the marked minutiae, last first; 0 or remove_minutia's code.
int remove_flagged_minutiae(const std::vector<char> &flags, lfs::Minutiae &minutiae);

// A pixel of the binary image, -1 off the image, so that a minutia there
// never matches its type. The tests that fill loops or draw joins use it
// to see whether an earlier change swallowed a minutia.
inline int binary_pixel(const unsigned char *bdata, int iw, int ih, int x, int y)
{
    if (x < 0 || y < 0 || x >= iw || y >= ih)
        return -1;
    return bdata[static_cast<std::size_t>(y) * static_cast<std::size_t>(iw) + static_cast<std::size_t>(x)];
}

// How a pairwise test walks the minutiae after each one: as a scan of the
// whole rest of the list, or through the index below. Both give the same
// result; the index is chosen for long lists.
enum class PairWalk { Automatic, Scan, Indexed };

// Lists shorter than this are scanned.
constexpr int kIndexedPairWalkFrom = 512;

// Whether a walk chosen by `how` over a list of `count` minutiae is indexed.
inline bool indexed_pair_walk(PairWalk how, int count)
{
    return how == PairWalk::Indexed || (how == PairWalk::Automatic && count >= kIndexedPairWalkFrom);
}

// The walk `for (si = fi + 1; si < n; ++si) if (!step(si)) break;` of a
// pairwise test, skipping the minutiae on which the step does nothing. The
// tests that use it stop at the first intact, unmarked minutia lying more
// than `reach` rows below the first one of the pair (in a list in y order,
// the end of the rows in reach), do nothing with a minutia farther than
// `reach` from it, and mark a minutia whose pixel no longer shows its type
// (an earlier fill or join covered it). So the walk visits, in list order,
// the minutiae within reach on both axes, those whose pixel may have
// changed and those more than `reach` rows below, until the step stops it.
// The list must not change while the walk is in use (the marks live in
// `flags`); the binary image may, if every change is reported.
class LaterMinutiae {
public:
    // May throw std::bad_alloc.
    void prepare(const lfs::Minutiae &minutiae, const std::vector<char> &flags, const unsigned char *bdata,
                 int iw, int ih);
    // Chooses between the scan and the index for this list, and prepares
    // the index when it is chosen. May throw std::bad_alloc.
    void choose(PairWalk how, const lfs::Minutiae &minutiae, const std::vector<char> &flags,
                const unsigned char *bdata, int iw, int ih)
    {
        minutiae_ = &minutiae;
        indexed_ = indexed_pair_walk(how, minutiae.num());
        if (indexed_)
            prepare(minutiae, flags, bdata, iw, ih);
    }
    bool indexed() const { return indexed_; }
    // The pixels within the box (inclusive) may have changed value.
    void pixels_changed(int x0, int y0, int x1, int y1);

    // The walk after `fi` in the chosen way, after choose().
    template <class Step> void visit(int fi, int reach, Step step)
    {
        if (indexed_) {
            walk(fi, reach, step);
            return;
        }
        const int n = minutiae_->num();
        for (int si = fi + 1; si < n; ++si)
            if (!step(si))
                return;
    }

    template <class Step> void walk(int fi, int reach, Step step)
    {
        const std::vector<lfs::Minutia> &list = minutiae_->list;
        const int n = static_cast<int>(list.size());
        const lfs::Minutia &f = list[static_cast<std::size_t>(fi)];
        const long long last_row = static_cast<long long>(f.y) + reach;
        grid_.near(list, f.x, f.y, reach + 1, box_);
        auto b = std::upper_bound(box_.begin(), box_.end(), fi);
        for (int cursor = fi;;) {
            int next = first_below(cursor + 1, last_row);
            if (b != box_.end() && *b < next)
                next = *b;
            const auto w = watched_.upper_bound(cursor);
            if (w != watched_.end() && *w < next)
                next = *w;
            if (next >= n)
                return;
            cursor = next;
            if (b != box_.end() && *b == next)
                ++b;
            const bool go_on = step(next);
            settle(next);
            if (!go_on)
                return;
        }
    }

private:
    bool covered(int position) const;
    // Forgets a watched minutia that is marked or shows its type again.
    void settle(int position);
    // The first position from `from` on whose y lies beyond `row`, or the
    // list's length.
    int first_below(int from, long long row) const;

    const lfs::Minutiae *minutiae_ = nullptr;
    const std::vector<char> *flags_ = nullptr;
    const unsigned char *bdata_ = nullptr;
    int iw_ = 0, ih_ = 0, leaves_ = 1;
    bool indexed_ = false;
    lfs::MinutiaGrid grid_;
    std::vector<int> lowest_;  // largest y of each subtree of positions
    std::set<int> watched_;    // unmarked minutiae whose pixel may not show their type
    std::vector<int> box_, changed_;
};

} // namespace ridge

#endif
