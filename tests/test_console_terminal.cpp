// The programs' "Press any key" wait in a real terminal (a pseudo-terminal
// pair): whatever ends the wait (a key, a key that sends several bytes, a
// signal, a stop and continue), the terminal gets its settings back and no
// byte of the key is left for the next program to read.
//
// Each run: a session on the terminal's far side runs the program in its
// own foreground process group, waits for it, then reports the program's
// end, whether the settings equal those it started with, and the bytes
// left unread. This side types into the terminal once the program has
// switched echo off.
#include "support/program_runner.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <regex>
#include <string>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

bool same_settings(const termios &a, const termios &b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_lflag == b.c_lflag &&
           a.c_cflag == b.c_cflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

void say(const std::string &line) { (void)!write(STDOUT_FILENO, line.data(), line.size()); }

// The far side: never returns.
[[noreturn]] void run_session(const char *terminal, const std::string &program)
{
    setsid();
    const int fd = open(terminal, O_RDWR);
    if (fd < 0)
        _exit(120);
    ioctl(fd, TIOCSCTTY, 0);
    dup2(fd, STDIN_FILENO);
    dup2(fd, STDOUT_FILENO);
    dup2(fd, STDERR_FILENO);
    if (fd > STDERR_FILENO)
        close(fd);
    const rlimit no_core{0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
    // Handing the terminal back and forth from the background.
    signal(SIGTTOU, SIG_IGN);
    termios before{};
    tcgetattr(STDIN_FILENO, &before);

    const pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        tcsetpgrp(STDIN_FILENO, getpid());
        signal(SIGTTOU, SIG_DFL);
        execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    setpgid(child, child);
    tcsetpgrp(STDIN_FILENO, child);
    say("CHILD " + std::to_string(child) + "\n");
    int status = 0;
    for (;;) {
        if (waitpid(child, &status, WUNTRACED) < 0 && errno == EINTR)
            continue;
        if (!WIFSTOPPED(status))
            break;
        termios stopped{};
        tcgetattr(STDIN_FILENO, &stopped);
        say(std::string("STOPPED same=") + (same_settings(before, stopped) ? "1" : "0") + "\n");
        kill(child, SIGCONT);
    }
    tcsetpgrp(STDIN_FILENO, getpgrp());
    termios after{};
    tcgetattr(STDIN_FILENO, &after);
    const bool same = same_settings(before, after);

    // Whatever is still unread, complete lines or not.
    termios drain = after;
    drain.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    drain.c_cc[VMIN] = 0;
    drain.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &drain);
    std::string left;
    char buffer[64];
    for (ssize_t n; (n = read(STDIN_FILENO, buffer, sizeof buffer)) > 0;)
        left.append(buffer, std::size_t(n));
    tcsetattr(STDIN_FILENO, TCSANOW, &after);
    std::string hex;
    for (unsigned char c : left) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", c);
        hex += two;
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const int signal_number = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    say("RESULT exit=" + std::to_string(code) + " signal=" + std::to_string(signal_number) +
        " same=" + (same ? "1" : "0") + " left=[" + hex + "]\n");
    _exit(0);
}

enum class Ending { Keys, Terminate, StopThenKeys };

struct Outcome {
    bool reported = false;
    int exit_code = -1;
    int signal_number = -1;
    bool settings_restored = false;
    std::string left_hex;
    std::string stopped_same; // "1" or "0" after a stop, else ""
    std::string output;
};

class Terminal {
public:
    Terminal()
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && (grantpt(master_) != 0 || unlockpt(master_) != 0)) {
            close(master_);
            master_ = -1;
        }
    }
    ~Terminal()
    {
        if (master_ >= 0)
            close(master_);
    }
    Terminal(const Terminal &) = delete;
    Terminal &operator=(const Terminal &) = delete;
    bool open() const { return master_ >= 0; }

    Outcome run(const std::string &program, Ending ending, const std::string &keys)
    {
        Outcome outcome;
        const std::string slave = ptsname(master_);
        const pid_t session = fork();
        if (session == 0) {
            close(master_);
            run_session(slave.c_str(), program);
        }
        bool waiting = true;
        bool continued = false;
        // A guard against a hung program, not a measurement.
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < give_up) {
            if (!read_some(&outcome.output))
                break; // the session ended
            if (waiting && echo_off()) {
                waiting = false;
                act(ending, keys, outcome.output);
            }
            std::smatch m;
            if (!continued && std::regex_search(outcome.output, m, std::regex("STOPPED same=([01])"))) {
                outcome.stopped_same = m[1];
                continued = true;
                waiting = true; // until the program waits again
                ending = Ending::Keys;
            }
            if (outcome.output.find("RESULT ") != std::string::npos &&
                outcome.output.find("]\n", outcome.output.find("RESULT ")) != std::string::npos)
                break;
        }
        int status = 0;
        if (std::chrono::steady_clock::now() >= give_up)
            kill(session, SIGKILL);
        waitpid(session, &status, 0);
        std::smatch m;
        static const std::regex result("RESULT exit=(-?[0-9]+) signal=([0-9]+) same=([01]) left=\\[([0-9a-f]*)\\]");
        if (std::regex_search(outcome.output, m, result)) {
            outcome.reported = true;
            outcome.exit_code = std::stoi(m[1]);
            outcome.signal_number = std::stoi(m[2]);
            outcome.settings_restored = m[3] == "1";
            outcome.left_hex = m[4];
        }
        return outcome;
    }

