// ridgesearch: identification on the command line. Enrols templates and
// fingerprint images in a gallery file, searches probes against it, finds
// the pairs of entries that match each other and describes the file.
//
//   ridgesearch enroll [--format F] [--ppi R] [--threads N] GALLERY FILE... | --list LISTFILE
//   ridgesearch search [--format F] [--ppi R] [--top K] [--min-score S] [--threads N]
//                      GALLERY PROBE... | --list LISTFILE
//   ridgesearch dedup [--min-score S] [--threads N] GALLERY
//   ridgesearch info GALLERY
//
// Exit status 0 on success, 1 when the job fails, 2 for a wrong command
// line; each reason is one line on standard error.
#include "ridgeinterop.h"
#include "ridgesearch.h"

#include "template_inputs.h"
#include "tool_cli.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using ridge::InputKind;
using ridge::cli::failure;
using ridge::cli::Parsed;
using ridge::cli::Result;
using ridge::cli::sdk_reason;
using ridge::cli::usage_error;

constexpr uint32_t kDefaultTop = 10;
constexpr uint32_t kMaxThreads = 1024;
constexpr std::size_t kProbeBatch = 64;

const char kUsage[] =
    "Usage: ridgesearch enroll [--format F] [--ppi R] [--threads N] GALLERY FILE...\n"
    "       ridgesearch enroll [--format F] [--ppi R] [--threads N] GALLERY --list LISTFILE\n"
    "       ridgesearch search [--format F] [--ppi R] [--top K] [--min-score S] [--threads N]\n"
    "                          GALLERY PROBE... (or --list LISTFILE)\n"
    "       ridgesearch dedup [--min-score S] [--threads N] GALLERY\n"
    "       ridgesearch info GALLERY\n";

const char kHelp[] =
    "\n"
    "Identification: enrols fingerprint templates in a gallery file and searches\n"
    "probes against it. Every score is the one matchRawFPTs gives (and ridgescore\n"
    "prints) for the same two templates.\n"
    "\n"
    "Commands:\n"
    "  enroll  adds templates to GALLERY, creating it when missing. An entry's\n"
    "          identifier is the file name without folder and extension; an\n"
    "          entry already in GALLERY with that identifier is replaced, which is\n"
    "          said on standard error; two files of one enrolment that give the\n"
    "          same identifier are refused. All or nothing: when any file cannot\n"
    "          be enrolled, each such file is named on standard error and GALLERY\n"
    "          is left as it was.\n"
    "  search  writes for each probe its best entries, best first, one line each:\n"
    "          probe<TAB>rank<TAB>identifier<TAB>score (probe: the file name without\n"
    "          folder and extension; rank from 1; score with six decimals; equal\n"
    "          scores in enrolment order). A probe that cannot be read is named on\n"
    "          standard error and the others are searched; the exit status is then 1.\n"
    "  dedup   writes every pair of entries scoring at or above S, one line each:\n"
    "          identifier<TAB>identifier<TAB>score (the earlier entry first, scored\n"
    "          against the later one).\n"
    "  info    checks GALLERY whole and writes lines of name<TAB>value: entries,\n"
    "          bytes (of the file), version (of the file format), memory (bytes the\n"
    "          loaded gallery takes).\n"
    "\n"
    "Options:\n"
    "  --format F     what every file holds (without it, each file's extension\n"
    "                 tells):\n"
    "                   1    raw text file (.txt)\n"
    "                   2    raw binary template (.raw)\n"
    "                   3    packed template (.pck)\n"
    "                   4    FMR378 record (.fmr)\n"
    "                   bmp  8-bit BMP image (.bmp): the template is extracted;\n"
    "                        png, pgm and ppm images (.png .pgm .ppm .pnm) likewise\n"
    "                   (the numbers are ridgescore's)\n"
    "  --ppi R        resolution of the images in pixels per inch (50..5000); they\n"
    "                 are resampled to the 500 ppi of the extraction first. Without\n"
    "                 it a resolution of 250..2000 ppi stated in the file is used,\n"
    "                 else the image is taken as 500 ppi.\n"
    "  --list FILE    takes the files from FILE, one path a line (\"-\": standard\n"
    "                 input), after any named on the command line\n"
    "  --top K        results per probe (default 10; 0: every entry)\n"
    "  --min-score S  keeps scores at or above S only (default 0: every score)\n"
    "  --threads N    threads that compare and that extract images; default 0,\n"
    "                 one per core (the results do not depend on it)\n"
    "  --help, --version\n"
    "\n"
    "The SDK's own diagnostics (the matcher's trace lines for templates of eight\n"
    "minutiae or fewer, the detector's error lines) are silenced; failures are\n"
    "reported by this program's own lines. A progress line appears on standard\n"
    "error when it is a terminal and a job takes more than a second.\n"
    "\n"
    "Exit status: 0 on success, 1 when the job fails (a file missing or unreadable,\n"
    "a damaged gallery, a failed write), 2 for a wrong command line.\n";

