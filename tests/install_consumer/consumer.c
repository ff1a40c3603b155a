/* A tiny program built against the installed SDK: converts a template to
 * packed form and back, matches it against itself and prints the banner.
 * Exit code 0 when every call behaves. */
#include <ridgesdk.h>

#include <stdio.h>
#include <string.h>

int main(void)
{
    RawMinutia minutiae[12];
    TemplateBuffer raw, packed = {NULL, 0, 0}, back = {NULL, 0, 0};
    double score = -1.0;
    int i, ok = 1;

    for (i = 0; i < 12; ++i) {
        minutiae[i].type = 1 + i % 2;
        minutiae[i].x = 30 + 23 * i;
        minutiae[i].y = 40 + (37 * i) % 280;
        minutiae[i].angle = (56 * i) % 360;
    }
    raw.data = (unsigned char *)minutiae;
    raw.size = (uint32_t)sizeof minutiae;
    raw.format = FPT_FORMAT_RAW;

    ok &= RawFPT_2_PackedFTP(&raw, &packed) == FPT_OK && packed.size == 48;
    ok &= PackedFTP_2_RawFPT(&packed, &back) == FPT_OK && back.size == raw.size &&
          memcmp(back.data, raw.data, raw.size) == 0;
    ok &= matchRawFPTs(&raw, &back, &score) == FPT_OK && score > 0.0;
    free_FPAPI_mem(packed.data);
    free_FPAPI_mem(back.data);

    printf("%sconsumer: score %f, %s\n", Copyright(), score, ok ? "ok" : "FAILED");
    return ok ? 0 : 1;
}
