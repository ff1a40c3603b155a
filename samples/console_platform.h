// The small platform layer of the console programs.
#ifndef RIDGESDK_SAMPLES_CONSOLE_PLATFORM_H
#define RIDGESDK_SAMPLES_CONSOLE_PLATFORM_H

#include <cstdint>

namespace ridge {

// Waits for one key press without echo when stdin is a terminal; returns at
// once otherwise (scripts, CI). A key that sends several bytes (an arrow,
// a function key, an Alt combination, a UTF-8 character) counts as one
// press and leaves none of its bytes behind. The terminal's settings are
// restored on every way out: the key, the end of input, and the signals
// that end or stop the program (Ctrl-C, Ctrl-\, hangup, termination; after
// Ctrl-Z the program waits again without echo once it is continued).
void wait_for_key_press();
// True when the path names a folder.
bool is_folder(const char *path);
// Monotonic performance counter and its ticks per second.
int64_t perf_counter();
int64_t perf_frequency();

} // namespace ridge

#endif