void say(const std::string &line) { ridge::cli::say("ridgesearch", line); }

enum class Command { Enroll, Search, Dedup, Info };

struct CommandName {
    Command command;
    const char *name;
    const char *options; // the options it takes, separated by blanks
};

const CommandName kCommands[] = {
    {Command::Enroll, "enroll", "--format --ppi --threads --list "},
    {Command::Search, "search", "--format --ppi --top --min-score --threads --list "},
    {Command::Dedup, "dedup", "--min-score --threads "},
    {Command::Info, "info", ""}};

struct Options {
    const CommandName *command = nullptr;
    std::optional<InputKind> format;
    std::optional<double> ppi;
    uint32_t top = kDefaultTop;
    double min_score = 0;
    uint32_t threads = 0;
    std::string gallery;
    std::vector<std::string> files;
    std::vector<std::string> lists;
};

Result parse_whole(const std::string &option, const std::string &text, uint64_t high, uint32_t &value)
{
    if (text.empty() || text.size() > 12 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return usage_error(option + " takes a whole number, not '" + text + "'");
    const unsigned long long parsed = std::strtoull(text.c_str(), nullptr, 10);
    if (parsed > high)
        return usage_error(option + " " + text + " is above " + std::to_string(high));
    value = static_cast<uint32_t>(parsed);
    return std::nullopt;
}

Result parse_real(const std::string &option, const std::string &text, double low, double high, double &value)
{
    char *end = nullptr;
    const double parsed = text.empty() ? 0.0 : std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(parsed) ||
        std::isspace(static_cast<unsigned char>(text[0])))
        return usage_error(option + " takes a number, not '" + text + "'");
    if (!(parsed >= low && parsed <= high))
        return usage_error(option + " " + text + " is outside " + std::to_string(static_cast<long>(low)) + ".." +
                           std::to_string(static_cast<long>(high)));
    value = parsed;
    return std::nullopt;
}

bool takes_option(const CommandName &command, const std::string &option)
{
    std::istringstream names(command.options);
    std::string name;
    while (names >> name)
        if (name == option)
            return true;
    return false;
}

