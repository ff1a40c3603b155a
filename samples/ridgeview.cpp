// ridgeview: draws what the extraction saw in a fingerprint image (block
// directions, quality, binary image, minutiae) as a PNG picture, or two
// impressions side by side with the minutiae the matcher paired.
//
//   ridgeview IMAGE OUT.png [--template FILE] [--layers LIST] [--other TEMPLATE --pair]
//
// Exit status 0 on success, 1 when the picture cannot be made, 2 for a
// wrong command line; the reason is one line on standard error.
#include "ridgeinspect.h"
#include "ridgeinterop.h"
#include "template_input.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "Usage: ridgeview IMAGE OUT.png [--template FILE] [--layers LIST] [--other TEMPLATE --pair]\n";

const char kHelp[] =
    "Draws what the extraction saw in a fingerprint image as a PNG picture of the\n"
    "same size: the image in grey with the chosen layers over it.\n"
    "\n"
    "IMAGE is a PNG, PGM/PPM or 8-bit BMP file, taken as it is (500 pixels per\n"
    "inch assumed; no resampling), its template extracted as generateRawFPT does.\n"
    "\n"
    "Options:\n"
    "  --template FILE   draw the minutiae of this template (raw text .txt, raw .raw,\n"
    "                    packed .pck, or a minutiae record .fmr .iso .isoc) in blue\n"
    "                    instead of the extracted ones\n"
    "  --layers LIST     comma-separated layers, drawn in this order:\n"
    "                      binary      ridge pixels of the binary image in blue\n"
    "                      quality     block quality as a tint: 0 red, 1 orange,\n"
    "                                  2 yellow, 3 yellow-green, 4 green\n"
    "                      directions  a short segment along the ridge flow of each block\n"
    "                      dropped     minutiae dropped after detection, as crosses:\n"
    "                                  magenta near a void, cyan open, black over the cap\n"
    "                      minutiae    circle: ridge ending, square: bifurcation, stroke\n"
    "                                  along the angle; red (reliability 0) through yellow\n"
    "                                  to green (1)\n"
    "                    also: all, none. Default: quality,directions,minutiae\n"
    "  --other TEMPLATE --pair\n"
    "                    draw IMAGE and a second impression side by side, the pairs\n"
    "                    of minutiae of the matcher's best alignment joined by lines,\n"
    "                    with matchRawFPTs's score above them (and on standard output).\n"
    "                    TEMPLATE is a template file as above, drawn on white, or an\n"
    "                    image, drawn like IMAGE with its extracted template\n"
    "  --help, --version\n"
    "\n"
    "Exit status: 0 on success, 1 when the picture cannot be made, 2 for a wrong\n"
    "command line.\n";

struct Options {
    std::string image, out;
    std::optional<std::string> template_file, other;
    uint32_t layers = RIDGE_LAYERS_DEFAULT;
    bool pair = false;
};

struct Failure {
    std::string reason;
    int exit_code;
};

Failure failure(const std::string &reason) { return Failure{reason, kExitFailure}; }
Failure usage_error(const std::string &reason) { return Failure{reason, kExitUsage}; }

std::optional<Failure> parse_layers(const std::string &list, uint32_t &layers)
{
    struct Name {
        const char *name;
        uint32_t bits;
    };
    static const Name kNames[] = {{"binary", RIDGE_LAYER_BINARY},       {"quality", RIDGE_LAYER_QUALITY},
                                  {"directions", RIDGE_LAYER_DIRECTIONS}, {"dropped", RIDGE_LAYER_DROPPED},
                                  {"minutiae", RIDGE_LAYER_MINUTIAE},   {"all", RIDGE_LAYER_ALL},
                                  {"none", 0u}};
    layers = 0;
    std::size_t at = 0;
    for (;;) {
        const std::size_t comma = list.find(',', at);
        const std::string item = list.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        bool known = false;
        for (const Name &n : kNames)
            if (item == n.name) {
                layers |= n.bits;
                known = true;
            }
        if (!known)
            return usage_error("unknown layer '" + item +
                               "' (binary, quality, directions, dropped, minutiae, all, none)");
        if (comma == std::string::npos)
            return std::nullopt;
        at = comma + 1;
    }
}

enum class Parsed { Run, Help, Version };

std::optional<Failure> parse_options(int argc, char **argv, Options &options, Parsed &parsed)
{
    std::vector<std::string> positional;
    parsed = Parsed::Run;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            parsed = Parsed::Help;
            return std::nullopt;
        }
        if (arg == "--version") {
            parsed = Parsed::Version;
            return std::nullopt;
        }
        if (arg == "--") {
            for (++i; i < argc; ++i)
                positional.emplace_back(argv[i]);
            break;
        }
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--pair") {
            options.pair = true;
            continue;
        }
        std::string value;
        const std::size_t equals = arg.find('=');
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg = arg.substr(0, equals);
        } else if (arg == "--template" || arg == "--layers" || arg == "--other") {
            if (i + 1 >= argc)
                return usage_error(arg + " needs a value");
            value = argv[++i];
        }
        if (arg == "--template") {
            options.template_file = value;
        } else if (arg == "--other") {
            options.other = value;
        } else if (arg == "--layers") {
            if (std::optional<Failure> bad = parse_layers(value, options.layers))
                return bad;
        } else {
            return usage_error("unknown option " + arg);
        }
    }
    if (positional.size() != 2)
        return usage_error(positional.size() < 2 ? "an image and an output file are needed"
                                                 : "too many arguments");
    if (options.pair && !options.other)
        return usage_error("--pair needs the other impression: --other TEMPLATE");
    if (options.other && !options.pair)
        return usage_error("--other is drawn side by side: add --pair");
    options.image = positional[0];
    options.out = positional[1];
    return std::nullopt;
}

