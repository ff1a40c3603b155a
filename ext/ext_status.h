// Plumbing shared by the ridge_* extension functions: the calling thread's
// last-error message, and the guard that keeps exceptions inside the
// library.
#ifndef RIDGESDK_EXT_EXT_STATUS_H
#define RIDGESDK_EXT_EXT_STATUS_H

#include "ridgeext.h"

#include <cstdint>
#include <exception>
#include <new>
#include <string>

namespace ridge {

// Records why the current call fails and returns status, so that a failure
// reads `return fail(RIDGE_ERR_IO, "cannot open %s", path);`.
#if defined(__GNUC__) || defined(__clang__)
__attribute__((format(printf, 2, 3)))
#endif
int32_t fail(int32_t status, const char *format, ...);

// The same with a message already built.
int32_t failWith(int32_t status, const std::string &message);

// Runs body (returning a status) and turns any exception that escapes it
// into a status with a message: the C boundary never sees one.
template <class Body> int32_t guarded(const char *function, Body &&body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc &) {
        return fail(RIDGE_ERR_NO_MEMORY, "%s: out of memory", function);
    } catch (const std::exception &e) {
        return fail(RIDGE_ERR_INTERNAL, "%s: %s", function, e.what());
    } catch (...) {
        return fail(RIDGE_ERR_INTERNAL, "%s: unexpected failure", function);
    }
}

} // namespace ridge

#endif
