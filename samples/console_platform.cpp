// Everything operating-system specific of the console programs lives here.
#include "console_platform.h"

#if defined(_WIN32)
#include <conio.h>
#include <io.h>
#include <windows.h>
#else
#include <termios.h>
#include <time.h>
#include <unistd.h>
#endif

#include <cstdio>

namespace ridge {

#if defined(_WIN32)

void wait_for_key_press()
{
    if (_isatty(_fileno(stdin)))
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

void wait_for_key_press()
{
    // Scripts and CI give no terminal: there is nobody to press a key.
    if (!isatty(STDIN_FILENO))
        return;
    std::fflush(stdout);
    termios saved{};
    if (tcgetattr(STDIN_FILENO, &saved) != 0)
        return;
    termios raw_mode = saved;
    raw_mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw_mode.c_cc[VMIN] = 1;
    raw_mode.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw_mode) != 0)
        return;
    char key = 0;
    (void)!read(STDIN_FILENO, &key, 1);
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
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
