// The C interface of the gallery: argument and template refusals with
// their messages, replacing and removing entries, the entry copies, the
// progress function and cancelling, and searches running while the
// gallery changes.
#include "support/search_fixtures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include <thread>

using ridge_test::Block;
using ridge_test::GalleryPtr;
using ridge_test::Minutiae;

namespace {

int32_t add(ridge_gallery *g, const std::string &name, const Minutiae &m, int32_t *replaced = nullptr)
{
    const TemplateBuffer raw = ridge_test::raw_buffer(m);
    return ridge_gallery_add(g, name.c_str(), &raw, replaced);
}

std::vector<std::string> names_of(ridge_gallery *g)
{
    uint64_t n = 0;
    EXPECT_EQ(RIDGE_OK, ridge_gallery_count(g, &n));
    std::vector<std::string> out;
    for (uint64_t k = 0; k < n; ++k) {
        char *name = nullptr;
        EXPECT_EQ(RIDGE_OK, ridge_gallery_entry(g, k, &name, nullptr));
        out.push_back(name);
        ridge_free(name);
    }
    return out;
}

bool contains(const char *text, const std::string &part) { return std::string(text).find(part) != std::string::npos; }

} // namespace

TEST(SearchApi, IdentifiersAndTemplatesAreCheckedAtEnrolment)
{
    GalleryPtr g = ridge_test::make_gallery({});
    const Minutiae good = ridge_test::random_template(1, 20);
    EXPECT_EQ(RIDGE_ERR_ARGUMENT, ridge_gallery_create(nullptr));
    EXPECT_EQ(RIDGE_ERR_ARGUMENT, add(nullptr, "a", good));
    EXPECT_EQ(RIDGE_ERR_ARGUMENT, ridge_gallery_add(g.get(), nullptr, nullptr, nullptr));
    EXPECT_EQ(RIDGE_ERR_ARGUMENT, ridge_gallery_add(g.get(), "a", nullptr, nullptr));
    for (const std::string &bad : {std::string(), std::string(256, 'n'), std::string("tab\there"),
                                   std::string("line\n"), std::string("\x1f")})
        EXPECT_EQ(RIDGE_ERR_ARGUMENT, add(g.get(), bad, good)) << bad;
    EXPECT_TRUE(contains(ridge_last_error(), "0x1f")) << ridge_last_error();
    EXPECT_EQ(RIDGE_OK, add(g.get(), std::string(255, 'n'), good));
    EXPECT_EQ(RIDGE_OK, add(g.get(), "caf\xc3\xa9 \x7f", good));

    // Templates that ridge_check_template refuses, with its status and a
    // message naming the entry and the first bad minutia.
    struct BadCase {
        int at;
        RawMinutia minutia;
        const char *what;
    };
    for (const BadCase &c : {BadCase{0, {1, 10, 10, 361}, "angle outside 0..360"},
                             BadCase{2, {1, 10, 10, -1}, "angle outside 0..360"},
                             BadCase{5, {2, -1, 10, 0}, "x outside 0..16383"},
                             BadCase{19, {2, 10, 16384, 0}, "y outside 0..16383"}}) {
        Minutiae m = good;
        m[static_cast<size_t>(c.at)] = c.minutia;
        if (static_cast<size_t>(c.at) + 1 < m.size())
            m[static_cast<size_t>(c.at) + 1].angle = 999; // a later one too
        EXPECT_EQ(FPT_ERR_SIZE, add(g.get(), "bad", m));
        EXPECT_TRUE(contains(ridge_last_error(), "bad: minutia " + std::to_string(c.at))) << ridge_last_error();
        EXPECT_TRUE(contains(ridge_last_error(), c.what)) << ridge_last_error();
    }
    std::vector<unsigned char> bytes(16 * 129);
    TemplateBuffer too_big{bytes.data(), 16 * 129, FPT_FORMAT_RAW};
    EXPECT_EQ(FPT_ERR_SIZE, ridge_gallery_add(g.get(), "big", &too_big, nullptr));
    TemplateBuffer packed{bytes.data(), 16, FPT_FORMAT_PACKED};
    EXPECT_EQ(FPT_ERR_FORMAT, ridge_gallery_add(g.get(), "packed", &packed, nullptr));
    EXPECT_EQ(2u, names_of(g.get()).size());
}

