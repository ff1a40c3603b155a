// Gallery files: a round trip keeps every entry; a truncated, damaged or
// wrong-version file is refused with a clear message and no gallery; a save
// that fails or is killed part-way leaves the previous file loadable.
#include "search/crc32c.h"
#include "support/sdk_test_helpers.h"
#include "support/search_fixtures.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <dirent.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using ridge_test::Block;
using ridge_test::GalleryPtr;
using ridge_test::Minutiae;

namespace {

struct Entry {
    std::string identifier;
    Minutiae minutiae;
    bool operator==(const Entry &o) const
    {
        return identifier == o.identifier && minutiae.size() == o.minutiae.size() &&
               (minutiae.empty() ||
                std::memcmp(minutiae.data(), o.minutiae.data(), minutiae.size() * sizeof(RawMinutia)) == 0);
    }
};

std::vector<Entry> entries_of(ridge_gallery *g)
{
    uint64_t n = 0;
    EXPECT_EQ(RIDGE_OK, ridge_gallery_count(g, &n));
    std::vector<Entry> out;
    for (uint64_t k = 0; k < n; ++k) {
        char *name = nullptr;
        TemplateBuffer raw{nullptr, 0, -1};
        EXPECT_EQ(RIDGE_OK, ridge_gallery_entry(g, k, &name, &raw));
        Block<char> hold_name(name);
        Block<unsigned char> hold_data(raw.data);
        EXPECT_EQ(FPT_FORMAT_RAW, raw.format);
        const RawMinutia *m = reinterpret_cast<const RawMinutia *>(raw.data);
        out.push_back({name, Minutiae(m, m + raw.size / sizeof(RawMinutia))});
    }
    return out;
}

// A small gallery with every kind of entry: empty, tiny, full, names with
// blanks and high bytes, extreme field values.
GalleryPtr varied_gallery(uint32_t seed)
{
    ridge_gallery *raw_g = nullptr;
    EXPECT_EQ(RIDGE_OK, ridge_gallery_create(&raw_g));
    GalleryPtr g(raw_g);
    const std::vector<std::pair<std::string, Minutiae>> entries = {
        {"101_1", ridge_test::random_template(seed, 40)},
        {"an entry with blanks", Minutiae()},
        {"\xc3\xa9l\xc3\xa8ve ~", ridge_test::random_template(seed + 1, 3)},
        {std::string(255, 'x'), ridge_test::random_template(seed + 2, 128)},
        {"edges", Minutiae{{-7, 0, 0, 0}, {2, 16383, 16383, 360}, {INT32_MAX, 5, 6, 7}}},
    };
    for (const auto &[name, m] : entries) {
        const TemplateBuffer raw = ridge_test::raw_buffer(m);
        EXPECT_EQ(RIDGE_OK, ridge_gallery_add(g.get(), name.c_str(), &raw, nullptr)) << ridge_last_error();
    }
    return g;
}

int32_t load_status(const std::string &path, std::string *message = nullptr)
{
    ridge_gallery *g = reinterpret_cast<ridge_gallery *>(0x1);
    const int32_t status = ridge_gallery_load(path.c_str(), &g);
    if (status == RIDGE_OK)
        ridge_gallery_close(g);
    else
        EXPECT_EQ(reinterpret_cast<ridge_gallery *>(0x1), g) << "a refused file must leave no gallery";
    if (message != nullptr)
        *message = ridge_last_error();
    return status;
}

// Writes a fresh file (replacing one by truncation makes some file systems
// flush the old contents first, which is slow when done thousands of times).
void write_fresh(const std::string &path, const std::vector<unsigned char> &bytes)
{
    unlink(path.c_str());
    ridge_test::write_file(path, bytes);
}

std::vector<std::string> folder_names(const std::string &dir)
{
    std::vector<std::string> names;
    DIR *d = opendir(dir.c_str());
    if (d == nullptr)
        return names;
    while (dirent *e = readdir(d))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names.push_back(e->d_name);
    closedir(d);
    return names;
}

} // namespace

TEST(GalleryFile, Crc32cOfTheCheckValue)
{
    const char *text = "123456789";
    EXPECT_EQ(0xE3069283u, ridge::crc32c(0, reinterpret_cast<const unsigned char *>(text), 9));
    // Continued in pieces, the same.
    const uint32_t first = ridge::crc32c(0, reinterpret_cast<const unsigned char *>(text), 4);
    EXPECT_EQ(0xE3069283u, ridge::crc32c(first, reinterpret_cast<const unsigned char *>(text + 4), 5));
}

