/*
 * ridgeinterop.h - templates and images from other systems.
 *
 * Minutiae records of the interchange standards, both ways, and grey images
 * from PNG, PGM/PPM and BMP files, with resampling to the 500 pixels per
 * inch that the extraction assumes.
 *
 * Status codes, the last-error message and ridge_free() are those of
 * ridgeext.h. Every function below may run on several threads at once.
 *
 * Record formats (the value of TemplateBuffer.format for records these
 * functions hand out, and the format argument of the readers):
 *
 *   RIDGE_FORMAT_ANSI378_2004  ANSI/INCITS 378-2004 finger minutiae record,
 *                              the record FMR378FPT_2_RawFPT reads (tag 2).
 *   RIDGE_FORMAT_ISO2005       ISO/IEC 19794-2:2005 finger minutiae record.
 *   RIDGE_FORMAT_ISO_CARD      ISO/IEC 19794-2:2005 compact card format:
 *                              3 bytes per minutia and nothing else.
 *   RIDGE_FORMAT_ANSI378_2009  ANSI/INCITS 378-2009 finger minutiae record.
 *   RIDGE_FORMAT_ISO2011       ISO/IEC 19794-2:2011 finger minutiae record.
 *
 * How values are converted. A raw template is taken at 500 pixels per
 * inch, which the records state as 197 pixels per centimetre.
 *
 *  - Coordinates, full records: written as they are (x and y must lie in
 *    0..16383, the 14 bits of the field); read as they are when the record
 *    states 197 pixels per centimetre, else scaled to it:
 *    x' = round(x * 197 / resolution_x), and y alike, halves rounded up.
 *    The round trip raw -> record -> raw is exact.
 *  - Coordinates, compact card: units of 0.1 mm, 0..255 (25.5 mm, pixels
 *    0..502 at 500 ppi). Written as round(pixels * 254 / 500); read as
 *    round(units * 500 / 254). The round trip raw -> card -> raw moves a
 *    coordinate by at most 1 pixel (0.05 mm); card -> raw -> card is exact.
 *    A minutia beyond 502 pixels has no card form: the writer refuses it.
 *  - Angles, ISO records (2005 and 2011): units of 360/256 degrees, written
 *    as round(degrees * 256 / 360) modulo 256, read as round(units * 360 /
 *    256), 0..359. Raw -> ISO -> raw is exact only for the angles whose
 *    unit count comes back within half a degree; the worst error is 1
 *    degree. ISO -> raw -> ISO is exact.
 *  - Angles, compact card: 6 bits, units of 360/64 degrees, rounded the
 *    same way; raw -> card -> raw errs by at most 3 degrees (2.8125 from
 *    the unit, the rest from whole degrees); card -> raw -> card is exact.
 *  - Angles, ANSI records (2004 and 2009): units of 2 degrees, the odd
 *    degree dropped on writing (as RawFPT_2_FMR378FPT does; error at most
 *    1 degree), doubled on reading. 360 is written as 180 and read back as
 *    360, as by the nine exports.
 *  - Minutia types: bifurcation (2) is written as binary 10, everything
 *    else as 01 (ridge ending); on reading 10 gives 2 and 00, 01, 11 give 1.
 *    Positions are taken as the records give them: no shift between the
 *    ridge-ending conventions of the standards is applied.
 *  - Minutia quality: written 0 (2004, 2005, 2009: not reported) or 254
 *    (2011: not reported); ignored on reading. The card format has none.
 *
 * Reading checks every length and count against the bytes given before
 * it reads them, and walks the whole record: a record whose views do not
 * end where its length says, that is shorter than its length, or that
 * announces more minutiae or extended data than it holds is refused with
 * RIDGE_ERR_CORRUPT. Extended data blocks are skipped. Bytes after the
 * record's stated length are ignored.
 */
#ifndef RIDGEINTEROP_H
#define RIDGEINTEROP_H

#include "ridgeext.h"

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#define RIDGE_FORMAT_ANSI378_2004 2 /* the same value as FPT_FORMAT_FMR378 */
#define RIDGE_FORMAT_ISO2005      10
#define RIDGE_FORMAT_ISO_CARD     11
#define RIDGE_FORMAT_ANSI378_2009 12
#define RIDGE_FORMAT_ISO2011      13

/* Header values of one finger view. The writers take them from here; the
 * readers fill them in for the view they read. */
typedef struct ridge_record_info {
    int32_t image_width;     /* pixels at 500 ppi, 0..65535 */
    int32_t image_height;    /* pixels at 500 ppi, 0..65535 */
    int32_t finger_position; /* 0..10 (0 unknown) */
    int32_t impression_type; /* 0, 1, 2, 3, 8 or 9 */
    int32_t finger_quality;  /* 0..100 */
    int32_t view_number;     /* 0..15 */
    /* Filled on reading; ignored on writing: */
    int32_t view_count;          /* finger views in the record */
    int32_t record_resolution_x; /* as the record states it, pixels per cm */
    int32_t record_resolution_y;
} ridge_record_info;

/* Writes a raw template (format tag 0, at most 128 minutiae, each valid as
 * ridge_check_template says) as a record of the given format with one
 * finger view, at 197 pixels per centimetre, without extended data. info
 * may be NULL (all values 0); the card format carries none of them.
 * On success *record (whose data must be NULL, else FPT_ERR_OUTPUT_IN_USE)
 * receives a block released with ridge_free, its size and the format as
 * its tag. Refusals: FPT_ERR_FORMAT (input tag), FPT_ERR_SIZE (too many
 * minutiae, or a minutia out of range for the format), FPT_ERR_QUALITY,
 * FPT_ERR_FINGER_POSITION, FPT_ERR_IMPRESSION, RIDGE_ERR_ARGUMENT (image
 * size or view number out of range, NULL pointers), RIDGE_ERR_UNSUPPORTED
 * (unknown format). For RIDGE_FORMAT_ANSI378_2004 the bytes are those that
 * RawFPT_2_FMR378FPT writes for the same values. */