Result parse_options(int argc, char **argv, Options &options, Parsed &parsed)
{
    parsed = Parsed::Run;
    for (int i = 1; i < argc && argv[i] != std::string("--"); ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            parsed = Parsed::Help;
            return std::nullopt;
        }
        if (arg == "--version") {
            parsed = Parsed::Version;
            return std::nullopt;
        }
    }
    if (argc < 2)
        return usage_error("no command given (enroll, search, dedup or info)");
    for (const CommandName &c : kCommands)
        if (argv[1] == std::string(c.name))
            options.command = &c;
    if (options.command == nullptr)
        return usage_error(std::string("unknown command '") + argv[1] + "' (enroll, search, dedup or info)");

    // Help and version were answered above: the reader meets neither.
    ridge::cli::OptionReader line(argc, argv, 2);
    std::string arg, value;
    while (line.next(arg)) {
        if (!takes_option(*options.command, arg)) {
            const bool known = takes_option(kCommands[1], arg); // search takes every option
            return usage_error(known ? arg + " does not apply to " + options.command->name
                                     : "unknown option " + arg);
        }
        if (!line.value(value))
            return usage_error(arg + " needs a value");
        Result bad;
        if (arg == "--format") {
            options.format = ridge::parse_input_kind(value);
            if (!options.format)
                bad = usage_error("unknown format '" + value + "' (1, 2, 3, 4, bmp, png, pgm, ppm)");
        } else if (arg == "--ppi") {
            double ppi = 0;
            bad = parse_real(arg, value, 50, 5000, ppi);
            options.ppi = ppi;
        } else if (arg == "--top") {
            bad = parse_whole(arg, value, UINT32_MAX, options.top);
        } else if (arg == "--min-score") {
            bad = parse_real(arg, value, 0, 1e9, options.min_score);
        } else if (arg == "--threads") {
            bad = parse_whole(arg, value, kMaxThreads, options.threads);
        } else if (arg == "--list") {
            if (value.empty())
                bad = usage_error("--list needs a file name");
            options.lists.push_back(value);
        }
        if (bad)
            return bad;
    }

    const std::vector<std::string> &positional = line.positional();
    const Command command = options.command->command;
    if (positional.empty())
        return usage_error(std::string(options.command->name) + " needs a gallery file");
    options.gallery = positional[0];
    if (options.gallery.empty())
        return usage_error("the gallery file name is empty");
    options.files.assign(positional.begin() + 1, positional.end());
    if (command == Command::Dedup || command == Command::Info) {
        if (!options.files.empty())
            return usage_error(std::string(options.command->name) + " takes one gallery file only");
    } else if (options.files.empty() && options.lists.empty()) {
        return usage_error(command == Command::Enroll ? "enroll needs files to enrol (or --list)"
                                                      : "search needs probes (or --list)");
    }
    if (options.ppi && options.format && *options.format != InputKind::Image)
        return usage_error("--ppi applies to images only");
    return std::nullopt;
}

// The progress line on standard error: only when it is a terminal, only
// once a job has taken a second, at most five times a second.
class ProgressLine {
public:
    ProgressLine() : enabled_(::isatty(STDERR_FILENO) == 1), start_(Clock::now()) {}
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;
    ~ProgressLine() { clear(); }

    void show(const char *what, uint64_t done, uint64_t total)
    {
        if (!enabled_)
            return;
        const Clock::time_point now = Clock::now();
        if (now - start_ < std::chrono::seconds(1) || now - last_ < std::chrono::milliseconds(200))
            return;
        last_ = now;
        std::fprintf(stderr, "\r%s %" PRIu64 " of %" PRIu64 "\033[K", what, done, total);
        std::fflush(stderr);
        shown_ = true;
    }

    // Clears the line, before another message or at the end.
    void clear()
    {
        if (shown_) {
            std::fputs("\r\033[K", stderr);
            std::fflush(stderr);
            shown_ = false;
        }
    }

private:
    using Clock = std::chrono::steady_clock;
    bool enabled_;
    bool shown_ = false;
    Clock::time_point start_;
    Clock::time_point last_{};
};

struct JobProgress {
    ProgressLine *line;
    const char *what;
};

int report_progress(void *context, uint64_t done, uint64_t total)
{
    const JobProgress *p = static_cast<const JobProgress *>(context);
    p->line->show(p->what, done, total);
    return 0;
}

struct GalleryCloser {
    void operator()(ridge_gallery *gallery) const { ridge_gallery_close(gallery); }
};
using Gallery = std::unique_ptr<ridge_gallery, GalleryCloser>;

struct BlockFree {
    void operator()(void *block) const { ridge_free(block); }
};

Result load_gallery(const std::string &path, Gallery &gallery)
{
    ridge_gallery *loaded = nullptr;
    const int32_t status = ridge_gallery_load(path.c_str(), &loaded);
    if (status != RIDGE_OK)
        return failure(sdk_reason(status));
    gallery.reset(loaded);
    return std::nullopt;
}

