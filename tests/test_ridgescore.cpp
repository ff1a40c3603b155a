// ridgescore run end to end: banner, usage, the four template file formats,
// score lines, load failures, the running count and the average line, the
// exit statuses (0 only when every pair was scored, 2 with a count line when
// some pair was not, 1 when the run itself failed), and the mended cases
// (lists that cannot be opened or are folders, a score list that cannot be
// written, a last line with one name, names longer than their buffers or
// holding a NUL byte).
#include "ridgesdk.h"

#include "support/matcher_templates.h"
#include "support/program_runner.h"
#include "support/sdk_test_helpers.h"
#include "template_file_writer.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

using ridge_test::ProgramRun;
using ridge_test::score_text;

namespace {

const std::string kBanner = "Tarvel Inc. ridgescore - free fingerprint SDK demo\n"
                            "Press any key to continue...\n\n";
const std::string kFormatLine = "format: 1=raw txt, 2=raw binary, 3=packed, 4=fmr378\n";

// "first, second, score" with the score in six decimals.
struct ScoreLine {
    std::string first, second, score;
};
bool parse_score_line(const std::string &line, ScoreLine *out)
{
    const size_t second_comma = line.rfind(", ");
    if (second_comma == std::string::npos || second_comma == 0)
        return false;
    const size_t first_comma = line.rfind(", ", second_comma - 1);
    if (first_comma == std::string::npos)
        return false;
    out->first = line.substr(0, first_comma);
    out->second = line.substr(first_comma + 2, second_comma - first_comma - 2);
    out->score = line.substr(second_comma + 2);
    const size_t point = out->score.find('.');
    if (point == std::string::npos || point == 0 || out->score.size() != point + 7)
        return false;
    for (size_t k = 0; k < out->score.size(); ++k)
        if (k != point && !std::isdigit(static_cast<unsigned char>(out->score[k])))
            return false;
    return true;
}

// The console after the banner: the running count, then the average line.
bool console_shows(const std::string &out, const std::string &counts)
{
    const std::string head = kBanner + counts + "\nAverage match time = ";
    if (out.compare(0, head.size(), head) != 0)
        return false;
    const std::string rest = out.substr(head.size());
    const size_t point = rest.find('.');
    return point != std::string::npos && point > 0 && rest.substr(point + 3) == " ms\n" &&
           std::isdigit(static_cast<unsigned char>(rest[point + 1])) &&
           std::isdigit(static_cast<unsigned char>(rest[point + 2]));
}

class Ridgescore : public ridge_test::ProgramTest {
protected:
    Ridgescore() : ProgramTest("ridgescore") {}
    void SetUp() override
    {
        ProgramTest::SetUp();
        if (IsSkipped())
            return;
        // A finger, a genuine-like second impression and another finger:
        // even angles and types 1 and 2 survive every format unchanged.
        ridge_test::Distortion how;
        how.rotation_degrees = 8;
        how.shift_x = 12;
        how.shift_y = -7;
        how.jitter = 1;
        finger_ = ridge_test::random_template(91, 40);
        for (RawMinutia &m : finger_)
            m.x += 30, m.y += 30;
        again_ = ridge_test::distorted_copy(finger_, how, 5);
        for (RawMinutia &m : again_)
            m.angle -= m.angle % 2;
        other_ = ridge_test::random_template(92, 45);
    }

    // Writes the template in the format and returns the file's path.
    std::string write(const std::vector<RawMinutia> &m, int format, const std::string &name)
    {
        const std::string path = dir_.path(name);
        const TemplateBuffer raw = ridge_test::raw_buffer(m);
        testing::internal::CaptureStdout();
        const int status = ridge::write_template_file(format, raw, 80.0, 388, 374, path.c_str());
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(1, status);
        return path;
    }

    std::string list(const std::string &content)
    {
        const std::string path = dir_.path("list.txt");
        ridge_test::write_file(path, content);
        return path;
    }

    ProgramRun score(int format, const std::string &list_path)
    {
        return ridge_test::run_program(program_, {std::to_string(format), list_path, scores_path()});
    }
    std::string scores_path() const { return dir_.path("scores.txt"); }
    std::vector<std::string> score_lines() const { return ridge_test::split(ridge_test::read_text(scores_path())); }

    std::vector<RawMinutia> finger_, again_, other_;
};

} // namespace

TEST_F(Ridgescore, WrongArgumentCountPrintsUsageAfterTheBanner)
{
    const ProgramRun run = ridge_test::run_program(program_, {"1", "list.txt"});
    EXPECT_EQ(0, run.exit_code);
    EXPECT_EQ(kBanner + "Error arguments:\nmatch format in_match_list.txt out_score_list.txt\n" + kFormatLine,
              run.out);
}

