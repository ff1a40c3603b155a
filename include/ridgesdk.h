/*
 * ridgesdk.h - public interface of the fingerprint SDK.
 *
 * The SDK turns 8-bit grey fingerprint images into minutiae templates,
 * rates image quality, converts templates between the raw, packed and
 * FMR378 encodings, and matches two raw templates to a similarity score.
 *
 * Ownership rules (read these before calling anything):
 *  - Templates cross the boundary in TemplateBuffer records owned by the
 *    caller, usually local variables.
 *  - An output record must arrive empty: set its data to NULL first. An
 *    export that finds a non-NULL data returns FPT_ERR_OUTPUT_IN_USE and
 *    changes nothing.
 *  - Every block an export stores in an output record belongs to the caller
 *    and is released exactly once with free_FPAPI_mem(), never with the
 *    caller's own free().
 *  - Input records, their blocks and images are only read.
 *  - The text returned by Copyright() is static; never release it.
 *
 * No export throws or allocates anything that outlives the call except its
 * output block and matchRawFPTs' working storage (below). There is no
 * initialisation or closing call.
 *
 * Missing arguments: every export first tests its pointer arguments. A
 * NULL record, image or output pointer, or an input record whose data is
 * NULL while its size is not 0, gives FPT_FAILED before any other check,
 * and nothing is written (not even the score, quality or empty template
 * that the failures below describe). free_FPAPI_mem ignores NULL.
 *
 * Threads: every export may run on several threads at once. matchRawFPTs
 * keeps its working storage per thread (about 130 KB from a thread's first
 * comparison until the thread ends), including the descriptions of the
 * last few templates the thread compared, so that one template compared
 * against many others is described once; the scores never depend on it.
 * All other exports keep their working data per call.
 */
#ifndef RIDGESDK_H
#define RIDGESDK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#  if defined(RIDGESDK_BUILD)
#    define RIDGESDK_API __declspec(dllexport)
#  else
#    define RIDGESDK_API
#  endif
#  define RIDGESDK_CALL __cdecl
#else
#  if defined(RIDGESDK_BUILD)
#    define RIDGESDK_API __attribute__((visibility("default")))
#  else
#    define RIDGESDK_API
#  endif
#  define RIDGESDK_CALL
#endif

/* Carries one template across the boundary. */
typedef struct TemplateBuffer {
    unsigned char *data; /* first byte of the template, NULL when empty */
    uint32_t size;       /* number of bytes at data */
    int32_t format;      /* one of the TemplateFormat values */
} TemplateBuffer;

/* Values of TemplateBuffer.format. */
typedef enum TemplateFormat {
    FPT_FORMAT_RAW = 0,    /* size / 16 RawMinutia records */
    FPT_FORMAT_PACKED = 1, /* one 32-bit word per minutia */
    FPT_FORMAT_FMR378 = 2  /* ANSI/INCITS 378-2004 finger minutiae record */
} TemplateFormat;

/* Results of the exports (signed 32-bit). */
typedef int32_t SdkStatus;
#define FPT_OK                   1
#define FPT_FAILED              (-1)  /* extraction or quality computation failed */
#define FPT_ERR_FMR_FORMAT_ID   (-7)  /* record does not start with "FMR\0" */
#define FPT_ERR_FMR_VERSION     (-8)  /* version field is not " 20\0" */
#define FPT_ERR_FMR_LENGTH      (-9)  /* record length outside 1..4500, or buffer too short */
#define FPT_ERR_FMR_VIEWS       (-10) /* more than one finger view */
#define FPT_ERR_SIZE            (-11) /* an input exceeds its size bound */
#define FPT_ERR_FMR_RESOLUTION  (-12) /* resolution is not 197 pixels per cm */
#define FPT_ERR_QUALITY         (-13) /* finger quality above 100 */
#define FPT_ERR_IMPRESSION      (-14) /* impression type not 0,1,2,3,8,9 */
#define FPT_ERR_FINGER_POSITION (-15) /* finger position above 10 */
#define FPT_ERR_FORMAT          (-16) /* input record has the wrong format tag */
#define FPT_ERR_OUTPUT_IN_USE   (-17) /* output record's data is not NULL */

/* One minutia of a raw template: 16 bytes, little-endian when stored. */
typedef struct RawMinutia {
    int32_t type;  /* FPT_MINUTIA_RIDGE_ENDING or FPT_MINUTIA_BIFURCATION */
    int32_t x;     /* column, 0 at the left edge */
    int32_t y;     /* row, 0 at the top edge */
    int32_t angle; /* whole degrees counter-clockwise from +x; 90 points up */
} RawMinutia;

#define FPT_MINUTIA_RIDGE_ENDING 1
#define FPT_MINUTIA_BIFURCATION  2
#define FPT_MAX_MINUTIAE         128