// An exclusive lock on the gallery's folder while an enrolment reads,
// changes and writes the file, so that two enrolments at once do not lose
// each other's entries (the file itself is replaced by each save, so it
// cannot carry the lock). Searches need none: a save replaces the file in
// one step. Where the folder cannot be locked, the enrolment goes on.
class FolderLock {
public:
    explicit FolderLock(const std::string &file)
    {
        const std::size_t slash = file.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : file.substr(0, slash);
        fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ >= 0)
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;
    ~FolderLock()
    {
        if (fd_ >= 0)
            ::close(fd_); // releases the lock
    }

private:
    int fd_ = -1;
};

// One file to enrol or search.
struct InputFile {
    std::string path;
    std::string identifier;
    InputKind kind = InputKind::RawText;
    std::vector<unsigned char> raw;
    std::string error; // empty when it loaded
};

// The files of the command line and of the lists, each with its kind
// (given, or told from its extension).
Result collect_inputs(const Options &options, std::vector<InputFile> &inputs)
{
    std::vector<std::string> paths = options.files;
    for (const std::string &list : options.lists) {
        const std::size_t before = paths.size();
        const std::string why = ridge::read_path_list(list, paths);
        if (!why.empty())
            return failure(why);
        if (paths.size() == before)
            return failure("list " + list + " names no files");
    }
    std::vector<std::string> unknown;
    for (const std::string &path : paths) {
        InputFile input;
        input.path = path;
        input.identifier = ridge::identifier_of_path(path);
        const std::optional<InputKind> kind = options.format ? options.format : ridge::input_kind_of_extension(path);
        if (!kind)
            unknown.push_back(path);
        else
            input.kind = *kind;
        inputs.push_back(std::move(input));
    }
    if (!unknown.empty())
        return usage_error("cannot tell the format of " + unknown.front() + " from its name" +
                           (unknown.size() > 1 ? " (nor of " + std::to_string(unknown.size() - 1) + " more)" : "") +
                           "; give --format");
    return std::nullopt;
}

// Why a file's identifier cannot name an entry (or, for a probe, head its
// result lines), or "".
std::string identifier_problem(const std::string &identifier, bool entry)
{
    if (identifier.empty())
        return "its name gives an empty identifier";
    if (entry && identifier.size() > RIDGE_MAX_IDENTIFIER)
        return "its name gives an identifier longer than " + std::to_string(RIDGE_MAX_IDENTIFIER) + " bytes";
    for (char c : identifier)
        if (static_cast<unsigned char>(c) < 32)
            return "its name holds a control character (tab, line end...)";
    return std::string();
}

void load_one(InputFile &input, double ppi, bool entry)
{
    try {
        input.error = identifier_problem(input.identifier, entry);
        if (!input.error.empty()) {
            input.error = input.path + ": " + input.error;
            return;
        }
        input.error = ridge::load_input_template(input.path, input.kind, ppi, input.raw);
        if (input.error.empty())
            input.error = ridge::check_template(input.path, input.raw);
    } catch (const std::bad_alloc &) {
        input.error = input.path + ": out of memory";
    }
}

uint32_t worker_count(uint32_t threads, std::size_t jobs)
{
    uint32_t n = threads != 0 ? threads : std::max(1u, std::thread::hardware_concurrency());
    return static_cast<uint32_t>(std::min<std::size_t>(n, std::max<std::size_t>(jobs, 1)));
}

// Loads inputs[begin, end) (images are extracted) on the given number of
// threads; the calling thread takes its share and shows the progress.
void load_range(std::vector<InputFile> &inputs, std::size_t begin, std::size_t end, double ppi, bool entries,
                uint32_t threads, ProgressLine &progress)
{
    std::atomic<std::size_t> next{begin};
    std::atomic<std::size_t> done{begin};
    const auto work = [&]() {
        for (std::size_t k = next++; k < end; k = next++) {
            load_one(inputs[k], ppi, entries);
            ++done;
        }
    };
    std::vector<std::thread> helpers;
    const uint32_t workers = worker_count(threads, end - begin);
    for (uint32_t t = 1; t < workers; ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error &) {
            break; // fewer threads then
        }
    }
    for (std::size_t k = next++; k < end; k = next++) {
        load_one(inputs[k], ppi, entries);
        ++done;
        progress.show("reading files:", done.load(), inputs.size());
    }
    for (std::thread &t : helpers)
        t.join();
}

