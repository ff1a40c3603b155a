// ridgesearch run end to end: enrolment of the sample bitmaps and of the
// four template files, searches and de-duplication whose every score is
// matchRawFPTs's (and ridgescore's, to the printed digit), replacement,
// all-or-nothing enrolment, two enrolments at once, every failure exit
// with its line on standard error.
#include "ridgeinterop.h"
#include "ridgesdk.h"

#include "bmp_image.h"
#include "formats/raw_text_file.h"
#include "support/grey_bmp.h"
#include "support/program_runner.h"
#include "support/sdk_test_helpers.h"
#include "support/search_fixtures.h"
#include "template_inputs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <sys/stat.h>

using ridge_test::ProgramRun;
using ridge_test::score_text;
using ridge_test::split;

namespace {

using Bytes = std::vector<unsigned char>;

const std::string kSamples = std::string(RIDGESDK_TEST_DATA) + "/samples/";
const std::string kTemplates = std::string(RIDGESDK_TEST_DATA) + "/templates/";
const char *const kSampleNames[] = {"101_1", "101_2", "101_3", "102_1", "102_2",
                                    "102_3", "103_1", "103_2", "103_3"};

std::vector<std::vector<std::string>> rows(const std::string &out)
{
    std::vector<std::vector<std::string>> table;
    for (const std::string &line : split(out, '\n'))
        table.push_back(split(line, '\t'));
    return table;
}

double match(const Bytes &a, const Bytes &b)
{
    Bytes x = a, y = b;
    const TemplateBuffer first = ridge_test::input_record(x, FPT_FORMAT_RAW);
    const TemplateBuffer second = ridge_test::input_record(y, FPT_FORMAT_RAW);
    double score = -1;
    EXPECT_EQ(matchRawFPTs(&first, &second, &score), FPT_OK);
    return score;
}

// The template ridgeforge extracts from a bitmap.
Bytes bitmap_template(const std::string &path)
{
    const Bytes file = ridge_test::read_bytes(path);
    std::vector<unsigned char> image;
    int32_t width = 0, height = 0;
    EXPECT_EQ(ridge::bmp_to_grey_image(file.data(), file.size(), image, width, height), 1) << path;
    ridge_test::OwnedRecord raw;
    raw.record.data = nullptr;
    EXPECT_EQ(generateRawFPT(image.data(), width, height, &raw.record), FPT_OK) << path;
    return raw.bytes();
}

Bytes minutiae_bytes(const ridge_test::Minutiae &m) { return ridge_test::raw_block(m); }

class Ridgesearch : public ridge_test::ProgramTest {
protected:
    Ridgesearch() : ProgramTest("ridgesearch") {}
    // Runs and expects success; returns standard output.
    std::string ok(const std::vector<std::string> &arguments, const std::string &expected_err = "")
    {
        const ProgramRun r = run(arguments);
        EXPECT_EQ(r.exit_code, 0) << r.err;
        EXPECT_EQ(r.err, expected_err);
        return r.out;
    }
    // Runs and expects the exit code with one line on standard error that
    // holds the phrase, and nothing on standard output.
    void refused(const std::vector<std::string> &arguments, int code, const std::string &phrase)
    {
        const ProgramRun r = run(arguments);
        EXPECT_EQ(r.exit_code, code) << r.err;
        EXPECT_NE(r.err.find(phrase), std::string::npos) << r.err;
        EXPECT_EQ(r.err.rfind("ridgesearch: ", 0), 0u) << r.err;
        EXPECT_EQ(split(r.err, '\n').size(), 1u) << r.err;
        EXPECT_EQ(r.out, "");
    }
    std::vector<std::string> sample_paths() const
    {
        std::vector<std::string> paths;
        for (const char *name : kSampleNames)
            paths.push_back(kSamples + name + ".bmp");
        return paths;
    }
    std::map<std::string, std::string> info(const std::string &gallery)
    {
        std::map<std::string, std::string> values;
        for (const std::vector<std::string> &row : rows(ok({"info", gallery})))
            if (row.size() == 2)
                values[row[0]] = row[1];
        return values;
    }
};

TEST_F(Ridgesearch, SamplesSearchedAndDeduplicatedWithTheMatchersScores)
{
    std::vector<std::string> enroll = {"enroll", path("g.gal")};
    for (const std::string &p : sample_paths())
        enroll.push_back(p);
    EXPECT_EQ(ok(enroll), "");
    std::map<std::string, Bytes> templates;
    for (const char *name : kSampleNames)
        templates[name] = bitmap_template(kSamples + name + ".bmp");

    const std::map<std::string, std::string> facts = info(path("g.gal"));
    EXPECT_EQ(facts.at("entries"), "9");
    EXPECT_EQ(facts.at("version"), "1");
    EXPECT_EQ(facts.at("bytes"), std::to_string(ridge_test::read_bytes(path("g.gal")).size()));

    // Every probe against every entry, best first, equal scores in
    // enrolment order; the default keeps 10.
    std::vector<std::string> search = {"search", "--threads", "2", path("g.gal")};
    for (const std::string &p : sample_paths())
        search.push_back(p);
    const auto table = rows(ok(search));
    ASSERT_EQ(table.size(), 81u);
    std::map<std::string, int> order;
    for (int k = 0; k < 9; ++k)
        order[kSampleNames[k]] = k;
    for (std::size_t line = 0; line < table.size(); ++line) {
        const std::vector<std::string> &row = table[line];
        ASSERT_EQ(row.size(), 4u) << line;
        const std::string &probe = row[0];
        EXPECT_EQ(probe, kSampleNames[line / 9]);
        EXPECT_EQ(row[1], std::to_string(line % 9 + 1));
        EXPECT_EQ(row[3], score_text(match(templates.at(probe), templates.at(row[2])))) << probe << " " << row[2];
        if (line % 9 > 0) {
            const std::vector<std::string> &before = table[line - 1];
            const double a = std::stod(before[3]), b = std::stod(row[3]);
            EXPECT_TRUE(a > b || (a == b && order[before[2]] < order[row[2]])) << line;
        }
    }
    // A probe's own entry comes first; --top and --min-score cut the list.
    for (std::size_t p = 0; p < 9; ++p)
        EXPECT_EQ(table[p * 9][2], kSampleNames[p]);
    const auto top2 = rows(ok({"search", "--top", "2", "--min-score", "0.5", path("g.gal"), kSamples + "101_2.bmp"}));
    ASSERT_EQ(top2.size(), 2u);
    EXPECT_EQ(top2[0], table[9]);
    EXPECT_EQ(top2[1], table[10]);
    const auto high = rows(ok({"search", "--min-score=1000", path("g.gal"), kSamples + "101_2.bmp"}));
    EXPECT_TRUE(high.empty());

    // De-duplication: every pair once, earlier entry first, scored as
    // matchRawFPTs(earlier, later); --min-score keeps the pairs at or above.
    const auto pairs = rows(ok({"dedup", path("g.gal")}));
    ASSERT_EQ(pairs.size(), 36u);
    std::size_t k = 0;
    for (int i = 0; i < 9; ++i)
        for (int j = i + 1; j < 9; ++j, ++k) {
            ASSERT_EQ(pairs[k].size(), 3u);
            EXPECT_EQ(pairs[k][0], kSampleNames[i]);
            EXPECT_EQ(pairs[k][1], kSampleNames[j]);
            EXPECT_EQ(pairs[k][2], score_text(match(templates.at(kSampleNames[i]), templates.at(kSampleNames[j]))));
        }
    const std::string threshold = pairs[5][2];
    std::size_t at_or_above = 0;
    for (const auto &pair : pairs)
        at_or_above += std::stod(pair[2]) >= std::stod(threshold) ? 1 : 0;
    EXPECT_EQ(rows(ok({"dedup", "--min-score", threshold, "--threads", "1", path("g.gal")})).size(), at_or_above);
}

TEST_F(Ridgesearch, ScoresAreRidgescoresToThePrintedDigit)
{
    const std::string ridgescore = ridge_test::built_program("ridgescore");
    if (ridgescore.empty())
        GTEST_SKIP() << "ridgescore is not built";
    // Raw binary files of the samples' templates, enrolled and searched;
    // ridgescore scores the same pairs from the same files.
    std::string list;
    std::vector<std::string> enroll = {"enroll", path("r.gal")};
    for (const char *name : kSampleNames) {
        ridge_test::write_file(path(std::string(name) + ".raw"), bitmap_template(kSamples + name + ".bmp"));
        enroll.push_back(path(std::string(name) + ".raw"));
    }
    ok(enroll);
    const auto table = rows(ok({"search", "--top", "0", path("r.gal"), path("101_1.raw"), path("103_2.raw")}));
    ASSERT_EQ(table.size(), 18u);
    for (const auto &row : table)
        list += path(row[0] + ".raw") + " " + path(row[2] + ".raw") + "\n";
    ridge_test::write_file(path("pairs.txt"), list);
    const ProgramRun scored = ridge_test::run_program(ridgescore, {"2", path("pairs.txt"), path("scores.txt")});
    ASSERT_EQ(scored.exit_code, 0) << scored.out;
    const std::vector<std::string> lines = split(ridge_test::read_text(path("scores.txt")), '\n');
    ASSERT_EQ(lines.size(), table.size());
    for (std::size_t k = 0; k < lines.size(); ++k)
        EXPECT_EQ(lines[k].substr(lines[k].rfind(", ") + 2), table[k][3]) << lines[k];
}

TEST_F(Ridgesearch, TheFourTemplateFilesAndReplacement)
{
    // The packed file's extension is not one ridgesearch knows: --format.
    ridge_test::write_file(path("a.pck"), ridge_test::read_bytes(kTemplates + "a.pk"));
    ok({"enroll", path("g.gal"), kTemplates + "a.txt"});
    ok({"enroll", "--format", "3", path("g.gal"), kTemplates + "b.pk"});
    ok({"enroll", path("g.gal"), kTemplates + "b.fmr"},
       "ridgesearch: entry b replaced by " + kTemplates + "b.fmr\n");
    EXPECT_EQ(info(path("g.gal")).at("entries"), "2");
    // b.fmr replaced b (from b.pk) in its place; a.pck replaces a.
    const ProgramRun replaced = run({"enroll", path("g.gal"), path("a.pck")});
    EXPECT_EQ(replaced.exit_code, 0);
    EXPECT_EQ(replaced.err, "ridgesearch: entry a replaced by " + path("a.pck") + "\n");
    EXPECT_EQ(info(path("g.gal")).at("entries"), "2");

    // The templates as ridgescore loads them.
    const auto convert = [](const std::string &file, int32_t format,
                            SdkStatus (*to_raw)(const TemplateBuffer *, TemplateBuffer *)) {
        Bytes bytes = ridge_test::read_bytes(file);
        const TemplateBuffer in = ridge_test::input_record(bytes, format);
        ridge_test::OwnedRecord out;
        out.record.data = nullptr;
        EXPECT_EQ(to_raw(&in, &out.record), FPT_OK) << file;
        return out.bytes();
    };
    const Bytes a = convert(kTemplates + "a.pk", FPT_FORMAT_PACKED, PackedFTP_2_RawFPT);
    const Bytes b = convert(kTemplates + "b.fmr", FPT_FORMAT_FMR378, FMR378FPT_2_RawFPT);
    TemplateBuffer text{nullptr, 0, FPT_FORMAT_RAW};
    ASSERT_EQ(ridge::load_raw_txt(std::fopen((kTemplates + "b.txt").c_str(), "r"), &text), 1);
    const Bytes b_text(text.data, text.data + text.size);
    free_FPAPI_mem(text.data);
    const Bytes b_raw = ridge_test::read_bytes(kTemplates + "b.raw");

    const auto table = rows(ok({"search", path("g.gal"), kTemplates + "b.txt", kTemplates + "b.raw"}));
    ASSERT_EQ(table.size(), 4u);
    std::map<std::string, Bytes> entries = {{"a", a}, {"b", b}};
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(table[k][0], "b");
        EXPECT_EQ(table[k][3], score_text(match(k < 2 ? b_text : b_raw, entries.at(table[k][2]))));
    }
    EXPECT_EQ(table[0][2], "b"); // the entry kept its place but is the best

