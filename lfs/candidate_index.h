// Where the minutiae found so far by one detection lie, so that a new
// candidate is compared with the listed minutiae around it instead of with
// the whole list. Noise or a very large image yields hundreds of thousands
// of candidates; a scan of the list per candidate would take hours.
#ifndef RIDGESDK_LFS_CANDIDATE_INDEX_H
#define RIDGESDK_LFS_CANDIDATE_INDEX_H

#include "lfs/lfs.h"
#include "lfs/minutia_grid.h"

#include <vector>

namespace lfs {

// Attached to a minutiae list for the time of one detection. Positions are
// those of the list; an entry removed meanwhile keeps its position (it is
// only marked), so that positions and the list order stay those of the
// plain list. Detaching drops the marked entries, keeping the others in
// order: the list is then exactly what the plain updates would have left.
class CandidateIndex {
public:
    CandidateIndex() = default;
    ~CandidateIndex() { detach(); }
    CandidateIndex(const CandidateIndex &) = delete;
    CandidateIndex &operator=(const CandidateIndex &) = delete;

    // Indexes the minutiae already listed (positions within an iw x ih
    // image; others count as lying on its border) and attaches to the list.
    // 0, or -594 when the index cannot be allocated (nothing attached).
    int attach(Minutiae &minutiae, int iw, int ih);
    // Drops the marked entries and detaches; does nothing when detached.
    void detach() noexcept;

    // The live entries that lie less than reach pixels from (x, y) on both
    // axes, ascending, in a buffer reused by the next call.
    const std::vector<int> &near(int x, int y, int reach);
    // Indexes the entry just appended at the end of the list; on an
    // allocation failure throws std::bad_alloc and leaves the index as it was.
    void add(int position);
    // Marks an entry removed.
    void remove(int position);

private:
    Minutiae *minutiae_ = nullptr;
    MinutiaGrid grid_;                   // the live entries
    std::vector<unsigned char> removed_; // per position
    std::vector<int> near_;
};

} // namespace lfs

#endif
