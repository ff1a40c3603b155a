// Adding a detected minutia to the list unless the list already holds it.
#include "lfs/detect.h"

#include "lfs/candidate_index.h"
#include "lfs/contour.h"
#include "sdk/diagnostics.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace lfs {

int CandidateIndex::attach(Minutiae &minutiae, int iw, int ih)
{
    detach();
    try {
        file_minutiae(grid_, minutiae, iw, ih);
        removed_.assign(minutiae.list.size(), 0);
    } catch (const std::bad_alloc &) {
        grid_.release();
        removed_ = std::vector<unsigned char>();
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : detect_minutiae_V2 : malloc : candidate index\n");
        return -594;
    }
    minutiae_ = &minutiae;
    minutiae.index = this;
    return 0;
}

void CandidateIndex::detach() noexcept
{
    if (minutiae_ == nullptr)
        return;
    std::vector<Minutia> &list = minutiae_->list;
    size_t kept = 0;
    for (size_t i = 0; i < list.size(); ++i)
        if (i >= removed_.size() || !removed_[i])
            list[kept++] = list[i];
    list.resize(kept);
    minutiae_->index = nullptr;
    minutiae_ = nullptr;
    grid_.release();
    removed_ = std::vector<unsigned char>();
    near_ = std::vector<int>();
}

const std::vector<int> &CandidateIndex::near(int x, int y, int reach)
{
    grid_.near(minutiae_->list, x, y, reach, near_);
    return near_;
}

void CandidateIndex::add(int position)
{
    const Minutia &m = minutiae_->list[static_cast<size_t>(position)];
    grid_.insert(position, m.x, m.y);
    try {
        removed_.resize(static_cast<size_t>(position) + 1, 0);
    } catch (...) {
        grid_.erase(position, m.x, m.y);
        throw;
    }
}

void CandidateIndex::remove(int position)
{
    const Minutia &m = minutiae_->list[static_cast<size_t>(position)];
    grid_.erase(position, m.x, m.y);
    removed_[static_cast<size_t>(position)] = 1;
}

namespace {

// Same type, within max_minutia_delta on both axes, and directions no more
// than 45 degrees apart.
bool alike(const Minutia &listed, const Minutia &minutia, int dx, int dy, const LfsParams &lfsparms)
{
    if (dx >= lfsparms.max_minutia_delta || dy >= lfsparms.max_minutia_delta)
        return false;
    if (listed.type != minutia.type)
        return false;
    const int full_ndirs = lfsparms.num_directions << 1;
    const int qtr_ndirs = lfsparms.num_directions >> 2;
    int delta_dir = std::abs(listed.direction - minutia.direction);
    delta_dir = std::min(delta_dir, full_ndirs - delta_dir);
    return delta_dir <= qtr_ndirs;
}

// Whether the new minutia lies on the listed one's contour within
// max_minutia_delta steps either way. A trace that cannot start counts as
// a match too, as any non-zero search result does.
bool on_same_contour(const Minutia &listed, const Minutia &minutia, const unsigned char *bdata, int iw, int ih,
                     const LfsParams &lfsparms)
{
    return search_contour(minutia.x, minutia.y, lfsparms.max_minutia_delta, listed.x, listed.y, listed.ex,
                          listed.ey, SCAN_CLOCKWISE, bdata, iw, ih) != 0 ||
           search_contour(minutia.x, minutia.y, lfsparms.max_minutia_delta, listed.x, listed.y, listed.ex,
                          listed.ey, SCAN_COUNTER_CLOCKWISE, bdata, iw, ih) != 0;
}

enum class Likeness { Unlike, SamePoint, SameFeature };

// A listed minutia like the new one: at the same point, or on the same
// contour nearby.
Likeness likeness(const Minutia &listed, const Minutia &minutia, const unsigned char *bdata, int iw, int ih,
                  const LfsParams &lfsparms)
{
    const int dx = std::abs(listed.x - minutia.x);
    const int dy = std::abs(listed.y - minutia.y);
    if (!alike(listed, minutia, dx, dy, lfsparms))
        return Likeness::Unlike;
    if (dx == 0 && dy == 0)
        return Likeness::SamePoint;
    return on_same_contour(listed, minutia, bdata, iw, ih, lfsparms) ? Likeness::SameFeature : Likeness::Unlike;
}

int append(Minutiae &minutiae, const Minutia &minutia)
{
    if (minutiae.num() >= minutiae.alloc) {
        // The list grows by its own size (at least MAX_MINUTIAE at a time),
        // so that a long list is not copied once per thousand entries.
        const int grow = std::min(std::max(MAX_MINUTIAE, minutiae.alloc), INT_MAX - minutiae.alloc);
        const int ret = realloc_minutiae(minutiae, grow);
        if (ret != 0)
            return ret;
    }
    try {
        minutiae.list.push_back(minutia);
        if (minutiae.index != nullptr) {
            try {
                minutiae.index->add(minutiae.num() - 1);
            } catch (...) {
                minutiae.list.pop_back();
                throw;
            }
        }
    } catch (const std::bad_alloc &) {
        ridge::diagnostic(ridge::DiagnosticKind::Error, "ERROR : update_minutiae : realloc : minutiae->list\n");
        return -432;
    }
    return 0;
}

} // namespace

