// The command-line pieces of ridgeconvert, ridgeview and ridgesearch: the
// option reader on a table of command lines, and output that cannot be
// written (a full disk), which each program reports as a failure.
#include "support/program_runner.h"
#include "support/sdk_test_helpers.h"
#include "tool_cli.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ridge::cli::OptionReader;
using ridge::cli::Parsed;

// Reads a command line as the programs do: every option takes a value
// except --flag. Gives "name=value" per option, "name" for a flag,
// "name!" for a value missing.
struct Reading {
    std::vector<std::string> options, positional;
    Parsed parsed;
};

Reading read(std::vector<std::string> words)
{
    words.insert(words.begin(), "program");
    std::vector<char *> argv;
    for (std::string &w : words)
        argv.push_back(w.data());
    OptionReader line(static_cast<int>(argv.size()), argv.data(), 1);
    Reading reading;
    std::string name, value;
    while (line.next(name)) {
        if (name == "--flag" && !line.has_inline_value())
            reading.options.push_back(name);
        else
            reading.options.push_back(line.value(value) ? name + "=" + value : name + "!");
    }
    reading.positional = line.positional();
    reading.parsed = line.parsed();
    return reading;
}

TEST(OptionReader, SplitsOptionsValuesAndPositionalWords)
{
    struct Case {
        std::vector<std::string> words, options, positional;
        Parsed parsed;
    };
    const Case cases[] = {
        {{}, {}, {}, Parsed::Run},
        {{"a", "--x", "1", "b"}, {"--x=1"}, {"a", "b"}, Parsed::Run},
        {{"--x=1=2", "--y=", "-", "-z"}, {"--x=1=2", "--y="}, {"-", "-z"}, Parsed::Run},
        {{"--flag", "a", "--flag=on"}, {"--flag", "--flag=on"}, {"a"}, Parsed::Run},
        {{"a", "--x"}, {"--x!"}, {"a"}, Parsed::Run},
        // A value is the next word, whatever it is.
        {{"--x", "--help", "a"}, {"--x=--help"}, {"a"}, Parsed::Run},
        {{"--x", "--"}, {"--x=--"}, {}, Parsed::Run},
        // "--" ends the options; later words are all positional.
        {{"a", "--", "--x", "--help", "--"}, {}, {"a", "--x", "--help", "--"}, Parsed::Run},
        {{"--=v"}, {"--=v"}, {}, Parsed::Run},
        // Help and version stop the reading where they stand.
        {{"--x", "1", "--help", "--y"}, {"--x=1"}, {}, Parsed::Help},
        {{"a", "-h"}, {}, {"a"}, Parsed::Help},
        {{"--version", "--x"}, {}, {}, Parsed::Version},
        {{"--help=1"}, {"--help=1"}, {}, Parsed::Run},
    };
    for (const Case &c : cases) {
        std::string label;
        for (const std::string &w : c.words)
            label += w + " ";
        SCOPED_TRACE(label);
        const Reading r = read(c.words);
        EXPECT_EQ(r.options, c.options);
        EXPECT_EQ(r.positional, c.positional);
        EXPECT_EQ(static_cast<int>(r.parsed), static_cast<int>(c.parsed));
    }
}

// What a program wrote to standard output must reach it: on a full disk
// the program fails with one line that says so.
TEST(ToolPrograms, OutputThatCannotBeWrittenIsAFailure)
{
    const std::string samples = std::string(RIDGESDK_TEST_DATA) + "/samples/";
    ridge_test::ScratchDir dir;
    struct Case {
        const char *program;
        std::vector<std::string> arguments;
    };
    const Case cases[] = {
        {"ridgeconvert", {"--version"}},
        {"ridgeconvert", {"--help"}},
        {"ridgeview", {"--version"}},
        {"ridgeview", {samples + "101_1.bmp", dir.path("pair.png"), "--other", samples + "101_2.bmp", "--pair"}},
        {"ridgesearch", {"--version"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.program);
        const std::string program = ridge_test::built_program(c.program);
        if (program.empty())
            GTEST_SKIP() << c.program << " is not built";
        const ridge_test::ProgramRun run = ridge_test::run_program(program, c.arguments, "/dev/full");
        ASSERT_NE(run.exit_code, -1000) << "the program did not exit";
        EXPECT_EQ(run.exit_code, 1);
        const std::string &err = run.err;
        EXPECT_EQ(err.rfind(std::string(c.program) + ": ", 0), 0u) << err;
        EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
    }
}

} // namespace
