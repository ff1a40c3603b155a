#include "tool_cli.h"

#include "ridgeext.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

namespace ridge {
namespace cli {

Failure usage_error(const std::string &reason) { return Failure{kExitUsage, reason}; }
Failure failure(const std::string &reason) { return Failure{kExitFailure, reason}; }

Result failed_if(const std::string &reason)
{
    if (reason.empty())
        return std::nullopt;
    return failure(reason);
}

std::string sdk_reason(int32_t status)
{
    const std::string message = ridge_last_error();
    return message.empty() ? std::string(ridge_status_name(status)) : message;
}

bool OptionReader::next(std::string &name)
{
    inline_value_.reset();
    while (next_ < argc_) {
        std::string word = argv_[next_++];
        if (!options_ended_) {
            if (word == "--help" || word == "-h") {
                parsed_ = Parsed::Help;
                return false;
            }
            if (word == "--version") {
                parsed_ = Parsed::Version;
                return false;
            }
            if (word == "--") {
                options_ended_ = true;
                continue;
            }
            if (word.size() >= 2 && word.compare(0, 2, "--") == 0) {
                const std::size_t equals = word.find('=');
                if (equals != std::string::npos) {
                    inline_value_ = word.substr(equals + 1);
                    word.erase(equals);
                }
                name = word;
                return true;
            }
        }
        positional_.push_back(word);
    }
    return false;
}

bool OptionReader::value(std::string &value)
{
    if (inline_value_) {
        value = *inline_value_;
        return true;
    }
    if (next_ >= argc_)
        return false;
    value = argv_[next_++];
    return true;
}

Result OptionReader::two_positional(const char *too_few, std::string &first, std::string &second) const
{
    if (positional_.size() != 2)
        return usage_error(positional_.size() < 2 ? too_few : "too many arguments");
    first = positional_[0];
    second = positional_[1];
    return std::nullopt;
}

void say(const char *program, const std::string &line) { std::fprintf(stderr, "%s: %s\n", program, line.c_str()); }

Result finish_output(const char *what_failed)
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return failure(std::string(what_failed) + ": " + std::strerror(errno));
    return std::nullopt;
}

int run_program(const Program &program, const std::function<Result(Parsed &)> &parse,
                const std::function<Result()> &run)
{
    try {
        Parsed parsed = Parsed::Run;
        Result bad = parse(parsed);
        if (!bad && parsed == Parsed::Help) {
            std::fputs(program.usage, stdout);
            std::fputs(program.help, stdout);
        } else if (!bad && parsed == Parsed::Version) {
            std::printf("%s %s\n", program.name, ridge_version());
        } else if (!bad) {
            // The SDK's trace and error lines would mix with the tool's own.
            ridge_set_diagnostic_handler(ridge_diagnostic_drop, nullptr);
            bad = run();
        }
        if (!bad)
            bad = finish_output();
        if (bad) {
            say(program.name, bad->reason + (bad->exit_code == kExitUsage
                                                 ? std::string(" (see ") + program.name + " --help)"
                                                 : std::string()));
            return bad->exit_code;
        }
        return 0;
    } catch (const std::bad_alloc &) {
        say(program.name, "out of memory");
        return kExitFailure;
    }
}

} // namespace cli
} // namespace ridge
