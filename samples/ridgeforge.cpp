// ridgeforge: turns one 8-bit fingerprint bitmap into a template file,
// reporting the image quality and the time of the two SDK calls.
#include "ridgesdk.h"

#include "bmp_image.h"
#include "console_platform.h"
#include "template_file_writer.h"
#include "tool_files.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

// Exit statuses beyond those of the SDK calls (whose failing status, -1 as
// 255, is the exit status, as is the bitmap decoder's -1).
constexpr int kExitBitmapNotLoaded = 1; // missing, a folder, unreadable
constexpr int kExitUnknownFormat = 2;   // nothing written
constexpr int kExitNotWritten = 3;      // the template file could not be written

struct FreeBlock {
    void operator()(unsigned char *block) const { std::free(block); }
};
using FileBlock = std::unique_ptr<unsigned char, FreeBlock>;

double elapsed_ms(int64_t start, int64_t end, int64_t frequency)
{
    return double(end - start) / (double(frequency) / 1000.0);
}

int run(int argc, char **argv)
{
    std::printf("Tarvel Inc. ridgeforge - free fingerprint SDK demo\n"
                "Press any key to continue...\n\n");
    std::fflush(stdout);
    ridge::wait_for_key_press();

    if (argc != 4) {
        std::printf("Error arguments:\n");
        std::printf("ridgeforge format in.bmp outFPT\n");
        std::printf("format: 1=raw txt, 2=raw binary, 3=packed, 4=fmr378\n");
        return 0;
    }

    std::vector<unsigned char> image;
    int32_t width = 0;
    int32_t height = 0;
    {
        unsigned char *loaded = nullptr;
        unsigned int length = 0;
        const int load_status = ridge::load_file(argv[2], &loaded, &length);
        FileBlock file(loaded);
        if (load_status != 1)
            return kExitBitmapNotLoaded; // load_file or filesize has said why
        std::string reason;
        const int converted = ridge::bmp_to_grey_image(file.get(), length, image, width, height, &reason);
        if (converted != 1) {
            std::printf("error=%d when converting raw img to bmp img\n", converted);
            std::printf("%s: %s\n", argv[2], reason.c_str());
            return converted;
        }
    }

    double quality = 0.0;
    int32_t quality_area = 0;
    int64_t frequency = ridge::perf_frequency();
    int64_t start = ridge::perf_counter();
    SdkStatus status = getFpImgQuality(image.data(), width, height, &quality, &quality_area);
    if (status != FPT_OK) {
        std::printf("getFpImgQuality returned error code %d\n", status);
        return status;
    }
    int64_t end = ridge::perf_counter();
    std::printf("\ngetFpImgQuality time = %.2lf ms\n", elapsed_ms(start, end, frequency));
    std::printf("input image quality = %lf; size = %d in pixels\n", quality, quality_area);

    TemplateBuffer raw{nullptr, 0, FPT_FORMAT_RAW};
    frequency = ridge::perf_frequency();
    start = ridge::perf_counter();
    status = generateRawFPT(image.data(), width, height, &raw);
    std::unique_ptr<unsigned char, decltype(&free_FPAPI_mem)> raw_block(raw.data, &free_FPAPI_mem);
    if (status != FPT_OK) {
        std::printf("generateRawFPT returned error code %d\n", status);
        return status;
    }
    end = ridge::perf_counter();
    std::printf("\ngenerateRawFPT time = %.2lf ms\n", elapsed_ms(start, end, frequency));
    std::printf("template has %d minutiae\n", static_cast<int>(raw.size / 16));
    std::vector<unsigned char>().swap(image);

    const int format = ridge::parse_format_number(argv[1]);
    const int written = ridge::write_template_file(format, raw, quality, width, height, argv[3]);
    if (format < 1 || format > 4)
        return kExitUnknownFormat;
    return written == 1 ? 0 : kExitNotWritten;
}

} // namespace

int main(int argc, char **argv)
{
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc &) {
        std::printf("Insufficient memory available\n");
        return -1;
    }
}