TEST(GalleryFile, RoundTripKeepsEveryEntryAndScore)
{
    ridge_test::ScratchDir dir;
    GalleryPtr g = varied_gallery(1);
    const std::string path = dir.path("g.gallery");
    ASSERT_EQ(RIDGE_OK, ridge_gallery_save(g.get(), path.c_str())) << ridge_last_error();
    ridge_gallery *loaded_raw = nullptr;
    ASSERT_EQ(RIDGE_OK, ridge_gallery_load(path.c_str(), &loaded_raw)) << ridge_last_error();
    GalleryPtr loaded(loaded_raw);
    EXPECT_EQ(entries_of(g.get()), entries_of(loaded.get()));

    // Saved again, the file is the same byte for byte; nothing else is left
    // in the folder.
    const std::string again = dir.path("again.gallery");
    ASSERT_EQ(RIDGE_OK, ridge_gallery_save(loaded.get(), again.c_str()));
    EXPECT_EQ(ridge_test::read_bytes(path), ridge_test::read_bytes(again));
    EXPECT_EQ(2u, folder_names(dir.path("")).size());

    // An empty gallery too.
    GalleryPtr empty = ridge_test::make_gallery({});
    ASSERT_EQ(RIDGE_OK, ridge_gallery_save(empty.get(), path.c_str()));
    ASSERT_EQ(RIDGE_OK, ridge_gallery_load(path.c_str(), &loaded_raw));
    GalleryPtr reloaded(loaded_raw);
    EXPECT_TRUE(entries_of(reloaded.get()).empty());
}

TEST(GalleryFile, EveryTruncationIsRefused)
{
    ridge_test::ScratchDir dir;
    GalleryPtr g = varied_gallery(2);
    const std::string path = dir.path("g.gallery");
    ASSERT_EQ(RIDGE_OK, ridge_gallery_save(g.get(), path.c_str()));
    const std::vector<unsigned char> whole = ridge_test::read_bytes(path);
    const std::string cut = dir.path("cut.gallery");
    for (size_t length = 0; length < whole.size(); ++length) {
        write_fresh(cut, std::vector<unsigned char>(whole.begin(), whole.begin() + static_cast<long>(length)));
        std::string message;
        ASSERT_EQ(RIDGE_ERR_CORRUPT, load_status(cut, &message)) << "length " << length;
        ASSERT_NE(std::string::npos, message.find(cut)) << message;
    }
    std::vector<unsigned char> longer = whole;
    longer.push_back(0);
    ridge_test::write_file(cut, longer);
    EXPECT_EQ(RIDGE_ERR_CORRUPT, load_status(cut));
}

TEST(GalleryFile, EveryFlippedByteIsRefused)
{
    ridge_test::ScratchDir dir;
    GalleryPtr g = varied_gallery(3);
    const std::string path = dir.path("g.gallery");
    ASSERT_EQ(RIDGE_OK, ridge_gallery_save(g.get(), path.c_str()));
    const std::vector<unsigned char> whole = ridge_test::read_bytes(path);
    const std::string bad = dir.path("bad.gallery");
    for (size_t at = 0; at < whole.size(); ++at)
        for (const int flip : {0x01, 0x80}) {
            std::vector<unsigned char> damaged = whole;
            damaged[at] = static_cast<unsigned char>(damaged[at] ^ flip);
            write_fresh(bad, damaged);
            const int32_t status = load_status(bad);
            // Bytes 8..11 hold the version: a change there reads as another version.
            const int32_t expected = at >= 8 && at < 12 ? RIDGE_ERR_VERSION : RIDGE_ERR_CORRUPT;
            ASSERT_EQ(expected, status) << "byte " << at << " flipped by " << flip;
        }
}

TEST(GalleryFile, OtherVersionsMissingFilesAndStrangers)
{
    ridge_test::ScratchDir dir;
    GalleryPtr g = varied_gallery(4);
    const std::string path = dir.path("g.gallery");
    ASSERT_EQ(RIDGE_OK, ridge_gallery_save(g.get(), path.c_str()));
    std::vector<unsigned char> bytes = ridge_test::read_bytes(path);
    bytes[8] = 2; // version 2, header checksum made good again
    const uint32_t crc = ridge::crc32c(0, bytes.data(), 28);
    for (int k = 0; k < 4; ++k)
        bytes[28 + static_cast<size_t>(k)] = static_cast<unsigned char>(crc >> (8 * k));
    const std::string v2 = dir.path("v2.gallery");
    ridge_test::write_file(v2, bytes);
    std::string message;
    EXPECT_EQ(RIDGE_ERR_VERSION, load_status(v2, &message));
    EXPECT_NE(std::string::npos, message.find("version 2")) << message;

    EXPECT_EQ(RIDGE_ERR_IO, load_status(dir.path("missing.gallery"), &message));
    EXPECT_NE(std::string::npos, message.find("missing.gallery")) << message;
    EXPECT_EQ(RIDGE_ERR_IO, load_status(dir.path(""), &message)) << "a folder";

    ridge_test::write_file(dir.path("text.txt"), std::string("2\n1, 2, 3, 4\n1, 5, 6, 7\n"));
    EXPECT_EQ(RIDGE_ERR_CORRUPT, load_status(dir.path("text.txt"), &message));
    EXPECT_NE(std::string::npos, message.find("not a gallery file")) << message;

    // Saving where no file can be made fails and names the place.
    EXPECT_EQ(RIDGE_ERR_IO, ridge_gallery_save(g.get(), dir.path("no/such/folder/g.gallery").c_str()));
    EXPECT_NE(std::string::npos, std::string(ridge_last_error()).find("no/such/folder")) << ridge_last_error();
}

