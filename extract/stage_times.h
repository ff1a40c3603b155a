// Time spent in each stage of one extraction, for measurement: the CPU time
// of the calling thread where the system gives it (so that other processes
// on a shared machine do not count), else wall-clock time.
#ifndef RIDGESDK_EXTRACT_STAGE_TIMES_H
#define RIDGESDK_EXTRACT_STAGE_TIMES_H

#include <chrono>
#include <ctime>

namespace ridge {

struct ExtractionStageTimes {
    double maps = 0.0;         // seconds: padding, scaling and the block maps
    double binarisation = 0.0; // grids, binarisation and hole filling
    double detection = 0.0;    // the minutia scan
    double removal = 0.0;      // zoned false-minutia removal
    double rest = 0.0;         // quality, reliability, screening, angles, cap
};

// Adds the time since the last lap to one field; does nothing without a
// record to fill, so the extraction pays nothing when nobody measures.
class StageClock {
public:
    explicit StageClock(ExtractionStageTimes *times) : times_(times), last_(times != nullptr ? now() : 0.0) {}
    void lap(double ExtractionStageTimes::*field)
    {
        if (times_ == nullptr)
            return;
        const double t = now();
        times_->*field += t - last_;
        last_ = t;
    }

private:
    static double now()
    {
#if defined(CLOCK_THREAD_CPUTIME_ID) && !defined(_WIN32)
        timespec ts{};
        if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts) == 0)
            return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
#endif
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }
    ExtractionStageTimes *times_;
    double last_;
};

} // namespace ridge

#endif