    // A template without minutiae is enrolled with a warning and matches
    // nothing.
    ridge_test::write_file(path("none.txt"), "0\n");
    ok({"enroll", path("g.gal"), path("none.txt")},
       "ridgesearch: " + path("none.txt") + ": no minutiae; enrolled as an empty template, which matches nothing\n");
    const auto none = rows(ok({"search", "--top", "1", "--min-score", "0", path("g.gal"), path("none.txt")}));
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(none[0][3], "0.000000");
}

TEST_F(Ridgesearch, ListsOfFiles)
{
    // CR LF line ends and empty lines; files named on the command line come
    // first.
    ridge_test::write_file(path("list.txt"), kSamples + "101_2.bmp\r\n\r\n" + kSamples + "102_1.bmp\n" +
                                                 kTemplates + "a.txt");
    ok({"enroll", path("g.gal"), kSamples + "103_3.bmp", "--list", path("list.txt")});
    const auto pairs = rows(ok({"dedup", path("g.gal")}));
    ASSERT_EQ(pairs.size(), 6u);
    EXPECT_EQ(pairs[0][0], "103_3");
    EXPECT_EQ(pairs[0][1], "101_2");
    EXPECT_EQ(pairs[5][0], "102_1");
    EXPECT_EQ(pairs[5][1], "a");
    const auto table = rows(ok({"search", "--top", "1", path("g.gal"), "--list", path("list.txt")}));
    ASSERT_EQ(table.size(), 3u);
    for (const auto &row : table)
        EXPECT_EQ(row[0], row[2]);
}

