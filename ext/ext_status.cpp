#include "ext/ext_status.h"

#include "sdk/template_checks.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace ridge {

namespace {

// Per thread, so that one thread's failure never shows in another's
// message. Its storage lives as long as the thread.
std::string &thread_message()
{
    thread_local std::string message;
    return message;
}

} // namespace

int32_t failWith(int32_t status, const std::string &message)
{
    try {
        thread_message() = message;
    } catch (...) {
        thread_message().clear();
    }
    return status;
}

int32_t fail(int32_t status, const char *format, ...)
{
    char text[512];
    std::va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (length < 0)
        text[0] = '\0';
    return failWith(status, text);
}

} // namespace ridge

extern "C" {

RIDGE_API const char *ridge_last_error(void) { return ridge::thread_message().c_str(); }

RIDGE_API const char *ridge_status_name(int32_t status)
{
    switch (status) {
    case FPT_OK: return "FPT_OK";
    case FPT_FAILED: return "FPT_FAILED";
    case FPT_ERR_FMR_FORMAT_ID: return "FPT_ERR_FMR_FORMAT_ID";
    case FPT_ERR_FMR_VERSION: return "FPT_ERR_FMR_VERSION";
    case FPT_ERR_FMR_LENGTH: return "FPT_ERR_FMR_LENGTH";
    case FPT_ERR_FMR_VIEWS: return "FPT_ERR_FMR_VIEWS";
    case FPT_ERR_SIZE: return "FPT_ERR_SIZE";
    case FPT_ERR_FMR_RESOLUTION: return "FPT_ERR_FMR_RESOLUTION";
    case FPT_ERR_QUALITY: return "FPT_ERR_QUALITY";
    case FPT_ERR_IMPRESSION: return "FPT_ERR_IMPRESSION";
    case FPT_ERR_FINGER_POSITION: return "FPT_ERR_FINGER_POSITION";
    case FPT_ERR_FORMAT: return "FPT_ERR_FORMAT";
    case FPT_ERR_OUTPUT_IN_USE: return "FPT_ERR_OUTPUT_IN_USE";
    case RIDGE_ERR_ARGUMENT: return "RIDGE_ERR_ARGUMENT";
    case RIDGE_ERR_NO_MEMORY: return "RIDGE_ERR_NO_MEMORY";
    case RIDGE_ERR_IO: return "RIDGE_ERR_IO";
    case RIDGE_ERR_CORRUPT: return "RIDGE_ERR_CORRUPT";
    case RIDGE_ERR_VERSION: return "RIDGE_ERR_VERSION";
    case RIDGE_ERR_NOT_FOUND: return "RIDGE_ERR_NOT_FOUND";
    case RIDGE_ERR_UNSUPPORTED: return "RIDGE_ERR_UNSUPPORTED";
    case RIDGE_ERR_INTERNAL: return "RIDGE_ERR_INTERNAL";
    case RIDGE_ERR_CANCELLED: return "RIDGE_ERR_CANCELLED";
    default: return "UNKNOWN_STATUS";
    }
}

RIDGE_API const char *ridge_version(void) { return RIDGESDK_VERSION_STRING; }

RIDGE_API void ridge_free(void *block) { std::free(block); }

RIDGE_API int32_t ridge_check_template(const TemplateBuffer *raw)
{
    if (raw == nullptr)
        return ridge::fail(RIDGE_ERR_ARGUMENT, "ridge_check_template: no template given");
    if (raw->format != FPT_FORMAT_RAW)
        return ridge::fail(FPT_ERR_FORMAT, "template is not raw (format tag %d)",
                           static_cast<int>(raw->format));
    if (raw->size > 16u * FPT_MAX_MINUTIAE)
        return ridge::fail(FPT_ERR_SIZE, "template of %u bytes holds more than %d minutiae",
                           static_cast<unsigned>(raw->size), FPT_MAX_MINUTIAE);
    const int count = static_cast<int>(raw->size / sizeof(RawMinutia));
    if (ridge::recordWithoutData(*raw))
        return ridge::fail(RIDGE_ERR_ARGUMENT, "template of %u bytes has no data",
                           static_cast<unsigned>(raw->size));
    const std::string problem = ridge::describeFirstInvalidMinutia(raw->data, count);
    if (!problem.empty())
        return ridge::failWith(FPT_ERR_SIZE, problem);
    return RIDGE_OK;
}

}