TEST(SearchApi, ReplacingRemovingAndReadingEntries)
{
    GalleryPtr g = ridge_test::make_gallery({});
    const Minutiae a = ridge_test::random_template(1, 20), b = ridge_test::random_template(2, 30);
    int32_t replaced = 7;
    ASSERT_EQ(RIDGE_OK, add(g.get(), "one", a, &replaced));
    EXPECT_EQ(0, replaced);
    ASSERT_EQ(RIDGE_OK, add(g.get(), "two", a));
    ASSERT_EQ(RIDGE_OK, add(g.get(), "three", a));
    ASSERT_EQ(RIDGE_OK, add(g.get(), "one", b, &replaced));
    EXPECT_EQ(1, replaced);
    EXPECT_EQ((std::vector<std::string>{"one", "two", "three"}), names_of(g.get()));

    // The replaced entry keeps its place and holds the new template.
    TemplateBuffer raw{nullptr, 0, -1};
    ASSERT_EQ(RIDGE_OK, ridge_gallery_entry(g.get(), 0, nullptr, &raw));
    Block<unsigned char> hold(raw.data);
    ASSERT_EQ(b.size() * 16, raw.size);
    EXPECT_EQ(0, std::memcmp(raw.data, b.data(), raw.size));
    EXPECT_EQ(FPT_ERR_OUTPUT_IN_USE, ridge_gallery_entry(g.get(), 0, nullptr, &raw));
    TemplateBuffer unused{nullptr, 0, -1};
    EXPECT_EQ(RIDGE_ERR_NOT_FOUND, ridge_gallery_entry(g.get(), 3, nullptr, &unused));
    EXPECT_EQ(nullptr, unused.data);
    EXPECT_EQ(RIDGE_OK, ridge_gallery_entry(g.get(), 2, nullptr, nullptr));

    uint64_t before = 0, after = 0;
    ASSERT_EQ(RIDGE_OK, ridge_gallery_memory(g.get(), &before));
    EXPECT_EQ(RIDGE_OK, ridge_gallery_remove(g.get(), "two"));
    EXPECT_EQ(RIDGE_ERR_NOT_FOUND, ridge_gallery_remove(g.get(), "two"));
    EXPECT_TRUE(contains(ridge_last_error(), "two"));
    EXPECT_EQ((std::vector<std::string>{"one", "three"}), names_of(g.get()));
    // Positions after the removed one move up; the names still find them.
    ASSERT_EQ(RIDGE_OK, add(g.get(), "three", b, &replaced));
    EXPECT_EQ(1, replaced);
    EXPECT_EQ((std::vector<std::string>{"one", "three"}), names_of(g.get()));
    for (int k = 0; k < 50; ++k)
        ASSERT_EQ(RIDGE_OK, add(g.get(), "more" + std::to_string(k), b));
    ASSERT_EQ(RIDGE_OK, ridge_gallery_memory(g.get(), &after));
    EXPECT_GT(after, before + 50 * 30 * 16);

    // An empty template comes back as an empty raw template.
    ASSERT_EQ(RIDGE_OK, add(g.get(), "empty", Minutiae()));
    TemplateBuffer empty{nullptr, 0, -1};
    ASSERT_EQ(RIDGE_OK, ridge_gallery_entry(g.get(), 52, nullptr, &empty));
    EXPECT_EQ(0u, empty.size);
    EXPECT_EQ(FPT_FORMAT_RAW, empty.format);
}

// A described entry of 50 minutiae holds at most 8 KiB, as reported.
TEST(SearchApi, MemoryPerEntryOfFiftyMinutiae)
{
    std::vector<Minutiae> entries;
    for (uint32_t k = 0; k < 200; ++k)
        entries.push_back(ridge_test::random_template(k, 50, 388, 374, 6));
    GalleryPtr g = ridge_test::make_gallery(entries);
    uint64_t bytes = 0;
    ASSERT_EQ(RIDGE_OK, ridge_gallery_memory(g.get(), &bytes));
    EXPECT_LE(bytes, 200u * 8192u);
    EXPECT_GE(bytes, 200u * 50u * 16u); // the templates at least
}

