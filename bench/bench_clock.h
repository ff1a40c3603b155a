// CPU time of the calling thread, for the benchmarks: on a shared machine
// wall time mostly measures the other processes.
#ifndef RIDGESDK_BENCH_BENCH_CLOCK_H
#define RIDGESDK_BENCH_BENCH_CLOCK_H

#include <ctime>

namespace bench {

inline double cpu_seconds(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

inline double thread_cpu_seconds() { return cpu_seconds(CLOCK_THREAD_CPUTIME_ID); }

// CPU time of the whole process, every thread's together.
inline double process_cpu_seconds() { return cpu_seconds(CLOCK_PROCESS_CPUTIME_ID); }

} // namespace bench

#endif