TEST_F(Ridgescore, EveryFormatScoresEachPairOnOneLine)
{
    double expected_genuine = -1, expected_impostor = -1;
    for (int format = 1; format <= 4; ++format) {
        const std::string f = std::to_string(format);
        const std::string a = write(finger_, format, "a." + f);
        const std::string b = write(again_, format, "b." + f);
        const std::string c = write(other_, format, "c." + f);
        const ProgramRun run = score(format, list(a + " " + b + "\n" + a + "\t" + c + "\n"));
        EXPECT_EQ(0, run.exit_code) << f;
        const std::vector<std::string> lines = score_lines();
        ASSERT_EQ(2u, lines.size()) << f;
        ScoreLine l0, l1;
        ASSERT_TRUE(parse_score_line(lines[0], &l0)) << lines[0];
        ASSERT_TRUE(parse_score_line(lines[1], &l1)) << lines[1];
        EXPECT_EQ(a, l0.first);
        EXPECT_EQ(b, l0.second);
        EXPECT_EQ(a, l1.first);
        EXPECT_EQ(c, l1.second);
        const double genuine = std::stod(l0.score), impostor = std::stod(l1.score);
        EXPECT_GT(genuine, 50.0) << f;
        EXPECT_LT(impostor, 20.0) << f;
        // The four files of one template give one score.
        if (format == 1) {
            expected_genuine = genuine;
            expected_impostor = impostor;
            EXPECT_EQ(score_text(ridge_test::match_score(finger_, again_)), l0.score);
        }
        EXPECT_EQ(expected_genuine, genuine) << f;
        EXPECT_EQ(expected_impostor, impostor) << f;
        // Banner, running count 1 then 2, average line.
        EXPECT_TRUE(console_shows(run.out, "\r 1\r 2")) << run.out;
    }
}

TEST_F(Ridgescore, MissingFirstRawTextFileGivesMinusOneLineThenScoreZero)
{
    const std::string a = write(finger_, 1, "a.txt");
    const std::string missing = dir_.path("missing.txt");
    const ProgramRun run = score(1, list(missing + " " + a + "\n"));
    EXPECT_EQ(2, run.exit_code);
    EXPECT_NE(std::string::npos, run.out.find("\ncan't open file " + missing + "\n"));
    EXPECT_NE(std::string::npos, run.out.find(" ms\n1 of 1 pairs could not be scored\n")) << run.out;
    EXPECT_EQ((std::vector<std::string>{missing + ", " + a + ", -1", missing + ", " + a + ", 0.000000"}),
              score_lines());
}

TEST_F(Ridgescore, MissingSecondPackedFileGivesMinusTwoLineAndFilesizeMessage)
{
    const std::string a = write(finger_, 3, "a.pk");
    const std::string missing = dir_.path("missing.pk");
    const ProgramRun run = score(3, list(a + " " + missing + "\n"));
    EXPECT_EQ(2, run.exit_code);
    EXPECT_EQ("ERROR : filesize : file " + missing + " could not be opened\n", run.err);
    EXPECT_EQ((std::vector<std::string>{a + ", " + missing + ", -2", a + ", " + missing + ", 0.000000"}),
              score_lines());
}

TEST_F(Ridgescore, BothFilesFailingGiveMinusOneMinusTwoThenTheScore)
{
    for (int format = 1; format <= 4; ++format) {
        const std::string x = dir_.path("x"), y = dir_.path("y");
        score(format, list(x + " " + y + "\n"));
        EXPECT_EQ((std::vector<std::string>{x + ", " + y + ", -1", x + ", " + y + ", -2",
                                            x + ", " + y + ", 0.000000"}),
                  score_lines())
            << format;
    }
}

