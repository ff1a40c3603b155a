#include "sdk/diagnostics.h"

#include "ridgeext.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

namespace ridge {

namespace {

// The handler and its context change together, so they are read and
// written under a lock (diagnostics are rare: failures, templates of eight
// minutiae or fewer); the handler itself is called outside it, so it may
// call the SDK. The flag spares the lock while no handler is installed.
struct Handler {
    ridge_diagnostic_fn fn = nullptr;
    void *context = nullptr;
};

std::mutex &handler_lock()
{
    static std::mutex lock;
    return lock;
}

Handler &installed_handler()
{
    static Handler handler;
    return handler;
}

std::atomic<bool> &handler_installed()
{
    static std::atomic<bool> installed{false};
    return installed;
}

} // namespace

void diagnostic(DiagnosticKind kind, const char *format, ...)
{
    std::va_list args;
    if (!handler_installed().load(std::memory_order_acquire)) {
        va_start(args, format);
        std::vfprintf(kind == DiagnosticKind::Error ? stderr : stdout, format, args);
        va_end(args);
        return;
    }

    char small[256];
    va_start(args, format);
    const int length = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (length < 0)
        return;
    std::string text;
    if (static_cast<std::size_t>(length) < sizeof small) {
        text.assign(small, static_cast<std::size_t>(length));
    } else {
        text.resize(static_cast<std::size_t>(length) + 1);
        va_start(args, format);
        std::vsnprintf(&text[0], text.size(), format, args);
        va_end(args);
        text.resize(static_cast<std::size_t>(length));
    }

    Handler h;
    {
        std::lock_guard<std::mutex> hold(handler_lock());
        h = installed_handler();
    }
    if (h.fn != nullptr) {
        h.fn(h.context, static_cast<int32_t>(kind), text.c_str());
        return;
    }
    std::fputs(text.c_str(), kind == DiagnosticKind::Error ? stderr : stdout);
}

} // namespace ridge

extern "C" {

RIDGE_API void ridge_set_diagnostic_handler(ridge_diagnostic_fn handler, void *context)
{
    std::lock_guard<std::mutex> hold(ridge::handler_lock());
    ridge::installed_handler().fn = handler;
    ridge::installed_handler().context = context;
    ridge::handler_installed().store(handler != nullptr, std::memory_order_release);
}

RIDGE_API void ridge_diagnostic_drop(void *context, int32_t kind, const char *text)
{
    (void)context;
    (void)kind;
    (void)text;
}

}
