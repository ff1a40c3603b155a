// CPU time of the calling thread, for the benchmarks: on a shared machine
// wall time mostly measures the other processes.
#ifndef RIDGESDK_BENCH_BENCH_CLOCK_H
#define RIDGESDK_BENCH_BENCH_CLOCK_H

#include <ctime>

namespace bench {

inline double thread_cpu_seconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

} // namespace bench

#endif
