// Runs the chunks of a long job on several threads, the calling thread
// among them, and reports progress from the calling thread only.
#ifndef RIDGESDK_SEARCH_PARALLEL_JOB_H
#define RIDGESDK_SEARCH_PARALLEL_JOB_H

#include "ridgesearch.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace ridge {

// Threads to use for a request of `requested` (0: one per core available
// to the process), never more than there are chunks and never fewer than 1.
unsigned jobThreads(uint32_t requested, std::size_t chunks);

struct JobProgress {
    ridge_progress_fn fn = nullptr;
    void *context = nullptr;
};

// Calls work(chunk, worker) once for every chunk 0..chunks-1, spread over
// `threads` workers (worker 0 is the calling thread), chunks handed out in
// ascending order. units(chunk) is what the chunk counts towards total in
// the progress reports, which come from the calling thread: (0, total)
// first, then after each chunk it ran, then (total, total). Returns RIDGE_OK, or RIDGE_ERR_CANCELLED when the
// progress function asked to stop; an exception thrown by work stops the
// job and is thrown again here once every worker has stopped.
int32_t runParallelJob(unsigned threads, std::size_t chunks,
                       const std::function<void(std::size_t chunk, unsigned worker)> &work,
                       const std::function<uint64_t(std::size_t chunk)> &units, uint64_t total,
                       const JobProgress &progress);

} // namespace ridge

#endif
