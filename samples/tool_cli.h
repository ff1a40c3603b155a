// The command-line pieces of ridgeconvert, ridgeview and ridgesearch: exit
// statuses, one-line failures, options read one at a time, and main's
// frame (help, version, the SDK's diagnostics silenced, the failure line).
#ifndef RIDGESDK_SAMPLES_TOOL_CLI_H
#define RIDGESDK_SAMPLES_TOOL_CLI_H

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ridge {
namespace cli {

constexpr int kExitFailure = 1; // the job failed
constexpr int kExitUsage = 2;   // a wrong command line

// A failure with its one-line reason.
struct Failure {
    int exit_code;
    std::string reason;
};
using Result = std::optional<Failure>; // nothing on success

Failure usage_error(const std::string &reason);
Failure failure(const std::string &reason);
// A failure when there is a reason ("" is success).
Result failed_if(const std::string &reason);

// The last-error message of a failed ridge_* call, else the status's name.
std::string sdk_reason(int32_t status);

enum class Parsed { Run, Help, Version };

// Reads the words of a command line from argv[first] on. An option is a
// word that begins with "--" and comes before a word "--"; its name is
// split from a value written "--name=value". Other words are positional.
// "--help", "-h" and "--version" end the reading where they stand.
class OptionReader {
public:
    OptionReader(int argc, char **argv, int first) : argc_(argc), argv_(argv), next_(first) {}

    // The next option's name; false at the end of the line (or at a help
    // or version word: see parsed()).
    bool next(std::string &name);
    // The current option's value: what followed "=", else the next word.
    // False when there is neither.
    bool value(std::string &value);
    bool has_inline_value() const { return inline_value_.has_value(); }

    Parsed parsed() const { return parsed_; }
    const std::vector<std::string> &positional() const { return positional_; }
    // The two words a command line ends with (an input and an output):
    // too_few when there are fewer, "too many arguments" when more.
    Result two_positional(const char *too_few, std::string &first, std::string &second) const;

private:
    int argc_;
    char **argv_;
    int next_;
    bool options_ended_ = false;
    std::optional<std::string> inline_value_;
    Parsed parsed_ = Parsed::Run;
    std::vector<std::string> positional_;
};

// "program: line" on standard error.
void say(const char *program, const std::string &line);

// What went to standard output must have reached it: a full disk or a
// closed pipe is a failure, "what_failed: " and the system's reason.
Result finish_output(const char *what_failed = "cannot write to standard output");

struct Program {
    const char *name;
    const char *usage; // printed by --help, then help
    const char *help;
};

// main's frame: parse reads the command line; --help or --version is
// answered on standard output; otherwise run is called with the SDK's
// diagnostics dropped. A failure is one line on standard error (a usage
// error points to --help), and output that could not be written is one.
// Returns the exit status.
int run_program(const Program &program, const std::function<Result(Parsed &)> &parse,
                const std::function<Result()> &run);

// The same for a program that parses into its Options and runs on them.
template <typename Options>
int run_program(const Program &program, int argc, char **argv,
                Result (*parse)(int argc, char **argv, Options &options, Parsed &parsed),
                Result (*run)(const Options &options))
{
    Options options;
    return run_program(
        program, [&](Parsed &parsed) { return parse(argc, argv, options, parsed); }, [&] { return run(options); });
}

} // namespace cli
} // namespace ridge

#endif