TEST_F(Ridgescore, CorruptFilesFailToLoadAndTheNextPairGoesOn)
{
    const std::string good1 = write(finger_, 1, "good.txt");
    const std::string bad1 = dir_.path("bad.txt");
    ridge_test::write_file(bad1, "3\n1, 10, 20, 30\n1, 10; 20, 30\n1, 5, 5, 5\n");
    score(1, list(bad1 + " " + good1 + "\n" + good1 + " " + good1 + "\n"));
    std::vector<std::string> lines = score_lines();
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(bad1 + ", " + good1 + ", -1", lines[0]);
    EXPECT_EQ(bad1 + ", " + good1 + ", 0.000000", lines[1]);
    EXPECT_EQ(good1 + ", " + good1 + ", " + score_text(ridge_test::match_score(finger_, finger_)), lines[2]);

    // A packed file above 512 bytes does not convert.
    const std::string good3 = write(finger_, 3, "good.pk");
    const std::string big3 = dir_.path("big.pk");
    ridge_test::write_file(big3, std::vector<unsigned char>(516, 0x11));
    score(3, list(good3 + " " + big3 + "\n"));
    EXPECT_EQ(good3 + ", " + big3 + ", -2", score_lines().at(0));

    // An FMR378 record with a broken header does not convert.
    const std::string good4 = write(finger_, 4, "good.fmr");
    std::vector<unsigned char> record = ridge_test::read_bytes(good4);
    record[0] = 'X';
    const std::string bad4 = dir_.path("bad.fmr");
    ridge_test::write_file(bad4, record);
    score(4, list(bad4 + " " + good4 + "\n"));
    EXPECT_EQ(bad4 + ", " + good4 + ", -1", score_lines().at(0));
}

TEST_F(Ridgescore, RawBinaryFilesUseWholeRecordsAndOversizeScoresZero)
{
    const std::string exact = write(finger_, 2, "exact.bin");
    std::vector<unsigned char> bytes = ridge_test::read_bytes(exact);
    bytes.insert(bytes.end(), {1, 2, 3, 4});
    const std::string padded = dir_.path("padded.bin");
    ridge_test::write_file(padded, bytes);
    std::vector<RawMinutia> many = ridge_test::random_template(93, 129, 900, 900, 10);
    const std::string oversize = write(many, 2, "oversize.bin");
    score(2, list(exact + " " + padded + "\n" + exact + " " + oversize + "\n"));
    const std::string self = score_text(ridge_test::match_score(finger_, finger_));
    EXPECT_EQ((std::vector<std::string>{exact + ", " + padded + ", " + self,
                                        exact + ", " + oversize + ", 0.000000"}),
              score_lines());
}

TEST_F(Ridgescore, UnknownFormatEndsAfterTheFirstPairWithAnEmptyScoreList)
{
    const std::string a = write(finger_, 1, "a.txt");
    for (const char *format : {"7", "0", "abc"}) {
        const ProgramRun run =
            ridge_test::run_program(program_, {format, list(a + " " + a + "\n"), scores_path()});
        EXPECT_EQ(1, run.exit_code);
        EXPECT_EQ(kBanner + kFormatLine, run.out) << format;
        EXPECT_TRUE(ridge_test::file_exists(scores_path()));
        EXPECT_EQ("", ridge_test::read_text(scores_path()));
    }
}

TEST_F(Ridgescore, LastLineWithOneNameEndsWithoutAScoreLine)
{
    const std::string a = write(finger_, 2, "a.bin");
    const ProgramRun run = score(2, list(a + " " + a + "\n" + a + "\n"));
    EXPECT_EQ(0, run.exit_code);
    EXPECT_EQ(1u, score_lines().size());
    EXPECT_NE(std::string::npos, run.out.find("\r 1\nAverage match time = "));
}

TEST_F(Ridgescore, EmptyMatchListPrintsZeroAverage)
{
    const ProgramRun run = score(1, list(""));
    EXPECT_EQ(0, run.exit_code);
    EXPECT_EQ(kBanner + "\nAverage match time = 0.00 ms\n", run.out);
    EXPECT_TRUE(score_lines().empty());
}

TEST_F(Ridgescore, ListsThatCannotBeOpenedEndWithAMessageAndFailure)
{
    const std::string missing = dir_.path("no-such-list.txt");
    ProgramRun run = score(1, missing);
    EXPECT_EQ(1, run.exit_code);
    EXPECT_EQ(kBanner + "\ncan't open match list " + missing + "\n", run.out);
    EXPECT_FALSE(ridge_test::file_exists(scores_path()));

    // A folder opens like a file and reads as empty: it is said to be one.
    const std::string folder = dir_.path("lists");
    std::filesystem::create_directories(folder);
    run = score(1, folder);
    EXPECT_EQ(1, run.exit_code);
    EXPECT_EQ(kBanner + "\nmatch list " + folder + " is a folder\n", run.out);
    EXPECT_FALSE(ridge_test::file_exists(scores_path()));

    const std::string unwritable = dir_.path("no-such-dir/scores.txt");
    run = ridge_test::run_program(program_, {"1", list(""), unwritable});
    EXPECT_EQ(1, run.exit_code);
    EXPECT_NE(std::string::npos, run.out.find(unwritable));

    // A score list that opens but cannot take the lines.
    if (ridge_test::file_exists("/dev/full")) {
        const std::string a = write(finger_, 2, "a.bin");
        run = ridge_test::run_program(program_, {"2", list(a + " " + a + "\n"), "/dev/full"});
        EXPECT_EQ(1, run.exit_code);
        EXPECT_NE(std::string::npos, run.out.find("can't write score list /dev/full\n")) << run.out;
    }
}

