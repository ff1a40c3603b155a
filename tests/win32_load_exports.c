/* Loads a program file or DLL of the SDK at run time and binds the nine
 * exports by their plain names, the way an outside Windows program does.
 *
 * Usage: win32_load_exports FILE [call]
 * Without "call" it checks the binding only. With "call" it also calls
 * Copyright, converts a template both ways, matches it against itself and
 * releases the blocks. Under Wine only a DLL can be called this way: Wine
 * neither relocates nor resolves the imports of an .exe image that is
 * loaded as a library, so the programs' exports are only bound there.
 * Exit code 0 when every check passes. */
#include "ridgesdk.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

typedef const char *(RIDGESDK_CALL *CopyrightFn)(void);
typedef SdkStatus(RIDGESDK_CALL *ConvertFn)(const TemplateBuffer *, TemplateBuffer *);
typedef SdkStatus(RIDGESDK_CALL *MatchFn)(const TemplateBuffer *, const TemplateBuffer *, double *);
typedef void(RIDGESDK_CALL *FreeFn)(void *);

static const char *const kExports[] = {
    "generateRawFPT",     "getFpImgQuality",    "matchRawFPTs",
    "RawFPT_2_PackedFTP", "PackedFTP_2_RawFPT", "RawFPT_2_FMR378FPT",
    "FMR378FPT_2_RawFPT", "free_FPAPI_mem",     "Copyright"};

/* The address of an export as a generic function pointer, which converts
 * to each export's own type; NULL when the name is not exported. */
typedef void (*AnyFunction)(void);
static AnyFunction find_export(HMODULE module, const char *name)
{
    AnyFunction address = (AnyFunction)GetProcAddress(module, name);
    if (address == NULL)
        printf("export %s not found\n", name);
    return address;
}

static int call_converters_and_matcher(HMODULE module)
{
    ConvertFn to_packed = (ConvertFn)find_export(module, "RawFPT_2_PackedFTP");
    ConvertFn to_raw = (ConvertFn)find_export(module, "PackedFTP_2_RawFPT");
    MatchFn match = (MatchFn)find_export(module, "matchRawFPTs");
    FreeFn release = (FreeFn)find_export(module, "free_FPAPI_mem");
    RawMinutia minutiae[10];
    TemplateBuffer raw, packed = {NULL, 0, 0}, back = {NULL, 0, 0};
    double score = -1.0;
    int i, ok = 1;

    for (i = 0; i < 10; ++i) {
        minutiae[i].type = 1 + i % 2;
        minutiae[i].x = 30 + 20 * i;
        minutiae[i].y = 50 + (31 * i) % 200;
        minutiae[i].angle = (50 * i) % 360;
    }
    raw.data = (unsigned char *)minutiae;
    raw.size = (uint32_t)sizeof minutiae;
    raw.format = FPT_FORMAT_RAW;

    ok &= to_packed(&raw, &packed) == FPT_OK && packed.size == 40;
    ok &= to_raw(&packed, &back) == FPT_OK && back.size == raw.size &&
          memcmp(back.data, raw.data, raw.size) == 0;
    ok &= match(&raw, &back, &score) == FPT_OK && score > 0.0;
    release(packed.data);
    release(back.data);
    printf("converted and matched: score %f, %s\n", score, ok ? "ok" : "FAILED");
    return ok;
}

int main(int argc, char **argv)
{
    HMODULE module;
    CopyrightFn copyright;
    const char *banner;
    size_t i;
    int ok = 1;

    if (argc < 2) {
        printf("usage: win32_load_exports FILE [call]\n");
        return 2;
    }
    module = LoadLibraryA(argv[1]);
    if (module == NULL) {
        printf("%s not loaded (error %lu)\n", argv[1], (unsigned long)GetLastError());
        return 1;
    }
    for (i = 0; i < sizeof kExports / sizeof kExports[0]; ++i)
        ok &= find_export(module, kExports[i]) != NULL;
    printf("%s: nine exports bound: %s\n", argv[1], ok ? "yes" : "NO");
    if (ok && argc > 2 && strcmp(argv[2], "call") == 0) {
        copyright = (CopyrightFn)find_export(module, "Copyright");
        banner = copyright();
        ok &= banner != NULL && strstr(banner, "169") != NULL && copyright() == banner;
        printf("banner:%s", banner != NULL ? banner : " (none)\n");
        ok &= call_converters_and_matcher(module);
    }
    fflush(stdout);
    return ok ? 0 : 1;
}
