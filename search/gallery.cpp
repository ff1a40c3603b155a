#include "search/gallery.h"

#include "ridgesearch.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace ridge {

std::string identifierProblem(const char *identifier, std::size_t length)
{
    if (length == 0)
        return "identifier is empty";
    if (length > RIDGE_MAX_IDENTIFIER)
        return "identifier of " + std::to_string(length) + " bytes is longer than " +
               std::to_string(RIDGE_MAX_IDENTIFIER);
    for (std::size_t k = 0; k < length; ++k) {
        const unsigned char c = static_cast<unsigned char>(identifier[k]);
        if (c < 32) {
            char text[96];
            std::snprintf(text, sizeof text, "identifier holds the control byte 0x%02x at offset %zu",
                          static_cast<unsigned>(c), k);
            return text;
        }
    }
    return std::string();
}

void GalleryLock::lock_shared()
{
    std::unique_lock<std::mutex> hold(mutex_);
    readers_may_enter_.wait(hold, [this] { return !writing_ && writers_waiting_ == 0; });
    ++readers_;
}

void GalleryLock::unlock_shared()
{
    std::lock_guard<std::mutex> hold(mutex_);
    if (--readers_ == 0 && writers_waiting_ > 0)
        writer_may_enter_.notify_one();
}

void GalleryLock::lock()
{
    std::unique_lock<std::mutex> hold(mutex_);
    ++writers_waiting_;
    writer_may_enter_.wait(hold, [this] { return !writing_ && readers_ == 0; });
    --writers_waiting_;
    writing_ = true;
}

void GalleryLock::unlock()
{
    std::lock_guard<std::mutex> hold(mutex_);
    writing_ = false;
    if (writers_waiting_ > 0)
        writer_may_enter_.notify_one();
    else
        readers_may_enter_.notify_all();
}

GalleryEntry::GalleryEntry(std::string identifier, const RawMinutia *minutiae, int count, bool describe_now)
    : identifier_(std::move(identifier)), count_(count)
{
    DescribedBlock block;
    if (describe_now && describeTemplate(minutiae, count, &block)) {
        block_ = std::move(block.bytes);
        block_bytes_ = block.size;
        described_ = true;
        return;
    }
    block_bytes_ = static_cast<std::size_t>(count) * sizeof(RawMinutia);
    block_.reset(new unsigned char[block_bytes_]);
    if (count > 0)
        std::memcpy(block_.get(), minutiae, block_bytes_);
}

bool Gallery::add(GalleryEntry entry)
{
    const auto found = positions_.find(entry.identifier());
    if (found != positions_.end()) {
        entries_[found->second] = std::move(entry);
        return true;
    }
    // Both containers grow (geometrically) before either changes, so a
    // failed allocation leaves the gallery as it was.
    if (entries_.size() == entries_.capacity())
        entries_.reserve(std::max<std::size_t>(16, 2 * entries_.capacity()));
    positions_.reserve(positions_.size() + 1);
    positions_.emplace(entry.identifier(), entries_.size());
    entries_.push_back(std::move(entry));
    return false;
}

bool Gallery::remove(const std::string &identifier)
{
    const auto found = positions_.find(identifier);
    if (found == positions_.end())
        return false;
    const std::size_t at = found->second;
    positions_.erase(found);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(at));
    for (std::size_t k = at; k < entries_.size(); ++k)
        positions_[entries_[k].identifier()] = k;
    return true;
}

void Gallery::reserve(std::size_t count)
{
    entries_.reserve(count);
    positions_.reserve(count);
}

uint64_t Gallery::memoryBytes() const
{
    uint64_t bytes = sizeof(*this) + entries_.capacity() * sizeof(GalleryEntry);
    // A node of the identifier map: the key, the position and a link, in
    // an allocation of its own; and one bucket pointer per bucket.
    bytes += positions_.size() * (sizeof(std::string) + sizeof(std::size_t) + 2 * sizeof(void *) + 16) +
             positions_.bucket_count() * sizeof(void *);
    for (const GalleryEntry &e : entries_) {
        bytes += e.memoryBytes();
        // Identifiers past the string's own buffer live on the heap, twice
        // (the entry and the map's key).
        if (e.identifier().capacity() > 15)
            bytes += 2 * (e.identifier().capacity() + 1 + 16);
    }
    return bytes;
}

} // namespace ridge
