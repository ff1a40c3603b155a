// The gallery behind ridge_gallery: entries of (identifier, raw template)
// in insertion order, found by identifier, guarded by a reader-writer lock
// (searches share it; adding and removing take it alone).
#ifndef RIDGESDK_SEARCH_GALLERY_H
#define RIDGESDK_SEARCH_GALLERY_H

#include "ridgesdk.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace ridge {

// The minutiae of one template, as matchRawFPTs reads them.
using Minutiae = std::vector<RawMinutia>;

struct GalleryEntry {
    std::string identifier;
    Minutiae minutiae;
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
    // Adds an entry or replaces the one with the same identifier (keeping
    // its place). Returns true when an entry was replaced.
    bool add(std::string identifier, Minutiae minutiae);
    // False when no entry has that identifier.
    bool remove(const std::string &identifier);

    std::size_t size() const { return entries_.size(); }
    const GalleryEntry &at(std::size_t index) const { return entries_[index]; }
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
