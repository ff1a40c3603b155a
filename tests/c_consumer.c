/* A plain C program that uses the SDK through its public header and the
 * shared library only, calling each of the nine exports once or more. */
#include "ridgesdk.h"

#include <stddef.h>
#include <stdio.h>
#include <string.h>

static int failures = 0;

#define CHECK(cond)                                                            \
    do {                                                                       \
        if (!(cond)) {                                                         \
            fprintf(stderr, "c_consumer: check failed at line %d: %s\n",       \
                    __LINE__, #cond);                                          \
            ++failures;                                                        \
        }                                                                      \
    } while (0)

static void fill_template(RawMinutia *minutiae, int count)
{
    int i;
    for (i = 0; i < count; ++i) {
        minutiae[i].type = 1 + i % 2;
        minutiae[i].x = 10 + 7 * i;
        minutiae[i].y = 300 - 5 * i;
        minutiae[i].angle = (40 * i) % 360;
    }
}

static void convert_both_ways(void)
{
    RawMinutia minutiae[5];
    TemplateBuffer raw, packed = {NULL, 0, 0}, back = {NULL, 0, 0};
    TemplateBuffer record = {NULL, 0, 0}, from_record = {NULL, 0, 0};

    fill_template(minutiae, 5);
    raw.data = (unsigned char *)minutiae;
    raw.size = (uint32_t)sizeof minutiae;
    raw.format = FPT_FORMAT_RAW;

    CHECK(RawFPT_2_PackedFTP(&raw, &packed) == FPT_OK);
    CHECK(packed.size == 20 && packed.format == FPT_FORMAT_PACKED);
    CHECK(RawFPT_2_PackedFTP(&raw, &packed) == FPT_ERR_OUTPUT_IN_USE);
    CHECK(PackedFTP_2_RawFPT(&packed, &back) == FPT_OK);
    CHECK(back.size == raw.size && memcmp(back.data, raw.data, raw.size) == 0);

    CHECK(RawFPT_2_FMR378FPT(&raw, 80, 1, 0, 374, 388, &record) == FPT_OK);
    CHECK(record.size == 32 + 6 * 5 && record.format == FPT_FORMAT_FMR378);
    CHECK(record.data != NULL && memcmp(record.data, "FMR", 4) == 0);
    CHECK(FMR378FPT_2_RawFPT(&record, &from_record) == FPT_OK);
    CHECK(from_record.size == raw.size);

    free_FPAPI_mem(packed.data);
    free_FPAPI_mem(back.data);
    free_FPAPI_mem(record.data);
    free_FPAPI_mem(from_record.data);
}

static void extract_rate_and_match(void)
{
    enum { W = 96, H = 96 };
    static unsigned char image[W * H];
    TemplateBuffer extracted = {NULL, 0, 0};
    RawMinutia minutiae[12];
    TemplateBuffer raw;
    double quality = -1.0, score = -1.0;
    int32_t area = -5;
    SdkStatus status;
    int x, y;

    /* Vertical stripes: something ridge-like for the detector. */
    for (y = 0; y < H; ++y)
        for (x = 0; x < W; ++x)
            image[y * W + x] = (unsigned char)((x / 4) % 2 ? 200 : 40);

    status = getFpImgQuality(image, W, H, &quality, &area);
    CHECK(status == FPT_OK || status == FPT_FAILED);
    CHECK(status == FPT_OK || quality == 0.0);

    status = generateRawFPT(image, W, H, &extracted);
    CHECK(status == FPT_OK || status == FPT_FAILED);
    CHECK(extracted.format == FPT_FORMAT_RAW && extracted.size <= 2048);
    free_FPAPI_mem(extracted.data);

    fill_template(minutiae, 12);
    raw.data = (unsigned char *)minutiae;
    raw.size = (uint32_t)sizeof minutiae;
    raw.format = FPT_FORMAT_RAW;
    status = matchRawFPTs(&raw, &raw, &score);
    CHECK(status == FPT_OK || status == FPT_FAILED);
    CHECK(score >= 0.0);
}

int main(void)
{
    const char *banner = Copyright();

    CHECK(sizeof(RawMinutia) == 16);
    CHECK(offsetof(TemplateBuffer, data) == 0);
    CHECK(offsetof(TemplateBuffer, size) == sizeof(unsigned char *));
    CHECK(offsetof(TemplateBuffer, format) == offsetof(TemplateBuffer, size) + 4);
    CHECK(banner != NULL && banner == Copyright() && strstr(banner, "169") != NULL);
    free_FPAPI_mem(NULL);

    convert_both_ways();
    extract_rate_and_match();

    if (failures == 0)
        printf("c_consumer: all nine exports called\n");
    return failures == 0 ? 0 : 1;
}