int choose_scan_direction(int imapval, int ndirs)
{
    const int qtr_ndirs = ndirs >> 2;
    // Near-vertical flow is crossed best by a row scan.
    if (imapval <= qtr_ndirs || imapval > qtr_ndirs * 3)
        return SCAN_HORIZONTAL;
    return SCAN_VERTICAL;
}

int update_minutiae(Minutiae &minutiae, const Minutia &minutia, const unsigned char *bdata, int iw, int ih,
                    const LfsParams &lfsparms)
{
    // Any look-alike keeps the new minutia out, whatever its place.
    if (minutiae.index != nullptr) {
        for (const int i : minutiae.index->near(minutia.x, minutia.y, lfsparms.max_minutia_delta))
            if (likeness(minutiae.list[static_cast<size_t>(i)], minutia, bdata, iw, ih, lfsparms) != Likeness::Unlike)
                return IGNORE;
    } else {
        for (const Minutia &listed : minutiae.list)
            if (likeness(listed, minutia, bdata, iw, ih, lfsparms) != Likeness::Unlike)
                return IGNORE;
    }
    return append(minutiae, minutia);
}

int update_minutiae_V2(Minutiae &minutiae, const Minutia &minutia, int scan_dir, int dmapval,
                       const unsigned char *bdata, int iw, int ih, const LfsParams &lfsparms)
{
    // The same feature found twice: the listed one gives way when the new
    // one comes from the scan that suits the block's flow.
    const bool new_one_wins = dmapval >= 0 && choose_scan_direction(dmapval, lfsparms.num_directions) == scan_dir;
    // 0 to go on to the next listed minutia, else the result.
    auto visit = [&](int i) {
        switch (likeness(minutiae.list[static_cast<size_t>(i)], minutia, bdata, iw, ih, lfsparms)) {
        case Likeness::Unlike: return 0;
        case Likeness::SamePoint: return IGNORE;
        case Likeness::SameFeature: break;
        }
        if (!new_one_wins)
            return IGNORE;
        if (minutiae.index != nullptr) {
            minutiae.index->remove(i);
            return 0;
        }
        return remove_minutia(i, minutiae);
    };
    // From the newest listed minutia back, so that a removal does not
    // disturb the entries still to be visited. With the index, only the
    // minutiae within reach, which are the only ones that can be alike.
    if (minutiae.index != nullptr) {
        const std::vector<int> &near = minutiae.index->near(minutia.x, minutia.y, lfsparms.max_minutia_delta);
        for (auto it = near.rbegin(); it != near.rend(); ++it)
            if (const int ret = visit(*it))
                return ret;
    } else {
        for (int i = minutiae.num() - 1; i >= 0; i--)
            if (const int ret = visit(i))
                return ret;
    }
    return append(minutiae, minutia);
}

} // namespace lfs
