// Wall-clock time spent in each stage of one extraction, for measurement.
#ifndef RIDGESDK_EXTRACT_STAGE_TIMES_H
#define RIDGESDK_EXTRACT_STAGE_TIMES_H

#include <chrono>

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
    explicit StageClock(ExtractionStageTimes *times) : times_(times), last_(now()) {}
    void lap(double ExtractionStageTimes::*field)
    {
        if (times_ == nullptr)
            return;
        const auto t = now();
        times_->*field += std::chrono::duration<double>(t - last_).count();
        last_ = t;
    }

private:
    static std::chrono::steady_clock::time_point now() { return std::chrono::steady_clock::now(); }
    ExtractionStageTimes *times_;
    std::chrono::steady_clock::time_point last_;
};

} // namespace ridge

#endif
