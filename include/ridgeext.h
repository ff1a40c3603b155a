/*
 * ridgeext.h - shared pieces of the SDK's extension interface.
 *
 * Beside the nine functions of ridgesdk.h, the library offers extensions
 * (identification in ridgesearch.h, and the headers that include this one).
 * Every extension function is named ridge_*, has C linkage, never throws,
 * and reports in the same style as the nine:
 *
 *  - It returns an int32_t status: RIDGE_OK (1, the same value as FPT_OK)
 *    on success, otherwise one of the FPT_* codes of ridgesdk.h where one
 *    fits (FPT_ERR_SIZE for a template that exceeds its bounds, for
 *    example) or one of the RIDGE_ERR_* codes below. No status is 0.
 *  - When it fails, ridge_last_error() on the same thread returns a
 *    one-line message that says why (it names the file, the entry, the
 *    minutia...). A successful call leaves the message as it was.
 *  - Blocks it hands out are released with ridge_free(); objects it creates
 *    have a matching close function. Which applies is written next to each
 *    function.
 *  - Output arguments are written on success only, unless the function says
 *    otherwise.
 *
 * Diagnostics: the detector prints a line on standard error when it fails
 * and the matcher prints a trace line on standard output for a template of
 * eight minutiae or fewer, through the nine exports and the extensions
 * alike. A service may send them to a handler of its own, or drop them,
 * with ridge_set_diagnostic_handler().
 */
#ifndef RIDGEEXT_H
#define RIDGEEXT_H

#include "ridgesdk.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if !defined(_WIN32) && defined(RIDGESDK_BUILD)
#  define RIDGE_API __attribute__((visibility("default")))
#else
#  define RIDGE_API
#endif

/* Status codes of the extension functions, besides the FPT_* codes. */
#define RIDGE_OK               FPT_OK
#define RIDGE_ERR_ARGUMENT     (-100) /* a NULL pointer or an argument out of its range */
#define RIDGE_ERR_NO_MEMORY    (-101) /* an allocation failed; nothing was changed */
#define RIDGE_ERR_IO           (-102) /* a file could not be opened, read, written or replaced */
#define RIDGE_ERR_CORRUPT      (-103) /* a file or record is truncated, damaged or inconsistent */
#define RIDGE_ERR_VERSION      (-104) /* a file of a version this library does not read */
#define RIDGE_ERR_NOT_FOUND    (-105) /* no entry has that identifier */
#define RIDGE_ERR_UNSUPPORTED  (-106) /* a kind of image or record this library does not read */
#define RIDGE_ERR_INTERNAL     (-107) /* an unexpected failure inside the library */
#define RIDGE_ERR_CANCELLED    (-108) /* a progress callback asked the job to stop */

/* Message of the last failed ridge_* call of the calling thread; "" when
 * none failed yet. Static to the thread: valid until its next failing
 * ridge_* call; never release it. */
RIDGE_API const char *ridge_last_error(void);

/* Name of a status code ("FPT_ERR_SIZE", "RIDGE_ERR_IO", ...), or
 * "UNKNOWN_STATUS". Static text; never release it. */
RIDGE_API const char *ridge_status_name(int32_t status);

/* Version of the library, "major.minor.revision". Static text. */
RIDGE_API const char *ridge_version(void);

/* Releases a block that a ridge_* function handed out; NULL is ignored. */
RIDGE_API void ridge_free(void *block);

/* Checks that a raw template can be compared: format tag 0, at most 128
 * minutiae, every angle within 0..360 and every x and y within 0..16383
 * (the largest coordinate an FMR378 record can carry). Returns RIDGE_OK,
 * or FPT_ERR_FORMAT / FPT_ERR_SIZE with a message naming the first bad
 * minutia. matchRawFPTs refuses the same templates with FPT_ERR_SIZE. */
RIDGE_API int32_t ridge_check_template(const TemplateBuffer *raw);

/* Kinds of diagnostics handed to a handler. */
#define RIDGE_DIAGNOSTIC_ERROR 1 /* detector failure lines; printed on standard error by default */
#define RIDGE_DIAGNOSTIC_TRACE 2 /* matcher trace lines; printed on standard output by default */

/* Receives one whole diagnostic (its newlines included). It may be called
 * from any thread that runs an SDK function, several at once, and must not
 * keep the text after it returns. */
typedef void (*ridge_diagnostic_fn)(void *context, int32_t kind, const char *text);

/* Sends every diagnostic of the process to handler (with context) from now
 * on; NULL restores printing. Pass ridge_diagnostic_drop to silence the
 * SDK. A diagnostic that another thread is emitting while the handler
 * changes may still reach the previous one. */
RIDGE_API void ridge_set_diagnostic_handler(ridge_diagnostic_fn handler, void *context);

/* A handler that drops every diagnostic. */
RIDGE_API void ridge_diagnostic_drop(void *context, int32_t kind, const char *text);

#ifdef __cplusplus
}
#endif

#endif /* RIDGEEXT_H */