TEST(SearchApi, JobArgumentsAreChecked)
{
    GalleryPtr g = ridge_test::make_gallery({ridge_test::random_template(1, 20)});
    Minutiae probe = ridge_test::random_template(2, 20);
    TemplateBuffer raw = ridge_test::raw_buffer(probe);
    ridge_match *m = nullptr;
    ridge_pair *p = nullptr;
    uint64_t n = 0;
    EXPECT_EQ(RIDGE_ERR_ARGUMENT, ridge_gallery_search(nullptr, &raw, 1, 0, 1, nullptr, nullptr, &m, &n));
    EXPECT_EQ(RIDGE_ERR_ARGUMENT, ridge_gallery_search(g.get(), nullptr, 1, 0, 1, nullptr, nullptr, &m, &n));
    EXPECT_EQ(RIDGE_ERR_ARGUMENT, ridge_gallery_search(g.get(), &raw, 1, 0, 1, nullptr, nullptr, nullptr, &n));
    EXPECT_EQ(RIDGE_ERR_ARGUMENT, ridge_gallery_search(g.get(), &raw, 1, std::nan(""), 1, nullptr, nullptr, &m, &n));
    EXPECT_EQ(RIDGE_ERR_ARGUMENT, ridge_gallery_dedup(g.get(), std::nan(""), 1, nullptr, nullptr, &p, &n));
    EXPECT_EQ(RIDGE_ERR_ARGUMENT, ridge_gallery_cross(g.get(), nullptr, 0, 1, nullptr, nullptr, &p, &n));
    probe[3].angle = 400;
    EXPECT_EQ(FPT_ERR_SIZE, ridge_gallery_search(g.get(), &raw, 1, 0, 1, nullptr, nullptr, &m, &n));
    EXPECT_TRUE(contains(ridge_last_error(), "probe: minutia 3")) << ridge_last_error();
    raw.format = FPT_FORMAT_FMR378;
    EXPECT_EQ(FPT_ERR_FORMAT, ridge_gallery_search(g.get(), &raw, 1, 0, 1, nullptr, nullptr, &m, &n));
    EXPECT_EQ(nullptr, m);
    EXPECT_EQ(0u, n);
}

namespace {

struct ProgressLog {
    std::thread::id caller;
    bool other_thread = false;
    uint64_t last_done = 0, total = 0, calls = 0;
    bool backwards = false;
    uint64_t stop_after = UINT64_MAX;
};

int log_progress(void *context, uint64_t done, uint64_t total)
{
    ProgressLog &log = *static_cast<ProgressLog *>(context);
    log.other_thread |= std::this_thread::get_id() != log.caller;
    log.backwards |= done < log.last_done;
    log.last_done = done;
    log.total = total;
    return ++log.calls > log.stop_after ? 1 : 0;
}

} // namespace

