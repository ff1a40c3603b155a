/* A plain C program that inspects an image through ridgeinspect.h and the
 * shared library alone: rings around a centre, with a break in them so that
 * ridge endings appear. */
#include "ridgeinspect.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#define SIDE 240

int main(int argc, char **argv)
{
    static unsigned char image[SIDE * SIDE];
    ridge_inspection *inspection = NULL;
    TemplateBuffer raw = {NULL, 0, -1};
    const int32_t *cells = NULL;
    const ridge_candidate *candidates = NULL;
    ridge_picture picture = {0, 0, NULL};
    int32_t mw = 0, mh = 0, count = -1, x, y;
    int failures = 0;

    for (y = 0; y < SIDE; ++y)
        for (x = 0; x < SIDE; ++x) {
            const double r = sqrt((double)((x - 120) * (x - 120) + (y - 120) * (y - 120)));
            const int broken = x > 150 && x < 158 && ((int)(r / 9.0)) % 2 == 0;
            image[y * SIDE + x] = (unsigned char)(broken ? 200 : 128 + 100 * cos(r * 2.0 * 3.14159265 / 9.0));
        }
    if (ridge_inspect(image, SIDE, SIDE, &inspection) != RIDGE_OK) {
        fprintf(stderr, "inspect_consumer: %s\n", ridge_last_error());
        return 1;
    }
    failures += ridge_inspection_template(inspection, &raw) != RIDGE_OK || raw.format != FPT_FORMAT_RAW;
    failures += ridge_inspection_map(inspection, RIDGE_MAP_QUALITY, &cells, &mw, &mh) != RIDGE_OK ||
                mw != SIDE / RIDGE_MAP_BLOCK_SIZE || mh != SIDE / RIDGE_MAP_BLOCK_SIZE;
    failures += ridge_inspection_candidates(inspection, &candidates, &count) != RIDGE_OK ||
                count < (int32_t)(raw.size / sizeof(RawMinutia));
    failures += ridge_render(inspection, NULL, RIDGE_LAYER_ALL, &picture) != RIDGE_OK || picture.width != SIDE ||
                picture.height != SIDE;
    if (argc > 1)
        failures += ridge_picture_write_png(&picture, argv[1]) != RIDGE_OK;
    ridge_picture_release(&picture);
    ridge_free(raw.data);
    ridge_inspection_close(inspection);
    if (failures != 0)
        fprintf(stderr, "inspect_consumer: %d checks failed\n", failures);
    return failures == 0 ? 0 : 1;
}
