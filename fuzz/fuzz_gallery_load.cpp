// ridge_gallery_load on arbitrary bytes: a file is refused with a status
// and a message, or loaded whole; a loaded gallery saves to the same bytes
// and answers a search.
#include "ridgesearch.h"

#include "fuzz_input.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string scratch_path(const char *what)
{
    return "/tmp/ridgesdk-fuzz-gallery-" + std::to_string(::getpid()) + "-" + what;
}

bool write_all(const std::string &path, const std::uint8_t *data, std::size_t size)
{
    ::unlink(path.c_str());
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

std::vector<std::uint8_t> read_all(const std::string &path)
{
    std::vector<std::uint8_t> bytes;
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return bytes;
    std::uint8_t buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool quiet = [] {
        ridge_set_diagnostic_handler(ridge_diagnostic_drop, nullptr);
        return true;
    }();
    (void)quiet;
    const std::string in = scratch_path("in"), out = scratch_path("out");
    if (!write_all(in, data, size))
        return 0;
    ridge_gallery *g = nullptr;
    const int32_t status = ridge_gallery_load(in.c_str(), &g);
    if (status != RIDGE_OK) {
        FUZZ_REQUIRE(g == nullptr);
        FUZZ_REQUIRE(status == RIDGE_ERR_CORRUPT || status == RIDGE_ERR_VERSION);
        FUZZ_REQUIRE(std::strlen(ridge_last_error()) > 0);
        ::unlink(in.c_str());
        return 0;
    }
    FUZZ_REQUIRE(g != nullptr);
    // Loaded whole: it writes back the same bytes.
    FUZZ_REQUIRE(ridge_gallery_save(g, out.c_str()) == RIDGE_OK);
    FUZZ_REQUIRE(read_all(out) == std::vector<std::uint8_t>(data, data + size));

    uint64_t count = 0;
    FUZZ_REQUIRE(ridge_gallery_count(g, &count) == RIDGE_OK);
    if (count > 0) {
        TemplateBuffer probe{nullptr, 0, -1};
        FUZZ_REQUIRE(ridge_gallery_entry(g, 0, nullptr, &probe) == RIDGE_OK);
        ridge_match *matches = nullptr;
        uint64_t found = 0;
        FUZZ_REQUIRE(ridge_gallery_search(g, &probe, 3, 0.0, 1, nullptr, nullptr, &matches, &found) == RIDGE_OK);
        FUZZ_REQUIRE(found == (count < 3 ? count : 3));
        for (uint64_t k = 0; k < found; ++k) {
            TemplateBuffer entry{nullptr, 0, -1};
            FUZZ_REQUIRE(ridge_gallery_entry(g, matches[k].index, nullptr, &entry) == RIDGE_OK);
            double score = -1.0;
            FUZZ_REQUIRE(matchRawFPTs(&probe, &entry, &score) == FPT_OK);
            FUZZ_REQUIRE(score == matches[k].score);
            ridge_free(entry.data);
        }
        ridge_free(matches);
        ridge_free(probe.data);
    }
    ridge_gallery_close(g);
    ::unlink(in.c_str());
    ::unlink(out.c_str());
    return 0;
}