TEST_F(Ridgesearch, ImagesOfAnotherResolutionAreResampledFirst)
{
    ok({"enroll", "--ppi", "569", path("g.gal"), kSamples + "101_1.bmp"});
    ridge_image image{0, 0, nullptr, 0}, resampled{0, 0, nullptr, 0};
    ASSERT_EQ(ridge_image_read((kSamples + "101_1.bmp").c_str(), &image), RIDGE_OK);
    ASSERT_EQ(ridge_image_resample(&image, 569, &resampled), RIDGE_OK);
    ridge_test::OwnedRecord raw;
    raw.record.data = nullptr;
    EXPECT_EQ(generateRawFPT(resampled.pixels, resampled.width, resampled.height, &raw.record), FPT_OK);
    ridge_image_release(&image);
    ridge_image_release(&resampled);

    ridge_gallery *loaded = nullptr;
    ASSERT_EQ(ridge_gallery_load(path("g.gal").c_str(), &loaded), RIDGE_OK);
    ridge_test::GalleryPtr gallery(loaded);
    TemplateBuffer entry{nullptr, 0, FPT_FORMAT_RAW};
    ASSERT_EQ(ridge_gallery_entry(gallery.get(), 0, nullptr, &entry), RIDGE_OK);
    const Bytes enrolled(entry.data, entry.data + entry.size);
    ridge_free(entry.data);
    EXPECT_EQ(enrolled, raw.bytes());
    EXPECT_NE(enrolled, bitmap_template(kSamples + "101_1.bmp"));
}

