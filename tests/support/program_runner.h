// Runs a built console program with no terminal on its input and collects
// what it printed and its exit code.
#ifndef RIDGESDK_TESTS_PROGRAM_RUNNER_H
#define RIDGESDK_TESTS_PROGRAM_RUNNER_H

#include "support/sdk_test_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace ridge_test {

struct ProgramRun {
    int exit_code = -1000; // as the shell sees it: 0..255; -1000 when it did not exit
    std::string out;
    std::string err;
};

// Path of a program built beside the tests, or "" when it was not built.
std::string built_program(const std::string &name);

// Standard output goes to the file stdout_to when one is named (out is then
// left empty).
ProgramRun run_program(const std::string &program, const std::vector<std::string> &arguments,
                       const std::string &stdout_to = "");

// The fixture of one program's tests: skipped when the program was not
// built; each test has a scratch folder of its own.
class ProgramTest : public ::testing::Test {
protected:
    explicit ProgramTest(std::string name) : name_(std::move(name)) {}
    void SetUp() override
    {
        program_ = built_program(name_);
        if (program_.empty())
            GTEST_SKIP() << name_ << " is not built";
    }
    ProgramRun run(const std::vector<std::string> &arguments) const { return run_program(program_, arguments); }
    std::string path(const std::string &file) const { return dir_.path(file); }

    std::string name_;
    std::string program_;
    ScratchDir dir_;
};

} // namespace ridge_test

#endif