TEST(SearchApi, ProgressFromTheCallingThreadAndCancelling)
{
    std::vector<Minutiae> entries;
    for (uint32_t k = 0; k < 600; ++k)
        entries.push_back(ridge_test::random_template(k % 40, 12 + static_cast<int>(k % 30)));
    GalleryPtr g = ridge_test::make_gallery(entries);
    const TemplateBuffer probe = ridge_test::raw_buffer(entries[3]);
    for (const uint32_t threads : {1u, 3u}) {
        ProgressLog log;
        log.caller = std::this_thread::get_id();
        ridge_match *m = nullptr;
        uint64_t n = 0;
        ASSERT_EQ(RIDGE_OK, ridge_gallery_search(g.get(), &probe, 5, 0, threads, log_progress, &log, &m, &n));
        ridge_free(m);
        EXPECT_FALSE(log.other_thread);
        EXPECT_FALSE(log.backwards);
        EXPECT_EQ(600u, log.total);
        EXPECT_EQ(600u, log.last_done);
        EXPECT_GE(log.calls, threads == 1 ? 4u : 2u);

        // Stopped at the first report: a failure, outputs untouched.
        ProgressLog stop;
        stop.caller = log.caller;
        stop.stop_after = 0;
        m = reinterpret_cast<ridge_match *>(0x1);
        n = 77;
        EXPECT_EQ(RIDGE_ERR_CANCELLED,
                  ridge_gallery_search(g.get(), &probe, 5, 0, threads, log_progress, &stop, &m, &n));
        EXPECT_EQ(reinterpret_cast<ridge_match *>(0x1), m);
        EXPECT_EQ(77u, n);
        ridge_pair *p = reinterpret_cast<ridge_pair *>(0x1);
        stop.calls = 0;
        EXPECT_EQ(RIDGE_ERR_CANCELLED, ridge_gallery_dedup(g.get(), 0, threads, log_progress, &stop, &p, &n));
        EXPECT_EQ(reinterpret_cast<ridge_pair *>(0x1), p);
        EXPECT_FALSE(stop.other_thread);
    }

    // De-duplication counts pairs.
    GalleryPtr small = ridge_test::make_gallery(std::vector<Minutiae>(entries.begin(), entries.begin() + 100));
    ProgressLog log;
    log.caller = std::this_thread::get_id();
    ridge_pair *p = nullptr;
    uint64_t n = 0;
    ASSERT_EQ(RIDGE_OK, ridge_gallery_dedup(small.get(), 200.0, 2, log_progress, &log, &p, &n));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(4950u, log.total);
    EXPECT_EQ(4950u, log.last_done);
    ASSERT_EQ(RIDGE_OK, ridge_gallery_cross(small.get(), g.get(), 200.0, 2, log_progress, &log, &p, &n));
    EXPECT_EQ(60000u, log.total);
    EXPECT_EQ(60000u, log.last_done);
}

// Searches on several threads while another thread adds, replaces and
// removes entries: every result names an entry that exists with the score
// of its template.
TEST(SearchApi, SearchesWhileTheGalleryChanges)
{
    ridge_set_diagnostic_handler(ridge_diagnostic_drop, nullptr);
    std::vector<Minutiae> templates;
    for (uint32_t k = 0; k < 40; ++k)
        templates.push_back(ridge_test::random_template(k, 10 + static_cast<int>(k)));
    const Minutiae probe = templates[7];
    std::map<std::string, double> expected;
    for (size_t k = 0; k < templates.size(); ++k)
        expected["t" + std::to_string(k)] = ridge_test::match_score(probe, templates[k]);

    GalleryPtr g = ridge_test::make_gallery({});
    for (size_t k = 0; k < 20; ++k)
        ASSERT_EQ(RIDGE_OK, add(g.get(), "t" + std::to_string(k), templates[k]));
    std::atomic<bool> done{false};
    std::atomic<int> wrong{0}, searches{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t)
        readers.emplace_back([&] {
            const TemplateBuffer raw = ridge_test::raw_buffer(probe);
            while (!done.load()) {
                ridge_match *m = nullptr;
                uint64_t n = 0;
                if (ridge_gallery_search(g.get(), &raw, 0, 0, 2, nullptr, nullptr, &m, &n) != RIDGE_OK)
                    ++wrong;
                for (uint64_t k = 0; k < n; ++k)
                    wrong += expected.at(m[k].identifier) != m[k].score;
                ridge_free(m);
                ++searches;
            }
        });
    for (int round = 0; round < 200; ++round) {
        const size_t k = static_cast<size_t>(round * 7 % 40);
        const std::string name = "t" + std::to_string(k);
        if (round % 3 == 2)
            ridge_gallery_remove(g.get(), name.c_str());
        else
            ASSERT_EQ(RIDGE_OK, add(g.get(), name, templates[k]));
    }
    while (searches.load() < 20)
        std::this_thread::yield();
    done = true;
    for (std::thread &t : readers)
        t.join();
    ridge_set_diagnostic_handler(nullptr, nullptr);
    EXPECT_EQ(0, wrong.load());
}