// A writer that the system stops part-way (the file size limit plays a
// full disk: write fails with EFBIG) reports the failure, leaves the
// previous gallery in place and removes its new file.
TEST(GalleryFile, FailedWriteLeavesThePreviousGallery)
{
    ridge_test::ScratchDir dir;
    const std::string path = dir.path("g.gallery");
    GalleryPtr old_gallery = varied_gallery(5);
    ASSERT_EQ(RIDGE_OK, ridge_gallery_save(old_gallery.get(), path.c_str()));
    const std::vector<unsigned char> old_bytes = ridge_test::read_bytes(path);

    std::vector<Minutiae> many;
    for (uint32_t k = 0; k < 3000; ++k)
        many.push_back(ridge_test::random_template(k, 60));
    GalleryPtr big = ridge_test::make_gallery(many);

    for (const rlim_t limit : {rlim_t{0}, rlim_t{100}, rlim_t{1 << 20}, rlim_t{(1 << 20) + 1000}}) {
        const pid_t child = fork();
        ASSERT_NE(-1, child);
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit rl{limit, limit};
            setrlimit(RLIMIT_FSIZE, &rl);
            const int32_t status = ridge_gallery_save(big.get(), path.c_str());
            const bool says_why = std::strstr(ridge_last_error(), "cannot write") != nullptr;
            _exit(status == RIDGE_ERR_IO && says_why ? 0 : 1);
        }
        int wstatus = 0;
        ASSERT_EQ(child, waitpid(child, &wstatus, 0));
        ASSERT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0) << "limit " << limit;
        EXPECT_EQ(old_bytes, ridge_test::read_bytes(path)) << "limit " << limit;
        EXPECT_EQ(std::vector<std::string>{"g.gallery"}, folder_names(dir.path(""))) << "limit " << limit;
    }
    ridge_gallery *loaded = nullptr;
    ASSERT_EQ(RIDGE_OK, ridge_gallery_load(path.c_str(), &loaded));
    GalleryPtr hold(loaded);
    EXPECT_EQ(entries_of(old_gallery.get()), entries_of(loaded));
}

// A writer killed at any moment leaves either the previous gallery or the
// new one, whole: never a mixture, never a damaged file.
TEST(GalleryFile, KilledWriterLeavesOneWholeGallery)
{
    ridge_test::ScratchDir dir;
    const std::string path = dir.path("g.gallery");
    GalleryPtr old_gallery = varied_gallery(6);
    ASSERT_EQ(RIDGE_OK, ridge_gallery_save(old_gallery.get(), path.c_str()));
    std::vector<Minutiae> many;
    for (uint32_t k = 0; k < 20000; ++k)
        many.push_back(ridge_test::random_template(k % 50, 40 + static_cast<int>(k % 50)));
    GalleryPtr big = ridge_test::make_gallery(many);
    const std::vector<Entry> old_entries = entries_of(old_gallery.get());
    uint64_t big_count = 0;
    ridge_gallery_count(big.get(), &big_count);

    int saw_old = 0, saw_new = 0;
    for (int round = 0; round < 12; ++round) {
        const pid_t child = fork();
        ASSERT_NE(-1, child);
        if (child == 0) {
            for (;;)
                ridge_gallery_save(round % 2 ? big.get() : old_gallery.get(), path.c_str());
        }
        usleep(static_cast<useconds_t>(2000 + 7000 * round));
        kill(child, SIGKILL);
        int wstatus = 0;
        ASSERT_EQ(child, waitpid(child, &wstatus, 0));
        ridge_gallery *loaded = nullptr;
        ASSERT_EQ(RIDGE_OK, ridge_gallery_load(path.c_str(), &loaded)) << "round " << round << ": " << ridge_last_error();
        GalleryPtr hold(loaded);
        uint64_t n = 0;
        ridge_gallery_count(loaded, &n);
        if (n == big_count) {
            ++saw_new;
        } else {
            EXPECT_EQ(old_entries, entries_of(loaded)) << "round " << round;
            ++saw_old;
        }
    }
    EXPECT_EQ(12, saw_old + saw_new);
}
