#include "search/gallery_file.h"

#include "ext/ext_status.h"
#include "sdk/template_checks.h"
#include "search/crc32c.h"
#include "search/parallel_job.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unordered_set>
#include <unistd.h>
#include <vector>

namespace ridge {

namespace {

constexpr unsigned char kHeaderMagic[8] = {'R', 'I', 'D', 'G', 'E', 'G', 'A', 'L'};
constexpr unsigned char kTrailerMagic[8] = {'R', 'I', 'D', 'G', 'E', 'E', 'N', 'D'};
constexpr std::size_t kHeaderBytes = 32;
constexpr std::size_t kTrailerBytes = 24;
// Identifier length, minutia count, one identifier byte, checksum.
constexpr std::size_t kSmallestEntryBytes = 7;
constexpr std::size_t kMinutiaBytes = 16;
constexpr std::size_t kBufferBytes = 1 << 20;

void put32(unsigned char *at, uint32_t v)
{
    for (int k = 0; k < 4; ++k)
        at[k] = static_cast<unsigned char>(v >> (8 * k));
}
void put64(unsigned char *at, uint64_t v)
{
    for (int k = 0; k < 8; ++k)
        at[k] = static_cast<unsigned char>(v >> (8 * k));
}
uint32_t get32(const unsigned char *at)
{
    return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}
uint64_t get64(const unsigned char *at) { return uint64_t{get32(at)} | uint64_t{get32(at + 4)} << 32; }

std::string system_reason() { return std::strerror(errno); }

// --- writing ---------------------------------------------------------------

// The new file beside the target, removed again unless it was renamed
// into place.
class NewFile {
public:
    explicit NewFile(const std::string &target) : target_(target) {}
    ~NewFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!path_.empty() && !renamed_)
            ::unlink(path_.c_str());
    }
    NewFile(const NewFile &) = delete;
    NewFile &operator=(const NewFile &) = delete;

    int32_t open()
    {
        static unsigned counter = 0;
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = target_ + ".tmp." + std::to_string(::getpid()) + "." +
                    std::to_string(__atomic_add_fetch(&counter, 1u, __ATOMIC_RELAXED));
            fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0)
                return RIDGE_OK;
            if (errno != EEXIST) {
                const std::string reason = system_reason();
                path_.clear();
                return failWith(RIDGE_ERR_IO, "cannot create " + target_ + ".tmp.*: " + reason);
            }
        }
        path_.clear();
        return failWith(RIDGE_ERR_IO, "cannot create a new file beside " + target_);
    }

    // Buffered writing; the first failure is kept and later writes skipped.
    void write(const unsigned char *data, std::size_t size)
    {
        while (size > 0 && status_ == RIDGE_OK) {
            const std::size_t n = std::min(size, kBufferBytes - buffer_.size());
            buffer_.insert(buffer_.end(), data, data + n);
            data += n;
            size -= n;
            if (buffer_.size() == kBufferBytes)
                flush();
        }
    }

    int32_t finish()
    {
        flush();
        if (status_ != RIDGE_OK)
            return status_;
        if (::fsync(fd_) != 0)
            return failWith(RIDGE_ERR_IO, "cannot flush " + path_ + " to disk: " + system_reason());
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0)
            return failWith(RIDGE_ERR_IO, "cannot close " + path_ + ": " + system_reason());
        if (::rename(path_.c_str(), target_.c_str()) != 0)
            return failWith(RIDGE_ERR_IO, "cannot rename " + path_ + " to " + target_ + ": " +
                                              system_reason());
        renamed_ = true;
        flush_folder();
        return RIDGE_OK;
    }

    void reserve() { buffer_.reserve(kBufferBytes); }

private:
    void flush()
    {
        std::size_t at = 0;
        while (at < buffer_.size() && status_ == RIDGE_OK) {
            const ssize_t n = ::write(fd_, buffer_.data() + at, buffer_.size() - at);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                status_ = failWith(RIDGE_ERR_IO, "cannot write " + path_ + ": " +
                                                     (n < 0 ? system_reason() : std::string("nothing written")));
            else
                at += static_cast<std::size_t>(n);
        }
        buffer_.clear();
    }

    // The rename lives in the folder: flushing it makes the new name
    // durable. A file system that cannot flush folders still has the new
    // file in place, so a failure here changes nothing for the caller.
    void flush_folder()
    {
        const std::size_t slash = target_.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target_.substr(0, slash);
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            (void)::fsync(fd);
            ::close(fd);
        }
    }

    std::string target_;
    std::string path_;
    int fd_ = -1;
    bool renamed_ = false;
    int32_t status_ = RIDGE_OK;
    std::vector<unsigned char> buffer_;
};

// --- reading ---------------------------------------------------------------

class Reader {
public:
    explicit Reader(const char *path) : path_(path) {}
    ~Reader()
    {
        if (file_ != nullptr)
            std::fclose(file_);
    }
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

