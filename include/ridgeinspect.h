/*
 * ridgeinspect.h - what the extraction saw, and pictures of it.
 *
 * ridge_inspect() runs the extraction of generateRawFPT once (the very same
 * pipeline; its template is byte for byte generateRawFPT's) and keeps what
 * the stages produced on the way: the block maps, the block quality map,
 * the binary image and every minutia that had a reliability, with what
 * became of it. ridge_match_pairs() tells which minutiae the matcher paired
 * in its best alignment of two templates, with matchRawFPTs's score.
 * ridge_render() and ridge_render_pair() draw all this over the grey
 * image as RGB pictures, which ridge_picture_write_png() writes as PNG.
 *
 * Status codes, the last-error message and ridge_free() are those of
 * ridgeext.h. An inspection is read-only once made: several threads may
 * read and draw one inspection at once, and inspections of different
 * images may be made at the same time.
 *
 * Geometry: pixels with x the column from the left and y the row from the
 * top, as in RawMinutia. Block maps have one cell per 8 x 8 pixel block,
 * blocks_wide x blocks_high cells, row-major; the block of pixel (x, y) is
 * cell (y / 8) * blocks_wide + x / 8.
 */
#ifndef RIDGEINSPECT_H
#define RIDGEINSPECT_H

#include "ridgeext.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Everything one extraction produced; made by ridge_inspect, released with
 * ridge_inspection_close. */
typedef struct ridge_inspection ridge_inspection;

/* Block maps. */
#define RIDGE_MAP_DIRECTION    1 /* ridge flow direction 0..15 (11.25 degrees each, 0 along the
                                    columns, turning clockwise), -1 where there is none */
#define RIDGE_MAP_LOW_CONTRAST 2 /* 1 for a block too flat to analyse, else 0 */
#define RIDGE_MAP_LOW_FLOW     3 /* 1 for a block without a clear direction, else 0 */
#define RIDGE_MAP_HIGH_CURVE   4 /* 1 for a block of strongly curved ridges, else 0 */
#define RIDGE_MAP_QUALITY      5 /* block quality 0 (none) .. 4 (best) */
#define RIDGE_MAP_BLOCK_SIZE   8 /* pixels per block side */

/* What became of a minutia that the detector kept. */
#define RIDGE_CANDIDATE_KEPT      1 /* it is in the template */
#define RIDGE_CANDIDATE_NEAR_VOID 2 /* a ridge ending in or just in front of a block of quality 0 */
#define RIDGE_CANDIDATE_OPEN_SIDE 3 /* a ridge ending that too few ridges enclose */
#define RIDGE_CANDIDATE_OVER_CAP  4 /* beyond the 128 most reliable */

/* A minutia as the detector handed it over, with its reliability. */
typedef struct ridge_candidate {
    int32_t x, y;           /* feature pixel */
    int32_t direction;      /* detector direction 0..31, 11.25 degrees each, 0 towards the top,
                               turning clockwise */
    int32_t type;           /* FPT_MINUTIA_RIDGE_ENDING (1) or FPT_MINUTIA_BIFURCATION (2) */
    float reliability;      /* 0.01 .. 0.99 */
    int32_t fate;           /* RIDGE_CANDIDATE_* */
    int32_t template_index; /* position in the template when kept, else -1 */
} ridge_candidate;

/* Extracts the template of a grey image (width * height bytes, top row
 * first, as generateRawFPT takes it) and keeps what the extraction
 * produced. On success *inspection receives a new inspection. Refusals:
 * RIDGE_ERR_ARGUMENT (NULL pointers, a side of 0 or less), FPT_FAILED (the
 * extraction failed, where generateRawFPT returns FPT_FAILED),
 * RIDGE_ERR_NO_MEMORY. */
RIDGE_API int32_t ridge_inspect(const unsigned char *image, int32_t width, int32_t height,
                                ridge_inspection **inspection);

/* Releases an inspection and everything borrowed from it; NULL is ignored. */
RIDGE_API void ridge_inspection_close(ridge_inspection *inspection);

/* The template, bytes as generateRawFPT hands them out. *raw must hold no
 * block (else FPT_ERR_OUTPUT_IN_USE); on success it receives a copy,
 * released with ridge_free (data NULL and size 0 when no minutia was
 * found), format FPT_FORMAT_RAW. */
RIDGE_API int32_t ridge_inspection_template(const ridge_inspection *inspection, TemplateBuffer *raw);

/* Size of the image the inspection was made from. */
RIDGE_API int32_t ridge_inspection_size(const ridge_inspection *inspection, int32_t *width,
                                        int32_t *height);

/* Borrows one block map (RIDGE_MAP_*): *cells points to blocks_wide *
 * blocks_high values, valid until the inspection is closed; never release
 * it. RIDGE_ERR_ARGUMENT for an unknown map. */
RIDGE_API int32_t ridge_inspection_map(const ridge_inspection *inspection, int32_t map,
                                       const int32_t **cells, int32_t *blocks_wide,
                                       int32_t *blocks_high);

