#include "interop/outcome.h"

#include <cstdarg>
#include <cstdio>

namespace ridge {
namespace interop {

Outcome refuse(std::int32_t status, const char *format, ...)
{
    char text[256];
    std::va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return Outcome{status, length < 0 ? std::string() : std::string(text)};
}

} // namespace interop
} // namespace ridge
