#include "support/program_runner.h"

#include "support/sdk_test_helpers.h"

#include <cstdlib>

#include <sys/wait.h>

namespace ridge_test {

namespace {

std::string quoted(const std::string &text)
{
    std::string q = "'";
    for (char c : text)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

} // namespace

std::string built_program(const std::string &name)
{
    const std::string path = std::string(RIDGESDK_BINARY_DIR) + "/" + name;
    return file_exists(path) ? path : std::string();
}

ProgramRun run_program(const std::string &program, const std::vector<std::string> &arguments,
                       const std::string &stdout_to)
{
    ScratchDir dir;
    std::string command = quoted(program);
    for (const std::string &argument : arguments)
        command += " " + quoted(argument);
    command += " </dev/null >" + quoted(stdout_to.empty() ? dir.path("out") : stdout_to) + " 2>" +
               quoted(dir.path("err"));
    ProgramRun run;
    const int status = std::system(command.c_str());
    if (status != -1 && WIFEXITED(status))
        run.exit_code = WEXITSTATUS(status);
    if (stdout_to.empty())
        run.out = read_text(dir.path("out"));
    run.err = read_text(dir.path("err"));
    return run;
}

} // namespace ridge_test
