/*
 * ridgesearch.h - identification: search a probe template against a
 * gallery of enrolled templates, and find the pairs of entries that match
 * each other (de-duplication).
 *
 * Every score is exactly the value matchRawFPTs(probe, entry) returns (for
 * de-duplication, matchRawFPTs(earlier entry, later entry)), whatever the
 * number of threads.
 *
 * Status codes, the last-error message and ridge_free() are those of
 * ridgeext.h.
 *
 * Threads: any number of threads may search one gallery at once; adding,
 * removing and loading wait for the searches under way and are waited for
 * in turn (a waiting writer goes before searches that arrive after it). A
 * gallery is closed once, when no other call uses it.
 *
 * Diagnostics: every comparison of a search, de-duplication or cross emits
 * the matcher's trace lines for a template of eight minutiae or fewer, as
 * matchRawFPTs would, from the thread that runs it (in no fixed order
 * across threads); ridge_set_diagnostic_handler() routes or drops them.
 */
#ifndef RIDGESEARCH_H
#define RIDGESEARCH_H

#include "ridgeext.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A gallery: entries of (identifier, raw template), in insertion order. */
typedef struct ridge_gallery ridge_gallery;

/* Identifiers are 1 to RIDGE_MAX_IDENTIFIER bytes, with no byte below 32
 * (no tab, newline or NUL), compared byte for byte. */
#define RIDGE_MAX_IDENTIFIER 255

/* Creates an empty gallery in *gallery. Release it with
 * ridge_gallery_close. */
RIDGE_API int32_t ridge_gallery_create(ridge_gallery **gallery);

/* Reads a gallery file written by ridge_gallery_save into a new gallery in
 * *gallery; release it with ridge_gallery_close. A missing, truncated,
 * damaged or wrong-version file gives RIDGE_ERR_IO, RIDGE_ERR_CORRUPT or
 * RIDGE_ERR_VERSION and no gallery: a file is loaded whole or not at all.
 * The file holds the templates only; their descriptions for the searches
 * are made again on every core as the file loads. */
RIDGE_API int32_t ridge_gallery_load(const char *path, ridge_gallery **gallery);

/* Writes the gallery to path atomically: a new file beside it, flushed to
 * disk, then renamed over path. On failure the previous file at path is
 * left as it was. */
RIDGE_API int32_t ridge_gallery_save(ridge_gallery *gallery, const char *path);

/* Releases a gallery and everything it holds; NULL is ignored. */
RIDGE_API void ridge_gallery_close(ridge_gallery *gallery);

/* Adds an entry, or replaces the entry with the same identifier (which
 * then keeps its place in the insertion order; *replaced, when not NULL,
 * receives 1, else 0). The template is copied, and described for the
 * searches (before the gallery is locked). An identifier outside the
 * rule above gives RIDGE_ERR_ARGUMENT. A template that
 * ridge_check_template refuses is refused with the same status and its
 * message after the identifier ("ID: minutia 3 (...): angle outside
 * 0..360"). */
RIDGE_API int32_t ridge_gallery_add(ridge_gallery *gallery, const char *identifier,
                                    const TemplateBuffer *raw, int32_t *replaced);

/* Removes the entry with that identifier; RIDGE_ERR_NOT_FOUND when none. */
RIDGE_API int32_t ridge_gallery_remove(ridge_gallery *gallery, const char *identifier);

/* Number of entries in *count. */
RIDGE_API int32_t ridge_gallery_count(ridge_gallery *gallery, uint64_t *count);

/* Memory the gallery holds, in bytes, in *bytes. */
RIDGE_API int32_t ridge_gallery_memory(ridge_gallery *gallery, uint64_t *bytes);

/* The entry at position index of the insertion order: *identifier receives
 * a copy of its identifier (release with ridge_free) and *raw a copy of its
 * raw template (raw->data must be NULL on entry, else FPT_ERR_OUTPUT_IN_USE;
 * release with ridge_free; an empty template comes back with data NULL and
 * size 0). Either output may be NULL when not wanted. An index past the
 * last entry gives RIDGE_ERR_NOT_FOUND. */
RIDGE_API int32_t ridge_gallery_entry(ridge_gallery *gallery, uint64_t index, char **identifier,
                                      TemplateBuffer *raw);

/* One result of a search. */
typedef struct ridge_match {
    const char *identifier; /* points into the result block */
    double score;
    uint64_t index;         /* the entry's position in the insertion order */
} ridge_match;

/* One pair found by de-duplication. */
typedef struct ridge_pair {
    const char *first;  /* the earlier entry in insertion order */
    const char *second; /* the later entry */
    double score;       /* matchRawFPTs(first, second) */
    uint64_t first_index;
    uint64_t second_index;
} ridge_pair;

/* Progress of a long job: done of total units (entries compared for a
 * search, pairs for de-duplication and cross). Called from the calling
 * thread only: once with done 0 before any work, after each piece of work
 * that thread did itself, and once with done == total at the end.
 * Returning non-zero (before the end) stops the job, which then fails with
 * RIDGE_ERR_CANCELLED and writes no output. */
typedef int (*ridge_progress_fn)(void *context, uint64_t done, uint64_t total);

/* Compares probe with every entry on threads threads (0: one per core) and
 * returns the best top entries (top 0: all of them) with a score at or
 * above min_score (0 keeps every score; NaN is refused), best first, equal
 * scores in insertion order. *matches receives one block holding the
 * *count results and their identifiers, released with ridge_free; with no
 * result, *matches is NULL and *count 0. progress may be NULL. A probe that
 * ridge_check_template refuses is refused with its status and message
 * after "probe: "; an empty probe scores 0 against every entry. */
RIDGE_API int32_t ridge_gallery_search(ridge_gallery *gallery, const TemplateBuffer *probe,
                                       uint32_t top, double min_score, uint32_t threads,
                                       ridge_progress_fn progress, void *progress_context,
                                       ridge_match **matches, uint64_t *count);

/* Compares every entry with every later entry (each unordered pair once,
 * scored as matchRawFPTs(earlier, later)) and returns the pairs scoring at
 * or above min_score, ordered by first_index then second_index. *pairs
 * receives one block holding the *count pairs and their identifiers,
 * released with ridge_free; with no pair, *pairs is NULL and *count 0. */
RIDGE_API int32_t ridge_gallery_dedup(ridge_gallery *gallery, double min_score, uint32_t threads,
                                      ridge_progress_fn progress, void *progress_context,
                                      ridge_pair **pairs, uint64_t *count);

/* Compares every entry of first with every entry of second, scored as
 * matchRawFPTs(entry of first, entry of second), and returns the pairs
 * scoring at or above min_score, ordered by first_index then second_index
 * (first_index counts in first, second_index in second). The pieces of a
 * de-duplication split over several galleries. Same block rules as
 * ridge_gallery_dedup. first and second may be the same gallery. */
RIDGE_API int32_t ridge_gallery_cross(ridge_gallery *first, ridge_gallery *second,
                                      double min_score, uint32_t threads,
                                      ridge_progress_fn progress, void *progress_context,
                                      ridge_pair **pairs, uint64_t *count);

#ifdef __cplusplus
}
#endif

#endif /* RIDGESEARCH_H */