TEST_F(Ridgescore, NamesLongerThanTheirBuffersAreRefused)
{
    // Paths of exactly 259 and 255 characters fit; one more does not.
    auto path_of_length = [&](size_t length, const std::string &tag) {
        std::string dir = dir_.path(tag);
        while (dir.size() + 100 < length)
            dir += "/" + std::string(90, 'd');
        std::filesystem::create_directories(dir);
        std::string path = dir + "/";
        path += std::string(length - path.size(), 'f');
        return path;
    };
    const std::string first259 = path_of_length(259, "p"), first260 = path_of_length(260, "q");
    const std::string second255 = path_of_length(255, "r"), second256 = path_of_length(256, "s");
    for (const std::string *p : {&first259, &first260, &second255, &second256})
        ridge_test::write_file(*p, ridge_test::read_bytes(write(finger_, 2, "t.bin")));

    const ProgramRun run = score(2, list(first260 + " " + second255 + "\n" + first259 + " " + second256 +
                                         "\n" + first259 + " " + second255 + "\n"));
    EXPECT_EQ(2, run.exit_code);
    EXPECT_NE(std::string::npos, run.out.find("2 of 3 pairs could not be scored\n"));
    const std::string self = score_text(ridge_test::match_score(finger_, finger_));
    EXPECT_EQ((std::vector<std::string>{first259 + ", " + second255 + ", " + self}), score_lines());
    EXPECT_NE(std::string::npos, run.out.find("name longer than"));
    EXPECT_NE(std::string::npos, run.out.find("\r 1\nAverage match time = "));
}

TEST_F(Ridgescore, NulByteInANameSkipsThePair)
{
    // "a.bin\0x" would open a.bin if the name were cut at the NUL.
    const std::string a = write(finger_, 2, "a.bin");
    std::string content = a + " " + a + "\n" + a + std::string(1, '\0') + "x " + a + "\n" + a + " " + a + "\n";
    const ProgramRun run = score(2, list(content));
    EXPECT_EQ(2, run.exit_code);
    const std::string self = score_text(ridge_test::match_score(finger_, finger_));
    EXPECT_EQ((std::vector<std::string>{a + ", " + a + ", " + self, a + ", " + a + ", " + self}), score_lines());
    EXPECT_NE(std::string::npos, run.out.find("\nNUL byte in a name in the match list, pair skipped: " + a + " " +
                                              a + "\n"));
    EXPECT_NE(std::string::npos, run.out.find("\r 2\nAverage match time = "));
    EXPECT_NE(std::string::npos, run.out.find("1 of 3 pairs could not be scored\n"));
}

TEST_F(Ridgescore, ExitStatusTellsWhetherEveryPairWasScored)
{
    // Pairs that load and match exit 0 with no count line; a pair that
    // does not load, or that the matcher refuses (a raw template above 2048
    // bytes), keeps its lines and makes the status 2 with the count.
    const std::string good = write(finger_, 2, "good.bin");
    const std::string other = write(other_, 2, "other.bin");
    const std::string oversize = write(ridge_test::random_template(93, 129, 900, 900, 10), 2, "big.bin");
    const std::string missing = dir_.path("missing.bin");
    struct Case {
        std::string list;
        int exit_code;
        std::string count_line;
    };
    const std::vector<Case> cases = {
        {good + " " + other + "\n" + other + " " + good + "\n", 0, ""},
        {good + " " + other + "\n" + missing + " " + good + "\n", 2, "1 of 2 pairs could not be scored\n"},
        {good + " " + missing + "\n" + missing + " " + missing + "\n", 2, "2 of 2 pairs could not be scored\n"},
        {good + " " + oversize + "\n" + good + " " + good + "\n", 2, "1 of 2 pairs could not be scored\n"},
    };
    for (const Case &c : cases) {
        const ProgramRun run = score(2, list(c.list));
        EXPECT_EQ(c.exit_code, run.exit_code) << c.list;
        const std::string tail = run.out.substr(run.out.find(" ms\n") + 4);
        EXPECT_EQ(c.count_line, tail) << c.list;
    }
}
