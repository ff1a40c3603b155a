// Runs a built console program with no terminal on its input and collects
// what it printed and its exit code.
#ifndef RIDGESDK_TESTS_PROGRAM_RUNNER_H
#define RIDGESDK_TESTS_PROGRAM_RUNNER_H

#include <string>
#include <vector>

namespace ridge_test {

struct ProgramRun {
    int exit_code = -1000; // as the shell sees it: 0..255
    std::string out;
    std::string err;
};

// Path of a program built beside the tests, or "" when it was not built.
std::string built_program(const std::string &name);

ProgramRun run_program(const std::string &program, const std::vector<std::string> &arguments);

} // namespace ridge_test

#endif
