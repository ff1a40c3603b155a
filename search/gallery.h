// The gallery behind ridge_gallery: entries of (identifier, raw template)
// in insertion order, found by identifier, guarded by a reader-writer lock
// (searches share it; adding and removing take it alone).
#ifndef RIDGESDK_SEARCH_GALLERY_H
#define RIDGESDK_SEARCH_GALLERY_H

#include "matcher/prepared_compare.h"
#include "ridgesdk.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace ridge {

// The minutiae of one template, as matchRawFPTs reads them.
using Minutiae = std::vector<RawMinutia>;

// One entry: its identifier and its template, with the template's
// description for the comparisons when it has one (see
// matcher/prepared_compare.h), all in one block.
class GalleryEntry {
public:
    GalleryEntry() = default;
    // Describes the template when describe is true and it can be (the
    // description holds a copy of the minutiae), else copies it.
    GalleryEntry(std::string identifier, const RawMinutia *minutiae, int count, bool describe);

    const std::string &identifier() const { return identifier_; }
    int count() const { return count_; }
    const RawMinutia *minutiae() const
    {
        return described_ ? view().minutiae : reinterpret_cast<const RawMinutia *>(block_.get());
    }
    bool described() const { return described_; }
    // Requires described().
    TemplateView view() const { return viewOfBlock(block_.get()); }
    uint64_t memoryBytes() const { return block_bytes_ + 16; }

private:
    std::string identifier_;
    int count_ = 0;
    bool described_ = false;
    std::size_t block_bytes_ = 0;
    // The raw minutiae, or the block describeTemplate made.
    std::unique_ptr<unsigned char[]> block_;
};

// Why an identifier is refused, or "" when it is acceptable: 1 to 255
// bytes, none below 32.
std::string identifierProblem(const char *identifier, std::size_t length);

// A reader-writer lock that lets a waiting writer in before new readers,
// so that a stream of searches never keeps an enrolment waiting for long.
// Usable with std::shared_lock and std::unique_lock; not recursive.
class GalleryLock {
public:
    void lock_shared();
    void unlock_shared();
    void lock();
    void unlock();

private:
    std::mutex mutex_;
    std::condition_variable readers_may_enter_, writer_may_enter_;
    unsigned readers_ = 0;
    unsigned writers_waiting_ = 0;
    bool writing_ = false;
};

class Gallery {
public:
    // Adds the entry, or puts it in the place of the one with the same
    // identifier. Returns true when an entry was replaced.
    bool add(GalleryEntry entry);
    // False when no entry has that identifier.
    bool remove(const std::string &identifier);

    std::size_t size() const { return entries_.size(); }
    const GalleryEntry &at(std::size_t index) const { return entries_[index]; }
    GalleryEntry &at(std::size_t index) { return entries_[index]; }
    // Bytes held, estimated from the capacities of the containers.
    uint64_t memoryBytes() const;

    void reserve(std::size_t count);

    // Taken shared by readers (searches, saving, reading entries) and
    // exclusive by writers.
    GalleryLock &lock() const { return lock_; }

private:
    std::vector<GalleryEntry> entries_;
    std::unordered_map<std::string, std::size_t> positions_;
    mutable GalleryLock lock_;
};

} // namespace ridge

// The C handle is the gallery itself.
struct ridge_gallery : ridge::Gallery {};

#endif
