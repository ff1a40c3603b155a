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
#include "template_inputs.h"
#include "tool_cli.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using ridge::cli::failed_if;
using ridge::cli::failure;
using ridge::cli::Parsed;
using ridge::cli::Result;
using ridge::cli::usage_error;

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

Result parse_layers(const std::string &list, uint32_t &layers)
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

Result parse_options(int argc, char **argv, Options &options, Parsed &parsed)
{
    ridge::cli::OptionReader line(argc, argv, 1);
    std::string arg, value;
    while (line.next(arg)) {
        if (arg == "--pair" && !line.has_inline_value()) {
            options.pair = true;
            continue;
        }
        const bool takes_value = arg == "--template" || arg == "--layers" || arg == "--other";
        if (takes_value && !line.value(value))
            return usage_error(arg + " needs a value");
        if (arg == "--template") {
            options.template_file = value;
        } else if (arg == "--other") {
            options.other = value;
        } else if (arg == "--layers") {
            if (Result bad = parse_layers(value, options.layers))
                return bad;
        } else {
            return usage_error("unknown option " + arg);
        }
    }
    parsed = line.parsed();
    if (parsed != Parsed::Run)
        return std::nullopt;
    if (Result bad = line.two_positional("an image and an output file are needed", options.image, options.out))
        return bad;
    if (options.pair && !options.other)
        return usage_error("--pair needs the other impression: --other TEMPLATE");
    if (options.other && !options.pair)
        return usage_error("--other is drawn side by side: add --pair");
    return std::nullopt;
}

struct InspectionCloser {
    void operator()(ridge_inspection *inspection) const { ridge_inspection_close(inspection); }
};
using InspectionPtr = std::unique_ptr<ridge_inspection, InspectionCloser>;

// An image file, inspected. RIDGE_ERR_UNSUPPORTED when the file is no
// image.
int32_t inspect_file(const std::string &path, InspectionPtr &inspection, std::string &reason)
{
    ridge::OwnedImage read;
    int32_t status = ridge::read_image(path, read, reason);
    if (status != RIDGE_OK)
        return status;
    ridge_inspection *made = nullptr;
    status = ridge_inspect(read.image.pixels, read.image.width, read.image.height, &made);
    if (status != RIDGE_OK) {
        reason = path + ": no template could be extracted from the image";
        return status;
    }
    inspection.reset(made);
    return RIDGE_OK;
}

// A template file of any kind: raw text (.txt), packed (.pck), the compact
// card record (.isoc), any record its bytes tell (a .fmr or .iso file must
// be one), else a raw template. "" or why not, naming the file.
std::string read_template_file(const std::string &path, std::vector<unsigned char> &raw)
{
    std::vector<unsigned char> bytes;
    std::string why = ridge::read_template_bytes(path, bytes);
    if (!why.empty())
        return why;
    const std::string ext = ridge::lower_extension(path, ridge::DotFiles::HaveOne);
    int32_t format = 0;
    if (ext == "txt")
        why = ridge::raw_from_text(path, bytes, raw);
    else if (ext == "pck")
        why = ridge::raw_from_packed(path, bytes, raw, true);
    else if (ext == "isoc")
        why = ridge::raw_from_record(path, bytes, RIDGE_FORMAT_ISO_CARD, 0, raw);
    else if (ridge_record_detect(bytes.data(), bytes.size(), &format) == RIDGE_OK)
        why = ridge::raw_from_record(path, bytes, format, 0, raw);
    else if (ext == "fmr" || ext == "iso")
        why = path + ": not a minutiae record of a known version";
    else
        why = ridge::raw_from_raw(path, std::move(bytes), raw);
    return why.empty() ? ridge::check_template(path, raw) : why;
}

Result run(const Options &options)
{
    InspectionPtr first;
    std::string reason;
    if (inspect_file(options.image, first, reason) != RIDGE_OK)
        return failure(reason);

    std::vector<unsigned char> first_raw;
    TemplateBuffer first_record{nullptr, 0, FPT_FORMAT_RAW};
    const TemplateBuffer *first_template = nullptr;
    if (options.template_file) {
        if (Result bad = failed_if(read_template_file(*options.template_file, first_raw)))
            return bad;
        first_record = ridge::raw_record(first_raw);
        first_template = &first_record;
    }

    ridge_picture picture{0, 0, nullptr};
    std::unique_ptr<ridge_picture, void (*)(ridge_picture *)> picture_owner(&picture, &ridge_picture_release);
    if (!options.pair) {
        const int32_t status = ridge_render(first.get(), first_template, options.layers, &picture);
        if (status != RIDGE_OK)
            return failure(ridge::cli::sdk_reason(status));
    } else {
        // The other impression: an image when it reads as one, else a template.
        InspectionPtr second;
        std::vector<unsigned char> second_raw;
        TemplateBuffer second_record{nullptr, 0, FPT_FORMAT_RAW};
        const TemplateBuffer *second_template = nullptr;
        const int32_t as_image = inspect_file(*options.other, second, reason);
        if (as_image == RIDGE_ERR_UNSUPPORTED) {
            if (Result bad = failed_if(read_template_file(*options.other, second_raw)))
                return bad;
            second_record = ridge::raw_record(second_raw);
            second_template = &second_record;
        } else if (as_image != RIDGE_OK) {
            return failure(reason);
        }
        double score = 0.0;
        const int32_t status = ridge_render_pair(first.get(), first_template, second.get(), second_template,
                                                 options.layers, &picture, &score);
        if (status != RIDGE_OK)
            return failure(ridge::cli::sdk_reason(status));
        std::printf("score %.6f\n", score);
    }
    const int32_t status = ridge_picture_write_png(&picture, options.out.c_str());
    if (status != RIDGE_OK)
        return failure(ridge::cli::sdk_reason(status));
    return std::nullopt;
}

} // namespace

int main(int argc, char **argv)
{
    return ridge::cli::run_program<Options>({"ridgeview", kUsage, kHelp}, argc, argv, parse_options, run);
}