TEST_F(Ridgesearch, AFailedEnrolmentLeavesTheGalleryAsItWas)
{
    ok({"enroll", path("g.gal"), kTemplates + "a.txt"});
    const Bytes before = ridge_test::read_bytes(path("g.gal"));
    // Each bad file is named; the last line says nothing was enrolled.
    ridge_test::write_file(path("c.raw"), ridge_test::read_bytes(kTemplates + "b.raw"));
    const ProgramRun r = run({"enroll", path("g.gal"), kTemplates + "b.txt", path("missing.txt"),
                              kTemplates + "bad_line.txt", path("c.raw")});
    EXPECT_EQ(r.exit_code, 1);
    const std::vector<std::string> lines = split(r.err, '\n');
    ASSERT_EQ(lines.size(), 3u) << r.err;
    EXPECT_NE(lines[0].find("missing.txt"), std::string::npos);
    EXPECT_NE(lines[1].find("bad_line.txt: wrong format in minutia line 3"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("nothing enrolled: 2 of 4 files failed"), std::string::npos) << lines[2];
    EXPECT_EQ(ridge_test::read_bytes(path("g.gal")), before);
    // Nor is a new gallery created.
    EXPECT_EQ(run({"enroll", path("new.gal"), kTemplates + "a.txt", path("missing.txt")}).exit_code, 1);
    EXPECT_FALSE(ridge_test::file_exists(path("new.gal")));
}

TEST_F(Ridgesearch, TwoEnrolmentsAtOnceKeepBothEntries)
{
    // Two processes that each read, change and write one gallery: the
    // second waits for the first instead of writing over its entries.
    std::string first = "'" + program_ + "' enroll '" + path("g.gal") + "'";
    std::string second = first;
    for (int k = 0; k < 3; ++k) {
        const std::string name = kSampleNames[k];
        ridge_test::write_file(path("x" + name + ".bmp"), ridge_test::read_bytes(kSamples + name + ".bmp"));
        first += " '" + kSamples + name + ".bmp'";
        second += " '" + path("x" + name + ".bmp") + "'";
    }
    const std::string both = "(" + first + ") & (" + second + ") & wait";
    ASSERT_EQ(std::system(both.c_str()), 0);
    EXPECT_EQ(info(path("g.gal")).at("entries"), "6");
}

TEST_F(Ridgesearch, EveryFailureExitsWithItsReason)
{
    ok({"enroll", path("g.gal"), kTemplates + "a.txt", kTemplates + "b.txt"});
    Bytes damaged = ridge_test::read_bytes(path("g.gal"));
    damaged[40] ^= 0x01;
    ridge_test::write_file(path("damaged.gal"), damaged);
    const Bytes damaged_before = damaged;
    ridge_test::write_file(path("bad_angle.txt"), "1\n1, 10, 10, 400\n");
    ridge_test::write_file(path("probe.xyz"), "1\n1, 10, 10, 40\n");
    ridge_test::write_file(path("empty_list.txt"), "\n\n");
    ASSERT_EQ(::mkdir(path("folder.png").c_str(), 0700), 0);
    const std::string g = path("g.gal");
    const std::string a = kTemplates + "a.txt";
    struct Case {
        std::vector<std::string> arguments;
        int code;
        std::string phrase;
    };
    const Case cases[] = {
        // The command line.
        {{}, 2, "no command given"},
        {{"find", g}, 2, "unknown command 'find'"},
        {{"enroll", g}, 2, "enroll needs files"},
        {{"search", g}, 2, "search needs probes"},
        {{"search"}, 2, "search needs a gallery file"},
        {{"dedup", g, a}, 2, "dedup takes one gallery file only"},
        {{"info", g, g}, 2, "info takes one gallery file only"},
        {{"search", "--top", "ten", g, a}, 2, "--top takes a whole number, not 'ten'"},
        {{"search", "--top", "-1", g, a}, 2, "--top takes a whole number"},
        {{"search", "--min-score", "nan", g, a}, 2, "--min-score takes a number, not 'nan'"},
        {{"search", "--min-score", "-2", g, a}, 2, "--min-score -2 is outside"},
        {{"dedup", "--threads", "5000", g}, 2, "--threads 5000 is above 1024"},
        {{"enroll", "--ppi", "20", g, a}, 2, "--ppi 20 is outside 50..5000"},
        {{"enroll", "--ppi", "600", "--format", "1", g, a}, 2, "--ppi applies to images only"},
        {{"enroll", "--format", "7", g, a}, 2, "unknown format '7'"},
        {{"dedup", "--top", "3", g}, 2, "--top does not apply to dedup"},
        {{"info", "--threads", "3", g}, 2, "--threads does not apply to info"},
        {{"search", "--color", g, a}, 2, "unknown option --color"},
        {{"search", "--ppi --top", "3", g, a}, 2, "unknown option --ppi --top"},
        {{"search", g, "--top"}, 2, "--top needs a value"},
        {{"search", g, path("probe.xyz")}, 2, "cannot tell the format of " + path("probe.xyz")},
        // The gallery.
        {{"search", path("none.gal"), a}, 1, "cannot open " + path("none.gal")},
        {{"info", path("none.gal")}, 1, "cannot open"},
        {{"dedup", path("damaged.gal")}, 1, "damaged"},
        {{"info", a}, 1, "is not a gallery file"},
        {{"info", dir_.path("")}, 1, "not a regular file"},
        {{"enroll", path("damaged.gal"), a}, 1, "damaged"},
        {{"enroll", path("no/such/folder.gal"), a}, 1, "cannot create"},
        // Two files of one enrolment with one identifier: the second would
        // replace the first.
        {{"enroll", path("new.gal"), a, kTemplates + "b.txt", kTemplates + "a.raw", kTemplates + "b.fmr"},
         1,
         "nothing enrolled: " + a + " and " + kTemplates + "a.raw both give the identifier a (and 1 more"},
        // The files.
        {{"search", g, "--list", path("no_list.txt")}, 1, "cannot open list " + path("no_list.txt")},
        {{"search", g, "--list", path("empty_list.txt")}, 1, "names no files"},
        {{"search", g, "--list", "-"}, 1, "list - names no files"}, // standard input, empty here
        {{"search", g, "--list", dir_.path("")}, 1, "is a folder"},
        {{"search", g, path("none.txt")}, 1, "cannot open " + path("none.txt")},
        {{"search", g, kTemplates + "bad_line.txt"}, 1, "bad_line.txt: wrong format in minutia line 3"},
        {{"search", g, kTemplates + "too_many.txt"}, 1, "minutiae count 129 is outside 0..128"},
        {{"search", g, kTemplates + "short.txt"}, 1, "wrong format in minutia line 2"},
        {{"search", g, path("bad_angle.txt")}, 1, "angle"},
        {{"search", g, kTemplates + "big.raw"}, 1, "more than 128 minutiae"},
        {{"search", g, kTemplates + "odd.raw"}, 1, "whole number of 16-byte minutiae; this file has 20 bytes"},
        {{"search", "--format", "3", g, kTemplates + "big.pk"}, 1, "not a packed template (FPT_ERR_SIZE)"},
        {{"search", g, kTemplates + "short.fmr"}, 1, "not an FMR378 record"},
        {{"search", g, kTemplates + "bad_version.fmr"}, 1, "not an FMR378 record (FPT_ERR_FMR_VERSION)"},
        {{"search", "--format", "bmp", g, kTemplates + "a.txt"}, 1, "a.txt"},
        {{"search", g, dir_.path("") + "x.bmp"}, 1, "cannot open " + dir_.path("") + "x.bmp"},
        {{"search", g, path("folder.png")}, 1, path("folder.png") + " is a folder, not a file"},
    };
    for (const Case &c : cases) {
        std::string label;
        for (const std::string &arg : c.arguments)
            label += arg + " ";
        SCOPED_TRACE(label);
        refused(c.arguments, c.code, c.phrase);
    }
    // A bad probe among good ones: the good ones are searched, each bad one
    // is named and the last line counts them.
    const ProgramRun r = run({"search", g, a, path("none.txt"), kTemplates + "b.txt", kTemplates + "odd.raw"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(rows(r.out).size(), 4u) << r.out;
    const std::vector<std::string> lines = split(r.err, '\n');
    ASSERT_EQ(lines.size(), 3u) << r.err;
    EXPECT_NE(lines[0].find("none.txt"), std::string::npos) << r.err;
    EXPECT_NE(lines[1].find("odd.raw"), std::string::npos) << r.err;
    EXPECT_EQ(lines[2], "ridgesearch: 2 of 4 probes could not be searched");
    EXPECT_EQ(ridge_test::read_bytes(path("damaged.gal")), damaged_before);
    EXPECT_FALSE(ridge_test::file_exists(path("new.gal")));
}

TEST_F(Ridgesearch, HelpAndVersion)
{
    const std::string help = ok({"--help"});
    for (const char *line : {"ridgesearch enroll [--format F]", "ridgesearch search [--format F]",
                             "ridgesearch dedup [--min-score S] [--threads N] GALLERY", "ridgesearch info GALLERY",
                             "probe<TAB>rank<TAB>identifier<TAB>score", "silenced"})
        EXPECT_NE(help.find(line), std::string::npos) << line;
    EXPECT_EQ(ok({"search", "--help"}), help);
    EXPECT_EQ(ok({"--version"}), std::string("ridgesearch ") + ridge_version() + "\n");
}

// Identification on a shared set: the first impression of each finger
// enrolled, the other seven searched; every score is the matcher's.
TEST_F(Ridgesearch, SharedSetIdentification)
{
    const std::string set = "fvc2002_db1_b";
    const std::vector<std::string> images = ridge_test::shared_set_images(set);
    const std::vector<ridge_test::Minutiae> &templates = ridge_test::shared_set_templates(set);
    if (images.empty() || templates.size() != images.size())
        GTEST_SKIP() << "the shared data is absent";
    std::string enrolled, probes;
    std::map<std::string, Bytes> by_name;
    for (std::size_t k = 0; k < images.size(); ++k) {
        const std::string name = ridge::identifier_of_path(images[k]);
        by_name[name] = minutiae_bytes(templates[k]);
        (name.substr(name.size() - 2) == "_1" ? enrolled : probes) += images[k] + "\n";
    }
    ridge_test::write_file(path("enrolled.txt"), enrolled);
    ridge_test::write_file(path("probes.txt"), probes);
    ok({"enroll", path("g.gal"), "--list", path("enrolled.txt")});
    const auto table = rows(ok({"search", "--top", "3", path("g.gal"), "--list", path("probes.txt")}));
    ASSERT_EQ(table.size(), 70u * 3);
    int first_right = 0;
    for (std::size_t k = 0; k < table.size(); ++k) {
        const auto &row = table[k];
        EXPECT_EQ(row[3], score_text(match(by_name.at(row[0]), by_name.at(row[2])))) << row[0] << " " << row[2];
        if (row[1] == "1" && row[0].substr(0, 3) == row[2].substr(0, 3))
            ++first_right;
    }
    // Most probes find their finger first (the set's rank-1 rate is above
    // 90%).
    EXPECT_GE(first_right, 63) << first_right << " of 70";
    const auto pairs = rows(ok({"dedup", path("g.gal")}));
    EXPECT_EQ(pairs.size(), 45u);
}

} // namespace