/* Grey image: width*height bytes, top row first, rows without gaps,
 * ridges darker than valleys, 500 pixels per inch assumed. */

/* Extracts at most 128 minutiae, sorted by y then x. On FPT_FAILED the
 * output still holds an empty raw template (size 0) to pass to
 * free_FPAPI_mem, except when image or rawTemplate is NULL: that
 * FPT_FAILED comes before the other checks and writes nothing. */
RIDGESDK_API SdkStatus RIDGESDK_CALL generateRawFPT(const unsigned char *image, int32_t width,
                                                    int32_t height, TemplateBuffer *rawTemplate);

/* Quality figure (0 or 25..100) and the usable area in pixels. On
 * FPT_FAILED *quality is 0 and *qualityArea is left as it was; when image,
 * quality or qualityArea is NULL, FPT_FAILED writes nothing. */
RIDGESDK_API SdkStatus RIDGESDK_CALL getFpImgQuality(const unsigned char *image, int32_t width,
                                                     int32_t height, double *quality,
                                                     int32_t *qualityArea);

/* Similarity score of two raw templates (0 when either is empty). Checks,
 * in this order: first, second or score NULL, or a template whose data is
 * NULL with a non-zero size: FPT_FAILED, *score untouched; a format tag
 * not raw: FPT_ERR_FORMAT; a size above 2048: FPT_ERR_SIZE; a minutia
 * with an angle outside 0..360 or an x or y outside 0..16383 (no
 * extraction or conversion makes one): FPT_ERR_SIZE. On FPT_ERR_FORMAT
 * and FPT_ERR_SIZE *score is 0. A template of at most
 * eight minutiae prints a trace line on standard output, and one of fewer
 * than eight is topped up with random minutiae for the comparison. Safe on
 * several threads at once (see above). */
/* Scores of 0 to about 130; see README for thresholds (FVC2002 DB1-3, FMR 0.1%: 28.7, 20.9, 28.1). */
RIDGESDK_API SdkStatus RIDGESDK_CALL matchRawFPTs(const TemplateBuffer *first,
                                                  const TemplateBuffer *second, double *score);

/* Converters. Each returns the code of the first check that fails and then
 * leaves its output record as it was; when allocating the output block
 * fails it returns FPT_FAILED, again with the output untouched. The first
 * check of each: either record pointer NULL, or an input record whose data
 * is NULL with a non-zero size, gives FPT_FAILED.
 *
 * Raw to packed: checks (after the NULL test) output in use, raw format
 * tag, size above 2048.
 * Every field must fit its bits (type 0..3, x and y 0..1023, angle
 * 0..511), else FPT_ERR_SIZE: a template of an image wider or taller than
 * 1024 pixels has no packed form. */
RIDGESDK_API SdkStatus RIDGESDK_CALL RawFPT_2_PackedFTP(const TemplateBuffer *raw,
                                                        TemplateBuffer *packed);
/* Packed to raw: checks (after the NULL test) output in use, packed format
 * tag, size above 512. */
RIDGESDK_API SdkStatus RIDGESDK_CALL PackedFTP_2_RawFPT(const TemplateBuffer *packed,
                                                        TemplateBuffer *raw);
/* Raw to FMR378: checks (after the NULL test) raw format tag, size / 16
 * above 128, output in use, quality above 100, finger position above 10, impression type not one of
 * 0, 1, 2, 3, 8, 9. Height comes before width. Only the low 8 bits of the
 * three header values and the low 16 bits of the two sizes are used. */
RIDGESDK_API SdkStatus RIDGESDK_CALL RawFPT_2_FMR378FPT(const TemplateBuffer *raw,
                                                        int32_t fingerQuality,
                                                        int32_t fingerPosition,
                                                        int32_t impressionType,
                                                        int32_t imageHeight, int32_t imageWidth,
                                                        TemplateBuffer *record);
/* FMR378 to raw: checks (after the NULL test) output in use, then the
 * header in byte order
 * (identifier, version, record length, resolutions, views, minutiae count).
 * The input's format tag is not looked at. A buffer shorter than the
 * 30-byte header, or than 30 + 6 bytes per announced minutia, gives
 * FPT_ERR_FMR_LENGTH. */
RIDGESDK_API SdkStatus RIDGESDK_CALL FMR378FPT_2_RawFPT(const TemplateBuffer *record,
                                                        TemplateBuffer *raw);

/* Releases a block that an export stored in an output record; NULL is ignored. */
RIDGESDK_API void RIDGESDK_CALL free_FPAPI_mem(void *block);

/* Static banner text naming the SDK and its revision; same pointer every call. */
RIDGESDK_API const char *RIDGESDK_CALL Copyright(void);

#ifdef __cplusplus
}
#endif

#endif /* RIDGESDK_H */