RIDGE_API int32_t ridge_record_write(const TemplateBuffer *raw, int32_t format,
                                     const ridge_record_info *info, TemplateBuffer *record);

/* Reads finger view `view` (0 the first) of the record in bytes[0..size)
 * of the given format into a raw template at 500 ppi (see above).
 * On success *raw (whose data must be NULL, else FPT_ERR_OUTPUT_IN_USE)
 * receives a block released with ridge_free, size 16 per minutia and
 * format tag 0; *info, when not NULL, the view's header values (image size
 * scaled like the coordinates). Refusals: FPT_ERR_FMR_FORMAT_ID,
 * FPT_ERR_FMR_VERSION (identifier or version of another format),
 * RIDGE_ERR_CORRUPT (lengths or counts that do not fit, an ANSI angle above
 * 180), FPT_ERR_FMR_RESOLUTION (a resolution of 0), FPT_ERR_SIZE (more than
 * 128 minutiae in the view, or a coordinate beyond 16383 once scaled),
 * RIDGE_ERR_NOT_FOUND (no such view), RIDGE_ERR_ARGUMENT,
 * RIDGE_ERR_UNSUPPORTED (unknown format). The card format has one view. */
RIDGE_API int32_t ridge_record_read(const unsigned char *bytes, size_t size, int32_t format,
                                    int32_t view, TemplateBuffer *raw, ridge_record_info *info);

/* Guesses the format of a record from its bytes: the identifier and
 * version, then whichever of the formats they allow reads as a whole
 * record (a 2004 ANSI record and a 2005 ISO record share both; so do the
 * 2009 ANSI and 2011 ISO records). The card format, which has no header,
 * is never guessed. On success *format receives the format;
 * RIDGE_ERR_UNSUPPORTED when no format fits. */
RIDGE_API int32_t ridge_record_detect(const unsigned char *bytes, size_t size, int32_t *format);

/* Name of a record format ("iso2005", ...), or NULL for an unknown value.
 * Static text. */
RIDGE_API const char *ridge_record_format_name(int32_t format);

/* A grey image: width * height bytes, top row first, rows without gaps,
 * as generateRawFPT takes it. */
typedef struct ridge_image {
    int32_t width;
    int32_t height;
    unsigned char *pixels; /* released with ridge_free (or ridge_image_release) */
    double ppi;            /* resolution the file states, pixels per inch; 0 when none */
} ridge_image;

/* Resolutions a fingerprint scan may state, pixels per inch. */
#define RIDGE_SCAN_PPI_MIN 250
#define RIDGE_SCAN_PPI_MAX 2000

/* Largest image the readers and the resampler hand out: each side at most
 * 16384 pixels, and at most 2^25 pixels in all. Decoding a PNG takes 4
 * bytes per pixel for the while. */
#define RIDGE_IMAGE_MAX_SIDE   16384
#define RIDGE_IMAGE_MAX_PIXELS (1 << 25)

/* Decodes an image file held in memory: PNG (any colour type and bit
 * depth, through libpng), binary or text PGM (P5, P2) and PPM (P6, P3) of
 * any maximum value, and 8-bit BMP. Colour and 16-bit files become 8-bit
 * grey by this rule: samples are scaled to 0..255 (v * 255 / maxval,
 * rounded; PNG values as libpng delivers them, sRGB-encoded), grey =
 * (299 R + 587 G + 114 B + 500) / 1000 on the encoded values, and a pixel
 * with alpha is laid over white: grey' = (grey * a + 255 * (255 - a) +
 * 127) / 255. ppi comes from a PNG pHYs chunk in metres or a BMP's pixels
 * per metre (x direction) when it lies within RIDGE_SCAN_PPI_MIN..MAX,
 * else it is 0: image editors often state 72 or 96 ppi of a picture they
 * did not scan, and resampling by that would ruin a fingerprint (300 and
 * 600, scanners' defaults, do pass). *image must hold no pixels (else
 * FPT_ERR_OUTPUT_IN_USE); on success it receives the image. Refusals:
 * RIDGE_ERR_UNSUPPORTED (another kind of file, or an image beyond the
 * bounds above), RIDGE_ERR_CORRUPT (a damaged or truncated file),
 * RIDGE_ERR_ARGUMENT. */
RIDGE_API int32_t ridge_image_decode(const unsigned char *bytes, size_t size, ridge_image *image);

/* Reads the file at path and decodes it as ridge_image_decode does;
 * RIDGE_ERR_IO when it cannot be read. */
RIDGE_API int32_t ridge_image_read(const char *path, ridge_image *image);

/* Resamples in, taken at from_ppi pixels per inch (50..5000), to 500 ppi
 * into *out (which must hold no pixels; FPT_ERR_OUTPUT_IN_USE otherwise).
 * The new size is round(side * 500 / from_ppi), at least 1. Filter: a
 * separable triangle (linear) kernel on pixel centres, widened by the
 * reduction factor when the image shrinks so that every input pixel
 * contributes (area-weighted), borders repeated; weights in fixed point,
 * so the result is the same on every machine. Values stay within those of
 * the input. A from_ppi within 0.5 of 500 copies the image unchanged.
 * out->ppi is 500. */
RIDGE_API int32_t ridge_image_resample(const ridge_image *in, double from_ppi, ridge_image *out);

/* Releases the pixels of an image and sets it to zeros; NULL is ignored. */
RIDGE_API void ridge_image_release(ridge_image *image);

#ifdef __cplusplus
}
#endif

#endif /* RIDGEINTEROP_H */