bool file_exists(const std::string &path)
{
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0 || errno != ENOENT;
}

// Two files of one enrolment that give the same identifier: the second
// would replace the first at once, losing it (the same names in two
// folders, typically); refused before any work.
Result repeated_identifiers(const std::vector<InputFile> &inputs)
{
    std::map<std::string, const InputFile *> first;
    const InputFile *repeat = nullptr;
    const InputFile *original = nullptr;
    std::size_t repeats = 0;
    for (const InputFile &input : inputs) {
        const auto placed = first.emplace(input.identifier, &input);
        if (!placed.second && repeats++ == 0) {
            repeat = &input;
            original = placed.first->second;
        }
    }
    if (repeats == 0)
        return std::nullopt;
    return failure("nothing enrolled: " + original->path + " and " + repeat->path + " both give the identifier " +
                   repeat->identifier +
                   (repeats > 1 ? " (and " + std::to_string(repeats - 1) + " more files repeat one)" : "") +
                   "; enrol them in separate galleries or rename them");
}

Result enroll(const Options &options)
{
    std::vector<InputFile> inputs;
    if (Result bad = collect_inputs(options, inputs))
        return bad;
    if (Result bad = repeated_identifiers(inputs))
        return bad;
    FolderLock lock(options.gallery);
    Gallery gallery;
    if (file_exists(options.gallery)) {
        if (Result bad = load_gallery(options.gallery, gallery))
            return bad;
    } else {
        ridge_gallery *created = nullptr;
        const int32_t status = ridge_gallery_create(&created);
        if (status != RIDGE_OK)
            return failure(sdk_reason(status));
        gallery.reset(created);
    }

    ProgressLine progress;
    load_range(inputs, 0, inputs.size(), options.ppi.value_or(0), true, options.threads, progress);
    progress.clear();

    std::vector<std::string> notes;
    std::size_t failed = 0;
    for (InputFile &input : inputs) {
        if (input.error.empty()) {
            const TemplateBuffer raw = ridge::raw_record(input.raw);
            int32_t replaced = 0;
            const int32_t status = ridge_gallery_add(gallery.get(), input.identifier.c_str(), &raw, &replaced);
            if (status != RIDGE_OK)
                input.error = input.path + ": " + sdk_reason(status);
            else if (replaced != 0)
                notes.push_back("entry " + input.identifier + " replaced by " + input.path);
            if (status == RIDGE_OK && raw.size == 0)
                notes.push_back(input.path + ": no minutiae; enrolled as an empty template, which matches nothing");
        }
        if (!input.error.empty())
            ++failed;
    }
    if (failed > 0 && inputs.size() == 1)
        return failure(inputs.front().error);
    for (const InputFile &input : inputs)
        if (!input.error.empty())
            say(input.error);
    if (failed > 0)
        return failure("nothing enrolled: " + std::to_string(failed) + " of " + std::to_string(inputs.size()) +
                       " files failed; " + options.gallery + " is as it was");
    const int32_t status = ridge_gallery_save(gallery.get(), options.gallery.c_str());
    if (status != RIDGE_OK)
        return failure(sdk_reason(status));
    for (const std::string &note : notes)
        say(note);
    return std::nullopt;
}

// Ends the results: a write that failed (a full disk, a closed pipe) is a
// failure of the job.
Result finish_output() { return ridge::cli::finish_output("cannot write the results"); }

