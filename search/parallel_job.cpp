#include "search/parallel_job.h"

#include "ext/ext_status.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <sched.h>
#include <thread>
#include <vector>

namespace ridge {

namespace {

unsigned cores_available()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const int n = CPU_COUNT(&set);
        if (n > 0)
            return static_cast<unsigned>(n);
    }
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? n : 1;
}

constexpr unsigned kMaxThreads = 1024;

// Joins the started workers however the caller leaves.
class Workers {
public:
    ~Workers()
    {
        for (std::thread &t : threads_)
            if (t.joinable())
                t.join();
    }
    void start(std::function<void()> body) { threads_.emplace_back(std::move(body)); }
    void reserve(std::size_t n) { threads_.reserve(n); }

private:
    std::vector<std::thread> threads_;
};

} // namespace

unsigned jobThreads(uint32_t requested, std::size_t chunks)
{
    unsigned n = requested == 0 ? cores_available() : std::min<uint32_t>(requested, kMaxThreads);
    if (chunks < n)
        n = static_cast<unsigned>(chunks);
    return std::max(n, 1u);
}

int32_t runParallelJob(unsigned threads, std::size_t chunks,
                       const std::function<void(std::size_t chunk, unsigned worker)> &work,
                       const std::function<uint64_t(std::size_t chunk)> &units, uint64_t total,
                       const JobProgress &progress)
{
    std::atomic<std::size_t> next{0};
    std::atomic<uint64_t> done{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> cancelled{false};
    std::mutex failure_lock;
    std::exception_ptr failure;

    auto run = [&](unsigned worker) {
        try {
            for (;;) {
                if (stop.load(std::memory_order_relaxed))
                    return;
                const std::size_t chunk = next.fetch_add(1, std::memory_order_relaxed);
                if (chunk >= chunks)
                    return;
                work(chunk, worker);
                done.fetch_add(units(chunk), std::memory_order_relaxed);
                if (worker == 0 && progress.fn != nullptr &&
                    progress.fn(progress.context, done.load(std::memory_order_relaxed), total) != 0) {
                    cancelled.store(true);
                    stop.store(true);
                    return;
                }
            }
        } catch (...) {
            std::lock_guard<std::mutex> hold(failure_lock);
            if (!failure)
                failure = std::current_exception();
            stop.store(true);
        }
    };

    // A first report before any work, so that a caller may stop at once.
    if (progress.fn != nullptr && progress.fn(progress.context, 0, total) != 0)
        return fail(RIDGE_ERR_CANCELLED, "stopped by the progress function before it began");
    {
        Workers workers;
        workers.reserve(threads > 0 ? threads - 1 : 0);
        try {
            for (unsigned w = 1; w < threads; ++w)
                workers.start([&run, w] { run(w); });
        } catch (...) {
            // No thread to spare: stop those started, then fail.
            stop.store(true);
            throw;
        }
        run(0);
        // The calling thread ran out of chunks (or stopped): wait for the rest.
    }
    if (failure)
        std::rethrow_exception(failure);
    if (cancelled.load())
        return fail(RIDGE_ERR_CANCELLED, "stopped by the progress function after %llu of %llu",
                    static_cast<unsigned long long>(done.load()), static_cast<unsigned long long>(total));
    // The job is complete: a last report at 100 %, with nothing left to stop.
    if (progress.fn != nullptr)
        progress.fn(progress.context, total, total);
    return RIDGE_OK;
}

} // namespace ridge
