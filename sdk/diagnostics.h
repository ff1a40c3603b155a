// The SDK's console diagnostics: the detector's "ERROR : routine : what"
// lines (standard error) and the matcher's trace lines for small templates
// (standard output). By default they are printed as they always were; a
// caller of the extension interface may send them to a handler of its own
// or drop them (ridge_set_diagnostic_handler in ridgeext.h).
#ifndef RIDGESDK_SDK_DIAGNOSTICS_H
#define RIDGESDK_SDK_DIAGNOSTICS_H

namespace ridge {

enum class DiagnosticKind {
    Error = 1, // detector failures; printed on standard error
    Trace = 2  // matcher trace lines; printed on standard output
};

// Formats one diagnostic with printf rules and hands it on whole: to the
// installed handler, or printed on the kind's stream.
#if defined(__GNUC__) || defined(__clang__)
__attribute__((format(printf, 2, 3)))
#endif
void diagnostic(DiagnosticKind kind, const char *format, ...);

} // namespace ridge

#endif
