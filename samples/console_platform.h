// The small platform layer of the console programs.
#ifndef RIDGESDK_SAMPLES_CONSOLE_PLATFORM_H
#define RIDGESDK_SAMPLES_CONSOLE_PLATFORM_H

#include <cstdint>

namespace ridge {

// Waits for one key press without echo when stdin is a terminal; returns at
// once otherwise (scripts, CI).
void wait_for_key_press();
// Monotonic performance counter and its ticks per second.
int64_t perf_counter();
int64_t perf_frequency();

} // namespace ridge

#endif