std::string reason_of(int32_t status)
{
    const std::string message = ridge_last_error();
    return message.empty() ? std::string(ridge_status_name(status)) : message;
}

struct InspectionCloser {
    void operator()(ridge_inspection *inspection) const { ridge_inspection_close(inspection); }
};
using InspectionPtr = std::unique_ptr<ridge_inspection, InspectionCloser>;

// An image file, inspected. RIDGE_ERR_UNSUPPORTED when the file is no
// image.
int32_t inspect_file(const std::string &path, InspectionPtr &inspection, std::string &reason)
{
    ridge_image image{0, 0, nullptr, 0};
    std::unique_ptr<ridge_image, void (*)(ridge_image *)> owner(&image, &ridge_image_release);
    int32_t status = ridge_image_read(path.c_str(), &image);
    if (status != RIDGE_OK) {
        reason = reason_of(status); // names the file
        return status;
    }
    ridge_inspection *made = nullptr;
    status = ridge_inspect(image.pixels, image.width, image.height, &made);
    if (status != RIDGE_OK) {
        reason = path + ": no template could be extracted from the image";
        return status;
    }
    inspection.reset(made);
    return RIDGE_OK;
}

// A template read from a file, as a record that borrows the minutiae.
TemplateBuffer template_record(std::vector<RawMinutia> &minutiae)
{
    return TemplateBuffer{minutiae.empty() ? nullptr : reinterpret_cast<unsigned char *>(minutiae.data()),
                          static_cast<uint32_t>(minutiae.size() * sizeof(RawMinutia)), FPT_FORMAT_RAW};
}

std::optional<Failure> run(const Options &options)
{
    InspectionPtr first;
    std::string reason;
    if (inspect_file(options.image, first, reason) != RIDGE_OK)
        return failure(reason);

    std::vector<RawMinutia> first_minutiae;
    TemplateBuffer first_record{nullptr, 0, FPT_FORMAT_RAW};
    const TemplateBuffer *first_template = nullptr;
    if (options.template_file) {
        if (!ridge::read_template_file(*options.template_file, first_minutiae, reason))
            return failure(reason);
        first_record = template_record(first_minutiae);
        first_template = &first_record;
    }

    ridge_picture picture{0, 0, nullptr};
    std::unique_ptr<ridge_picture, void (*)(ridge_picture *)> picture_owner(&picture, &ridge_picture_release);
    if (!options.pair) {
        const int32_t status = ridge_render(first.get(), first_template, options.layers, &picture);
        if (status != RIDGE_OK)
            return failure(reason_of(status));
    } else {
        // The other impression: an image when it reads as one, else a template.
        InspectionPtr second;
        std::vector<RawMinutia> second_minutiae;
        TemplateBuffer second_record{nullptr, 0, FPT_FORMAT_RAW};
        const TemplateBuffer *second_template = nullptr;
        const int32_t as_image = inspect_file(*options.other, second, reason);
        if (as_image == RIDGE_ERR_UNSUPPORTED) {
            if (!ridge::read_template_file(*options.other, second_minutiae, reason))
                return failure(reason);
            second_record = template_record(second_minutiae);
            second_template = &second_record;
        } else if (as_image != RIDGE_OK) {
            return failure(reason);
        }
        double score = 0.0;
        const int32_t status = ridge_render_pair(first.get(), first_template, second.get(), second_template,
                                                 options.layers, &picture, &score);
        if (status != RIDGE_OK)
            return failure(reason_of(status));
        std::printf("score %.6f\n", score);
    }
    const int32_t status = ridge_picture_write_png(&picture, options.out.c_str());
    if (status != RIDGE_OK)
        return failure(reason_of(status));
    return std::nullopt;
}

} // namespace

int main(int argc, char **argv)
{
    try {
        Options options;
        Parsed parsed = Parsed::Run;
        std::optional<Failure> bad = parse_options(argc, argv, options, parsed);
        if (!bad && parsed == Parsed::Help) {
            std::fputs(kUsage, stdout);
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (!bad && parsed == Parsed::Version) {
            std::printf("ridgeview %s\n", ridge_version());
            return 0;
        }
        if (!bad) {
            ridge_set_diagnostic_handler(ridge_diagnostic_drop, nullptr);
            bad = run(options);
        }
        if (bad) {
            std::fprintf(stderr, "ridgeview: %s%s\n", bad->reason.c_str(),
                         bad->exit_code == kExitUsage ? " (see ridgeview --help)" : "");
            return bad->exit_code;
        }
        return 0;
    } catch (const std::bad_alloc &) {
        std::fputs("ridgeview: out of memory\n", stderr);
        return kExitFailure;
    }
}
