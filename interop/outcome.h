// What the record and image decoders report: a status and, when it is not
// RIDGE_OK, a one-line reason (handed on as the last-error message).
#ifndef RIDGESDK_INTEROP_OUTCOME_H
#define RIDGESDK_INTEROP_OUTCOME_H

#include "ridgeext.h"

#include <cstdint>
#include <string>

namespace ridge {
namespace interop {

struct Outcome {
    std::int32_t status = RIDGE_OK;
    std::string message;
    bool ok() const { return status == RIDGE_OK; }
};

// A failure with its reason formatted as printf does (at most 255 bytes).
#if defined(__GNUC__) || defined(__clang__)
__attribute__((format(printf, 2, 3)))
#endif
Outcome refuse(std::int32_t status, const char *format, ...);

} // namespace interop
} // namespace ridge

#endif
