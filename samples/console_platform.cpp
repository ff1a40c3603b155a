// Everything operating-system specific of the console programs lives here.
#include "console_platform.h"

#if defined(_WIN32)
#include <conio.h>
#include <io.h>
#include <windows.h>
#else
#include <csignal>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>

namespace ridge {

#if defined(_WIN32)

bool is_folder(const char *path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void wait_for_key_press()
{
    if (!_isatty(_fileno(stdin)))
        return;
    // Arrows and function keys arrive as a prefix (0 or 0xE0) and a code.
    const int key = _getch();
    if (key == 0 || key == 0xe0)
        (void)_getch();
}

int64_t perf_counter()
{
    LARGE_INTEGER ticks;
    QueryPerformanceCounter(&ticks);
    return ticks.QuadPart;
}

int64_t perf_frequency()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

#else

bool is_folder(const char *path)
{
    struct stat info {};
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

namespace {

// The settings to put back, for the signal handlers as well.
termios g_saved_terminal{};
termios g_key_mode{};
volatile std::sig_atomic_t g_terminal_changed = 0;

const int kEndingSignals[] = {SIGINT, SIGQUIT, SIGHUP, SIGTERM};
struct sigaction g_previous_ending[sizeof kEndingSignals / sizeof kEndingSignals[0]];
struct sigaction g_previous_stop;

extern "C" void put_terminal_back_and_end(int signal_number)
{
    if (g_terminal_changed)
        tcsetattr(STDIN_FILENO, TCSANOW, &g_saved_terminal);
    // The disposition the program had, then the signal again: it takes
    // effect when this handler returns.
    for (std::size_t i = 0; i < sizeof kEndingSignals / sizeof kEndingSignals[0]; ++i)
        if (kEndingSignals[i] == signal_number)
            sigaction(signal_number, &g_previous_ending[i], nullptr);
    raise(signal_number);
}

extern "C" void put_terminal_back_and_stop(int signal_number)
{
    if (g_terminal_changed)
        tcsetattr(STDIN_FILENO, TCSANOW, &g_saved_terminal);
    struct sigaction ours {};
    sigaction(signal_number, &g_previous_stop, &ours);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, signal_number);
    raise(signal_number);
    // Stops here until continued, then waits without echo again.
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    sigaction(signal_number, &ours, nullptr);
    if (g_terminal_changed)
        tcsetattr(STDIN_FILENO, TCSANOW, &g_key_mode);
}

void install(int signal_number, void (*handler)(int), struct sigaction *previous)
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal_number, nullptr, previous);
    // A signal the program was started ignoring stays ignored.
    if (previous->sa_handler != SIG_IGN)
        sigaction(signal_number, &action, nullptr);
}

// Key mode and the signal handlers for the life of one wait.
class KeyWait {
public:
    KeyWait()
    {
        if (tcgetattr(STDIN_FILENO, &g_saved_terminal) != 0)
            return;
        g_key_mode = g_saved_terminal;
        g_key_mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        g_key_mode.c_cc[VMIN] = 1;
        g_key_mode.c_cc[VTIME] = 0;
        for (std::size_t i = 0; i < sizeof kEndingSignals / sizeof kEndingSignals[0]; ++i)
            install(kEndingSignals[i], put_terminal_back_and_end, &g_previous_ending[i]);
        install(SIGTSTP, put_terminal_back_and_stop, &g_previous_stop);
        handlers_ = true;
        g_terminal_changed = 1;
        if (tcsetattr(STDIN_FILENO, TCSANOW, &g_key_mode) != 0)
            g_terminal_changed = 0;
    }
    ~KeyWait()
    {
        if (g_terminal_changed)
            tcsetattr(STDIN_FILENO, TCSANOW, &g_saved_terminal);
        g_terminal_changed = 0;
        if (!handlers_)
            return;
        for (std::size_t i = 0; i < sizeof kEndingSignals / sizeof kEndingSignals[0]; ++i)
            sigaction(kEndingSignals[i], &g_previous_ending[i], nullptr);
        sigaction(SIGTSTP, &g_previous_stop, nullptr);
    }
    KeyWait(const KeyWait &) = delete;
    KeyWait &operator=(const KeyWait &) = delete;

    bool active() const { return g_terminal_changed != 0; }

    // One byte; false at the end of input or on an error.
    static bool read_byte(unsigned char *byte)
    {
        for (;;) {
            const ssize_t n = read(STDIN_FILENO, byte, 1);
            if (n == 1)
                return true;
            if (n == 0 || errno != EINTR)
                return false;
        }
    }

    // One byte if it comes within a tenth of a second: the rest of a key's
    // bytes follow its first at once.
    bool read_following(unsigned char *byte)
    {
        if (!following_) {
            termios quick = g_key_mode;
            quick.c_cc[VMIN] = 0;
            quick.c_cc[VTIME] = 1;
            tcsetattr(STDIN_FILENO, TCSANOW, &quick);
            following_ = true;
        }
        return read_byte(byte);
    }

private:
    bool handlers_ = false;
    bool following_ = false;
};

// Reads the bytes that complete the key whose first byte was first.
void read_rest_of_key(KeyWait &wait, unsigned char first)
{
    unsigned char byte = 0;
    if (first == 0x1b) {
        // Escape alone, Alt with a key, or a control sequence: ESC [ then
        // parameter and intermediate bytes up to a final byte in 0x40..0x7e;
        // ESC O then one byte.
        if (!wait.read_following(&byte))
            return;
        if (byte == 'O') {
            (void)wait.read_following(&byte);
        } else if (byte == '[') {
            for (int k = 0; k < 32 && wait.read_following(&byte); ++k)
                if (byte >= 0x40 && byte <= 0x7e)
                    break;
        }
        return;
    }
    // A UTF-8 character: its lead byte says how many bytes follow.
    const int following = first >= 0xf0 ? 3 : first >= 0xe0 ? 2 : first >= 0xc0 ? 1 : 0;
    for (int k = 0; k < following && wait.read_following(&byte); ++k) {
    }
}

} // namespace

void wait_for_key_press()
{
    // Scripts and CI give no terminal: there is nobody to press a key.
    if (!isatty(STDIN_FILENO))
        return;
    std::fflush(stdout);
    KeyWait wait;
    if (!wait.active())
        return;
    unsigned char key = 0;
    if (KeyWait::read_byte(&key))
        read_rest_of_key(wait, key);
}

// Nanoseconds of the monotonic clock.
int64_t perf_counter()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

int64_t perf_frequency() { return 1000000000; }

#endif

} // namespace ridge