    int32_t open()
    {
        file_ = std::fopen(path_.c_str(), "rb");
        if (file_ == nullptr)
            return failWith(RIDGE_ERR_IO, "cannot open " + path_ + ": " + system_reason());
        std::setvbuf(file_, nullptr, _IOFBF, kBufferBytes);
        struct stat st {};
        if (::fstat(::fileno(file_), &st) != 0)
            return failWith(RIDGE_ERR_IO, "cannot read " + path_ + ": " + system_reason());
        if (!S_ISREG(st.st_mode))
            return failWith(RIDGE_ERR_IO, "cannot read " + path_ + ": not a regular file");
        size_ = static_cast<uint64_t>(st.st_size);
        return RIDGE_OK;
    }

    // Reads exactly size bytes; false (with the message set) at the end of
    // the file or on a read error.
    bool read(unsigned char *data, std::size_t size, const char *what)
    {
        const std::size_t got = std::fread(data, 1, size, file_);
        offset_ += got;
        if (got == size)
            return true;
        if (std::ferror(file_))
            status_ = failWith(RIDGE_ERR_IO, "cannot read " + path_ + ": " + system_reason());
        else
            status_ = failWith(RIDGE_ERR_CORRUPT, path_ + " is truncated: it ends inside " + what);
        return false;
    }

    bool at_end() { return std::fgetc(file_) == EOF && !std::ferror(file_); }

    int32_t status() const { return status_; }
    uint64_t size() const { return size_; }
    uint64_t offset() const { return offset_; }
    const std::string &path() const { return path_; }

private:
    std::string path_;
    std::FILE *file_ = nullptr;
    uint64_t size_ = 0;
    uint64_t offset_ = 0;
    int32_t status_ = RIDGE_ERR_CORRUPT;
};

int32_t corrupt(const Reader &r, const std::string &what)
{
    return failWith(RIDGE_ERR_CORRUPT, r.path() + " is damaged: " + what);
}

} // namespace

int32_t saveGalleryFile(const Gallery &gallery, const char *path)
{
    NewFile file(path);
    const int32_t opened = file.open();
    if (opened != RIDGE_OK)
        return opened;
    file.reserve();

    unsigned char header[kHeaderBytes] = {};
    std::memcpy(header, kHeaderMagic, sizeof kHeaderMagic);
    put32(header + 8, kGalleryFileVersion);
    put32(header + 12, 0); // flags
    put64(header + 16, gallery.size());
    put32(header + 24, 0); // reserved
    put32(header + 28, crc32c(0, header, 28));
    file.write(header, sizeof header);

    uint32_t chain = crc32c(0, header + 28, 4);
    std::vector<unsigned char> entry;
    for (std::size_t k = 0; k < gallery.size(); ++k) {
        const GalleryEntry &e = gallery.at(k);
        const std::size_t n = static_cast<std::size_t>(e.count());
        const std::string &name = e.identifier();
        entry.resize(2 + name.size() + kMinutiaBytes * n + 4);
        entry[0] = static_cast<unsigned char>(name.size());
        entry[1] = static_cast<unsigned char>(n);
        std::memcpy(entry.data() + 2, name.data(), name.size());
        unsigned char *at = entry.data() + 2 + name.size();
        for (std::size_t q = 0; q < n; ++q) {
            const RawMinutia &m = e.minutiae()[q];
            put32(at, static_cast<uint32_t>(m.type));
            put32(at + 4, static_cast<uint32_t>(m.x));
            put32(at + 8, static_cast<uint32_t>(m.y));
            put32(at + 12, static_cast<uint32_t>(m.angle));
            at += kMinutiaBytes;
        }
        const uint32_t crc = crc32c(0, entry.data(), entry.size() - 4);
        put32(at, crc);
        chain = crc32c(chain, at, 4);
        file.write(entry.data(), entry.size());
    }

    unsigned char trailer[kTrailerBytes] = {};
    std::memcpy(trailer, kTrailerMagic, sizeof kTrailerMagic);
    put64(trailer + 8, gallery.size());
    put32(trailer + 16, chain);
    put32(trailer + 20, crc32c(0, trailer, 20));
    file.write(trailer, sizeof trailer);
    return file.finish();
}