/* Borrows the binary image: width * height bytes, 0 for ridge pixels and
 * 255 for the rest, valid until the inspection is closed. */
RIDGE_API int32_t ridge_inspection_binary(const ridge_inspection *inspection,
                                          const unsigned char **pixels, int32_t *width,
                                          int32_t *height);

/* Borrows the minutiae that had a reliability, in detector order (count may
 * be 0; *list is then NULL), valid until the inspection is closed. Those
 * kept are in the template at template_index, with the angle refined; the
 * others say which step dropped them. */
RIDGE_API int32_t ridge_inspection_candidates(const ridge_inspection *inspection,
                                              const ridge_candidate **list, int32_t *count);

/* A pair of minutiae that the matcher paired: positions in the first and in
 * the second template. */
typedef struct ridge_minutia_pair {
    int32_t first;
    int32_t second;
} ridge_minutia_pair;

/* Compares two raw templates as matchRawFPTs does and names the minutiae
 * paired in the best alignment. *score receives matchRawFPTs's score;
 * pairs (room for 128) the pairs by ascending position in the first
 * template, and *pair_count their number (0 when nothing was paired). Refusals: those of
 * ridge_check_template for either template, RIDGE_ERR_ARGUMENT. */
RIDGE_API int32_t ridge_match_pairs(const TemplateBuffer *first, const TemplateBuffer *second,
                                    double *score, ridge_minutia_pair *pairs,
                                    int32_t *pair_count);

/* An RGB picture: width * height * 3 bytes, red, green, blue per pixel, top
 * row first. Its pixels are released with ridge_picture_release (or
 * ridge_free). */
typedef struct ridge_picture {
    int32_t width;
    int32_t height;
    unsigned char *rgb;
} ridge_picture;

/* Layers of a picture, drawn in this order over the grey image. */
#define RIDGE_LAYER_BINARY     0x01u /* ridge pixels of the binary image in blue */
#define RIDGE_LAYER_QUALITY    0x02u /* block quality as a tint: 0 red, 1 orange, 2 yellow,
                                        3 yellow-green, 4 green */
#define RIDGE_LAYER_DIRECTIONS 0x04u /* a short segment along the ridge flow of each block */
#define RIDGE_LAYER_DROPPED    0x08u /* minutiae dropped after detection, as small crosses:
                                        magenta near a void, cyan open, black over the cap */
#define RIDGE_LAYER_MINUTIAE   0x10u /* template minutiae: a circle for a ridge ending, a square
                                        for a bifurcation, a stroke along the angle; from red
                                        (reliability 0) through yellow (0.5) to green (1) */
#define RIDGE_LAYER_ALL        0x1Fu
#define RIDGE_LAYERS_DEFAULT   (RIDGE_LAYER_QUALITY | RIDGE_LAYER_DIRECTIONS | RIDGE_LAYER_MINUTIAE)

/* Draws an inspection's image with the chosen layers, the same size as the
 * image. minutiae, when not NULL, is a raw template drawn in place of the
 * extracted one (in blue: it has no reliabilities). inspection may be NULL
 * when minutiae is given: the template is then drawn on white, the picture
 * just large enough to hold it, at most 2048 pixels a side (minutiae beyond
 * are cut off). *picture must hold no pixels (else
 * FPT_ERR_OUTPUT_IN_USE). Refusals: those of ridge_check_template for
 * minutiae, RIDGE_ERR_ARGUMENT. */
RIDGE_API int32_t ridge_render(const ridge_inspection *inspection, const TemplateBuffer *minutiae,
                               uint32_t layers, ridge_picture *picture);

/* Two impressions side by side, first on the left, with a gap of 8 white
 * columns, over a band of 11 rows that states the score and the number of
 * pairs: each side is drawn as ridge_render draws it (inspection and/or
 * template), and each pair of minutiae that the matcher paired in its best
 * alignment is joined by a line. Width: the two widths plus 8; height: the
 * larger height plus 11. *score, when not NULL, receives matchRawFPTs's
 * score of the two templates drawn. Refusals as ridge_render's. */
RIDGE_API int32_t ridge_render_pair(const ridge_inspection *first, const TemplateBuffer *first_minutiae,
                                    const ridge_inspection *second,
                                    const TemplateBuffer *second_minutiae, uint32_t layers,
                                    ridge_picture *picture, double *score);

/* Writes a picture as an 8-bit RGB PNG file (through libpng), replacing the
 * file. RIDGE_ERR_IO when it cannot be created or written (a file left
 * half written is removed). */
RIDGE_API int32_t ridge_picture_write_png(const ridge_picture *picture, const char *path);

/* Releases a picture's pixels and sets it to zeros; NULL is ignored. */
RIDGE_API void ridge_picture_release(ridge_picture *picture);

#ifdef __cplusplus
}
#endif

#endif /* RIDGEINSPECT_H */
