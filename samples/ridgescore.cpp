// ridgescore: matches the pairs of template files named in a match list and
// writes one score line per pair, timing the comparisons.
#include "ridgesdk.h"

#include "console_platform.h"
#include "formats/raw_text_file.h"
#include "match_list.h"
#include "template_file_writer.h"
#include "template_loaders.h"
#include "tool_files.h"

#include <cstdio>

namespace {

const char kFormatLine[] = "format: 1=raw txt, 2=raw binary, 3=packed, 4=fmr378\n";

// Exit statuses: 0 when every pair was scored.
constexpr int kExitCannotRun = 1;       // a list cannot be read or written, or the format is unknown
constexpr int kExitPairsNotScored = 2;  // every line written, some pairs without a real score

bool known_format(int format) { return format >= 1 && format <= 4; }

// Loads one template file of the given format into an empty raw record;
// 1 on success.
int load_template(int format, const char *name, TemplateBuffer *record)
{
    switch (format) {
    case 1: {
        // A folder opens like a file on some systems and then reads as empty.
        std::FILE *stream = ridge::is_folder(name) ? nullptr : std::fopen(name, "r");
        if (stream == nullptr) {
            std::printf("\ncan't open file %s\n", name);
            return -1;
        }
        return ridge::load_raw_txt(stream, record);
    }
    case 2: {
        record->format = FPT_FORMAT_RAW;
        unsigned int length = 0;
        const int status = ridge::load_file(name, &record->data, &length);
        if (status == 1)
            record->size = length;
        return status;
    }
    case 3:
        return ridge::load_packed_file(name, record);
    default:
        return ridge::load_fmr378_file(name, record);
    }
}

void release(TemplateBuffer *record)
{
    free_FPAPI_mem(record->data);
    *record = TemplateBuffer{nullptr, 0, FPT_FORMAT_RAW};
}

int run(int argc, char **argv)
{
    std::printf("Tarvel Inc. ridgescore - free fingerprint SDK demo\n"
                "Press any key to continue...\n\n");
    std::fflush(stdout);
    ridge::wait_for_key_press();

    if (argc != 4) {
        std::printf("Error arguments:\n");
        std::printf("match format in_match_list.txt out_score_list.txt\n");
        std::printf("%s", kFormatLine);
        return 0;
    }

    const int format = ridge::parse_format_number(argv[1]);
    if (ridge::is_folder(argv[2])) {
        std::printf("\nmatch list %s is a folder\n", argv[2]);
        return kExitCannotRun;
    }
    std::FILE *list = std::fopen(argv[2], "r");
    if (list == nullptr) {
        std::printf("\ncan't open match list %s\n", argv[2]);
        return kExitCannotRun;
    }
    std::FILE *scores = std::fopen(argv[3], "w");
    if (scores == nullptr) {
        std::printf("\ncan't create score list %s\n", argv[3]);
        std::fclose(list);
        return kExitCannotRun;
    }

    TemplateBuffer first{nullptr, 0, FPT_FORMAT_RAW};
    TemplateBuffer second{nullptr, 0, FPT_FORMAT_RAW};
    char first_name[ridge::kFirstNameCapacity];
    char second_name[ridge::kSecondNameCapacity];
    int pairs = 0;
    int pairs_read = 0;
    int not_scored = 0; // not loaded, refused by the matcher, or skipped
    double match_ticks = 0.0;
    while (!std::feof(list)) {
        const ridge::PairRead read = ridge::read_name_pair(list, first_name, second_name);
        if (read == ridge::PairRead::End)
            break; // no second name: nothing left to match
        if (!known_format(format)) {
            std::printf("%s", kFormatLine);
            std::fclose(scores);
            std::fclose(list);
            return kExitCannotRun;
        }
        ++pairs_read;
        if (read == ridge::PairRead::NameTooLong) {
            std::printf("\nname longer than %d characters in the match list, pair skipped: %s %s\n",
                        static_cast<int>(ridge::kSecondNameCapacity - 1), first_name, second_name);
            ++not_scored;
            continue;
        }
        if (read == ridge::PairRead::NameHasNul) {
            std::printf("\nNUL byte in a name in the match list, pair skipped: %s %s\n", first_name,
                        second_name);
            ++not_scored;
            continue;
        }

        const int first_status = load_template(format, first_name, &first);
        const int second_status = load_template(format, second_name, &second);
        if (first_status != 1)
            std::fprintf(scores, "%s, %s, -1\n", first_name, second_name);
        if (second_status != 1)
            std::fprintf(scores, "%s, %s, -2\n", first_name, second_name);

        double score = 0.0;
        const int64_t start = ridge::perf_counter();
        const SdkStatus matched = matchRawFPTs(&first, &second, &score);
        const int64_t end = ridge::perf_counter();
        match_ticks += static_cast<double>(end - start);
        if (first_status != 1 || second_status != 1 || matched != FPT_OK)
            ++not_scored;

        std::fprintf(scores, "%s, %s, %f\n", first_name, second_name, score);
        ++pairs;
        std::printf("\r %d", pairs);
        std::fflush(stdout);
        release(&first);
        release(&second);
    }
    const bool list_read = std::ferror(list) == 0;
    std::fclose(list);
    const bool write_failed = std::ferror(scores) != 0;
    // A full disk may show only when the last buffer is flushed.
    const bool scores_written = std::fclose(scores) == 0 && !write_failed;

    const double ticks_per_ms = static_cast<double>(ridge::perf_frequency()) / 1000.0;
    const double average = pairs > 0 ? match_ticks / pairs / ticks_per_ms : 0.0;
    std::printf("\nAverage match time = %.2lf ms\n", average);
    if (not_scored > 0)
        std::printf("%d of %d pairs could not be scored\n", not_scored, pairs_read);
    if (!list_read)
        std::printf("can't read match list %s to its end\n", argv[2]);
    if (!scores_written)
        std::printf("can't write score list %s\n", argv[3]);
    if (!list_read || !scores_written)
        return kExitCannotRun;
    return not_scored > 0 ? kExitPairsNotScored : 0;
}

} // namespace

int main(int argc, char **argv) { return run(argc, argv); }