Result search(const Options &options)
{
    std::vector<InputFile> probes;
    if (Result bad = collect_inputs(options, probes))
        return bad;
    Gallery gallery;
    if (Result bad = load_gallery(options.gallery, gallery))
        return bad;
    ProgressLine progress;
    std::size_t failed = 0;
    for (std::size_t p = 0; p < probes.size(); ++p) {
        // Probes are read a batch at a time on every thread (images take
        // longer to extract than to search), and released once searched.
        if (p % kProbeBatch == 0)
            load_range(probes, p, std::min(probes.size(), p + kProbeBatch), options.ppi.value_or(0), false,
                       options.threads, progress);
        InputFile &probe = probes[p];
        ridge_match *found = nullptr;
        uint64_t count = 0;
        if (probe.error.empty()) {
            const TemplateBuffer raw = ridge::raw_record(probe.raw);
            const std::string what = "probe " + std::to_string(p + 1) + " of " + std::to_string(probes.size()) +
                                     ", entries";
            JobProgress job{&progress, what.c_str()};
            const int32_t status = ridge_gallery_search(gallery.get(), &raw, options.top, options.min_score,
                                                        options.threads, report_progress, &job, &found, &count);
            if (status != RIDGE_OK)
                probe.error = probe.path + ": " + sdk_reason(status);
        }
        std::unique_ptr<ridge_match, BlockFree> owner(found);
        if (!probe.error.empty()) {
            progress.clear();
            if (probes.size() == 1)
                return failure(probe.error);
            say(probe.error);
            ++failed;
            continue;
        }
        probe.raw = std::vector<unsigned char>();
        for (uint64_t k = 0; k < count; ++k)
            std::printf("%s\t%" PRIu64 "\t%s\t%f\n", probe.identifier.c_str(), k + 1, found[k].identifier,
                        found[k].score);
    }
    progress.clear();
    if (Result bad = finish_output())
        return bad;
    if (failed > 0)
        return failure(std::to_string(failed) + " of " + std::to_string(probes.size()) +
                       " probes could not be searched");
    return std::nullopt;
}

Result dedup(const Options &options)
{
    Gallery gallery;
    if (Result bad = load_gallery(options.gallery, gallery))
        return bad;
    ProgressLine progress;
    JobProgress job{&progress, "pairs"};
    ridge_pair *pairs = nullptr;
    uint64_t count = 0;
    const int32_t status =
        ridge_gallery_dedup(gallery.get(), options.min_score, options.threads, report_progress, &job, &pairs, &count);
    std::unique_ptr<ridge_pair, BlockFree> owner(pairs);
    progress.clear();
    if (status != RIDGE_OK)
        return failure(sdk_reason(status));
    for (uint64_t k = 0; k < count; ++k)
        std::printf("%s\t%s\t%f\n", pairs[k].first, pairs[k].second, pairs[k].score);
    return finish_output();
}

// The format version in the file's header (little-endian at byte 8).
Result file_version(const std::string &path, uint32_t &version)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    unsigned char header[12];
    if (!file || std::fread(header, 1, sizeof header, file.get()) != sizeof header)
        return failure("cannot read " + path + ": " + std::strerror(errno));
    version = uint32_t(header[8]) | uint32_t(header[9]) << 8 | uint32_t(header[10]) << 16 |
              uint32_t(header[11]) << 24;
    return std::nullopt;
}

Result info(const Options &options)
{
    Gallery gallery;
    if (Result bad = load_gallery(options.gallery, gallery))
        return bad;
    uint64_t entries = 0;
    uint64_t memory = 0;
    int32_t status = ridge_gallery_count(gallery.get(), &entries);
    if (status == RIDGE_OK)
        status = ridge_gallery_memory(gallery.get(), &memory);
    if (status != RIDGE_OK)
        return failure(sdk_reason(status));
    struct stat file{};
    if (::stat(options.gallery.c_str(), &file) != 0)
        return failure("cannot read " + options.gallery + ": " + std::strerror(errno));
    uint32_t version = 0;
    if (Result bad = file_version(options.gallery, version))
        return bad;
    std::printf("entries\t%" PRIu64 "\nbytes\t%" PRIu64 "\nversion\t%" PRIu32 "\nmemory\t%" PRIu64 "\n", entries,
                static_cast<uint64_t>(file.st_size), version, memory);
    return finish_output();
}

Result run(const Options &options)
{
    switch (options.command->command) {
    case Command::Enroll: return enroll(options);
    case Command::Search: return search(options);
    case Command::Dedup: return dedup(options);
    case Command::Info: return info(options);
    }
    return usage_error("unknown command");
}

} // namespace

int main(int argc, char **argv)
{
    return ridge::cli::run_program<Options>({"ridgesearch", kUsage, kHelp}, argc, argv, parse_options, run);
}