private:
    // Reads what the far side wrote within a tenth of a second; false once
    // it has closed its side.
    bool read_some(std::string *output)
    {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            return true;
        char buffer[512];
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n <= 0)
            return errno == EINTR || errno == EAGAIN;
        output->append(buffer, std::size_t(n));
        return true;
    }
    bool echo_off() const
    {
        termios now{};
        return tcgetattr(master_, &now) == 0 && (now.c_lflag & ECHO) == 0;
    }
    void act(Ending ending, const std::string &keys, const std::string &output)
    {
        if (ending == Ending::Terminate) {
            std::smatch m;
            if (std::regex_search(output, m, std::regex("CHILD ([0-9]+)")))
                kill(static_cast<pid_t>(std::stol(m[1])), SIGTERM);
            return;
        }
        if (ending == Ending::StopThenKeys) {
            (void)!write(master_, "\x1a", 1); // Ctrl-Z
            return;
        }
        (void)!write(master_, keys.data(), keys.size());
    }

    int master_ = -1;
};

struct Case {
    const char *name;
    Ending ending;
    std::string keys;
    int exit_code;     // -1 when a signal ends the program
    int signal_number; // 0 when it exits
    std::string left_hex;
};

void check(const std::string &program, const Case &c)
{
    Terminal terminal;
    if (!terminal.open())
        GTEST_SKIP() << "no pseudo-terminal";
    const Outcome o = terminal.run(program, c.ending, c.keys);
    ASSERT_TRUE(o.reported) << c.name << ":\n" << o.output;
    EXPECT_EQ(c.exit_code, o.exit_code) << c.name;
    EXPECT_EQ(c.signal_number, o.signal_number) << c.name;
    EXPECT_TRUE(o.settings_restored) << c.name << ": terminal settings not restored";
    EXPECT_EQ(c.left_hex, o.left_hex) << c.name << ": bytes left for the next program";
    if (c.ending == Ending::StopThenKeys) {
        EXPECT_EQ("1", o.stopped_same) << c.name << ": settings while stopped";
    }
    EXPECT_NE(std::string::npos, o.output.find("Press any key to continue...")) << c.name;
}

} // namespace

TEST(KeyPressWait, EveryWayOutRestoresTheTerminal)
{
    const std::string program = ridge_test::built_program("ridgeforge");
    if (program.empty())
        GTEST_SKIP() << "ridgeforge is not built";
    // Without arguments the program prints its usage after the key press
    // and exits 0.
    const std::vector<Case> cases = {
        {"one key", Ending::Keys, "k", 0, 0, ""},
        {"two keys at once: the second stays", Ending::Keys, "ab", 0, 0, "62"},
        {"arrow", Ending::Keys, "\x1b[A", 0, 0, ""},
        {"function key", Ending::Keys, "\x1b[15~", 0, 0, ""},
        {"F1 in application mode", Ending::Keys, "\x1bOP", 0, 0, ""},
        {"Alt-x", Ending::Keys, "\x1bx", 0, 0, ""},
        {"UTF-8 character", Ending::Keys, "\xc3\xa9", 0, 0, ""},
        {"Ctrl-C", Ending::Keys, "\x03", -1, SIGINT, ""},
        {"Ctrl-\\", Ending::Keys, "\x1c", -1, SIGQUIT, ""},
        {"terminated", Ending::Terminate, "", -1, SIGTERM, ""},
        {"Ctrl-Z, continued, a key", Ending::StopThenKeys, "k", 0, 0, ""},
    };
    for (const Case &c : cases)
        check(program, c);
}

TEST(KeyPressWait, RidgescoreRestoresTheTerminalOnCtrlC)
{
    const std::string program = ridge_test::built_program("ridgescore");
    if (program.empty())
        GTEST_SKIP() << "ridgescore is not built";
    check(program, {"Ctrl-C", Ending::Keys, "\x03", -1, SIGINT, ""});
    check(program, {"arrow", Ending::Keys, "\x1b[B", 0, 0, ""});
}