int32_t loadGalleryFile(const char *path, std::unique_ptr<ridge_gallery> *out)
{
    Reader r(path);
    const int32_t opened = r.open();
    if (opened != RIDGE_OK)
        return opened;

    unsigned char header[kHeaderBytes];
    if (r.size() < 12 || !r.read(header, 12, "its header"))
        return failWith(RIDGE_ERR_CORRUPT, r.path() + " is not a gallery file (too short)");
    if (std::memcmp(header, kHeaderMagic, sizeof kHeaderMagic) != 0)
        return failWith(RIDGE_ERR_CORRUPT, r.path() + " is not a gallery file");
    const uint32_t version = get32(header + 8);
    if (version != kGalleryFileVersion)
        return fail(RIDGE_ERR_VERSION, "%s is a gallery file of version %u; this library reads version %u",
                    r.path().c_str(), static_cast<unsigned>(version), static_cast<unsigned>(kGalleryFileVersion));
    if (!r.read(header + 12, kHeaderBytes - 12, "its header"))
        return r.status();
    if (get32(header + 28) != crc32c(0, header, 28))
        return corrupt(r, "header checksum mismatch");
    if (get32(header + 12) != 0 || get32(header + 24) != 0)
        return corrupt(r, "unknown header flags");
    const uint64_t count = get64(header + 16);
    if (count > (r.size() - kHeaderBytes) / kSmallestEntryBytes)
        return corrupt(r, "the header announces " + std::to_string(count) +
                              " entries, more than the file can hold");

    // The entries are read first (their templates into one array), checked
    // whole, then described on every core straight from that array.
    struct Pending {
        std::string identifier;
        std::size_t offset;
        int count;
    };
    std::vector<Pending> pending;
    pending.reserve(static_cast<std::size_t>(count));
    std::vector<RawMinutia> minutiae;
    minutiae.reserve(static_cast<std::size_t>((r.size() - kHeaderBytes) / kMinutiaBytes));
    std::unordered_set<std::string> seen;
    seen.reserve(static_cast<std::size_t>(count));
    uint32_t chain = crc32c(0, header + 28, 4);
    unsigned char entry[2 + 255 + kMinutiaBytes * FPT_MAX_MINUTIAE + 4];
    for (uint64_t k = 0; k < count; ++k) {
        const std::string which = "entry " + std::to_string(k);
        if (!r.read(entry, 2, which.c_str()))
            return r.status();
        const std::size_t length = entry[0], n = entry[1];
        if (length == 0)
            return corrupt(r, which + " has an empty identifier");
        if (n > FPT_MAX_MINUTIAE)
            return corrupt(r, which + " claims " + std::to_string(n) + " minutiae");
        const std::size_t bytes = 2 + length + kMinutiaBytes * n + 4;
        if (!r.read(entry + 2, bytes - 2, which.c_str()))
            return r.status();
        if (get32(entry + bytes - 4) != crc32c(0, entry, bytes - 4))
            return corrupt(r, which + ": checksum mismatch");
        chain = crc32c(chain, entry + bytes - 4, 4);

        const char *identifier = reinterpret_cast<const char *>(entry + 2);
        const std::string problem = identifierProblem(identifier, length);
        if (!problem.empty())
            return corrupt(r, which + ": " + problem);
        const std::size_t offset = minutiae.size();
        const unsigned char *at = entry + 2 + length;
        for (std::size_t q = 0; q < n; ++q, at += kMinutiaBytes)
            minutiae.push_back(RawMinutia{static_cast<int32_t>(get32(at)), static_cast<int32_t>(get32(at + 4)),
                                          static_cast<int32_t>(get32(at + 8)), static_cast<int32_t>(get32(at + 12))});
        const std::string bad = describeFirstInvalidMinutia(
            reinterpret_cast<const unsigned char *>(minutiae.data() + offset), static_cast<int>(n));
        if (!bad.empty())
            return corrupt(r, which + ": " + bad);
        std::string name(identifier, length);
        if (!seen.insert(name).second)
            return corrupt(r, which + " repeats the identifier " + name);
        pending.push_back(Pending{std::move(name), offset, static_cast<int>(n)});
    }

    unsigned char trailer[kTrailerBytes];
    if (!r.read(trailer, kTrailerBytes, "its closing record"))
        return r.status();
    if (std::memcmp(trailer, kTrailerMagic, sizeof kTrailerMagic) != 0 ||
        get32(trailer + 20) != crc32c(0, trailer, 20))
        return corrupt(r, "closing record damaged");
    if (get64(trailer + 8) != count || get32(trailer + 16) != chain)
        return corrupt(r, "entries missing, repeated or out of order");
    if (!r.at_end())
        return corrupt(r, "bytes after the closing record");
    std::unordered_set<std::string>().swap(seen);

    constexpr std::size_t kChunk = 512;
    const std::size_t n = pending.size(), chunks = (n + kChunk - 1) / kChunk;
    std::vector<GalleryEntry> entries(n);
    const int32_t described = runParallelJob(
        jobThreads(0, chunks), chunks,
        [&](std::size_t chunk, unsigned) {
            for (std::size_t k = chunk * kChunk; k < std::min(n, (chunk + 1) * kChunk); ++k)
                entries[k] = GalleryEntry(std::move(pending[k].identifier), minutiae.data() + pending[k].offset,
                                          pending[k].count, true);
        },
        [&](std::size_t chunk) { return static_cast<uint64_t>(std::min(n, (chunk + 1) * kChunk) - chunk * kChunk); },
        n, JobProgress());
    if (described != RIDGE_OK)
        return described;
    std::vector<RawMinutia>().swap(minutiae);
    std::vector<Pending>().swap(pending);

    auto gallery = std::make_unique<ridge_gallery>();
    gallery->reserve(n);
    for (GalleryEntry &e : entries)
        gallery->add(std::move(e));
    *out = std::move(gallery);
    return RIDGE_OK;
}

} // namespace ridge
