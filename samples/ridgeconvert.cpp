// ridgeconvert: converts a fingerprint template between the raw text, raw,
// packed and record formats, or extracts one from an image.
//
//   ridgeconvert [--from F] [--to F] [--width W] [--height H] [--quality Q]
//                [--finger P] [--impression I] [--view K] [--ppi R] IN OUT
//
// Exit status 0 on success, 1 when the conversion fails, 2 for a wrong
// command line; the reason is one line on standard error.
#include "formats/raw_minutiae.h"
#include "ridgeinterop.h"
#include "ridgesdk.h"
#include "template_inputs.h"
#include "tool_cli.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

using ridge::cli::failed_if;
using ridge::cli::failure;
using ridge::cli::Parsed;
using ridge::cli::Result;
using ridge::cli::sdk_reason;
using ridge::cli::usage_error;

const char kUsage[] =
    "Usage: ridgeconvert [--from F] [--to F] [--width W] [--height H] [--quality Q]\n"
    "                    [--finger P] [--impression I] [--view K] [--ppi R] IN OUT\n";

const char kHelp[] =
    "Converts a fingerprint template from one format to another, or extracts one\n"
    "from an image.\n"
    "\n"
    "Formats F (guessed from the file extension when not given):\n"
    "  raw-txt   raw template as text (.txt)\n"
    "  raw       raw template, 16 bytes per minutia (.raw)\n"
    "  packed    packed template, 4 bytes per minutia (.pck)\n"
    "  fmr378    ANSI/INCITS 378-2004 record (.fmr)\n"
    "  iso2005   ISO/IEC 19794-2:2005 record (.iso)\n"
    "  iso-card  ISO/IEC 19794-2:2005 compact card format (.isoc)\n"
    "  ansi2009  ANSI/INCITS 378-2009 record\n"
    "  iso2011   ISO/IEC 19794-2:2011 record\n"
    "  image     PNG, PGM, PPM or 8-bit BMP image, input only (.png .pgm .ppm .pnm\n"
    "            .bmp): the template is extracted from it\n"
    "A .fmr or .iso input is read as whichever record version it holds.\n"
    "\n"
    "Options:\n"
    "  --width W, --height H   image size written in the record (0..65535)\n"
    "  --quality Q             finger quality written in the record (0..100)\n"
    "  --finger P              finger position (0..10)\n"
    "  --impression I          impression type (0, 1, 2, 3, 8 or 9)\n"
    "  --view K                finger view of a multi-view input to read (0 first)\n"
    "  --ppi R                 resolution of an image input in pixels per inch; it is\n"
    "                          resampled to 500 ppi first (a resolution the file states\n"
    "                          is used when this is not given)\n"
    "  --help, --version\n"
    "Header values not given are taken from the input when it has them; otherwise\n"
    "the image size is the smallest that holds every minutia and the rest are 0.\n"
    "\n"
    "Exit status: 0 on success, 1 when the conversion fails, 2 for a wrong command\n"
    "line.\n";

enum class Format { RawText, Raw, Packed, Fmr378, Iso2005, IsoCard, Ansi2009, Iso2011, Image };

struct FormatName {
    Format format;
    const char *name;
};

const FormatName kFormatNames[] = {
    {Format::RawText, "raw-txt"},   {Format::Raw, "raw"},          {Format::Packed, "packed"},
    {Format::Fmr378, "fmr378"},     {Format::Iso2005, "iso2005"},  {Format::IsoCard, "iso-card"},
    {Format::Ansi2009, "ansi2009"}, {Format::Iso2011, "iso2011"},  {Format::Image, "image"}};

const char *format_name(Format format)
{
    for (const FormatName &f : kFormatNames)
        if (f.format == format)
            return f.name;
    return "?";
}

std::optional<Format> parse_format(const std::string &text)
{
    for (const FormatName &f : kFormatNames)
        if (text == f.name)
            return f.format;
    return std::nullopt;
}

// The record format value of ridgeinterop.h, or 0 for the others.
int32_t record_format(Format format)
{
    switch (format) {
    case Format::Fmr378: return RIDGE_FORMAT_ANSI378_2004;
    case Format::Iso2005: return RIDGE_FORMAT_ISO2005;
    case Format::IsoCard: return RIDGE_FORMAT_ISO_CARD;
    case Format::Ansi2009: return RIDGE_FORMAT_ANSI378_2009;
    case Format::Iso2011: return RIDGE_FORMAT_ISO2011;
    default: return 0;
    }
}

Format from_record_format(int32_t format)
{
    switch (format) {
    case RIDGE_FORMAT_ISO2005: return Format::Iso2005;
    case RIDGE_FORMAT_ISO_CARD: return Format::IsoCard;
    case RIDGE_FORMAT_ANSI378_2009: return Format::Ansi2009;
    case RIDGE_FORMAT_ISO2011: return Format::Iso2011;
    default: return Format::Fmr378;
    }
}

std::optional<Format> format_of_extension(const std::string &path)
{
    return ridge::kind_of_extension<Format>(
        path, ridge::DotFiles::HaveOne,
        {{"txt", Format::RawText}, {"raw", Format::Raw}, {"pck", Format::Packed}, {"fmr", Format::Fmr378},
         {"iso", Format::Iso2005}, {"isoc", Format::IsoCard}, {"png", Format::Image}, {"pgm", Format::Image},
         {"ppm", Format::Image}, {"pnm", Format::Image}, {"bmp", Format::Image}});
}

struct Options {
    std::optional<Format> from, to;
    std::optional<int32_t> width, height, quality, finger, impression;
    int32_t view = 0;
    bool view_given = false;
    std::optional<double> ppi;
    std::string in, out;
};

// A whole decimal number within [low, high].
Result parse_int(const std::string &option, const std::string &text, long low, long high, int32_t &value)
{
    errno = 0;
    char *end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || !std::isdigit(static_cast<unsigned char>(text[0])))
        return usage_error(option + " takes a whole number, not '" + text + "'");
    if (parsed < low || parsed > high)
        return usage_error(option + " " + text + " is outside " + std::to_string(low) + ".." +
                           std::to_string(high));
    value = static_cast<int32_t>(parsed);
    return std::nullopt;
}

Result parse_options(int argc, char **argv, Options &options, Parsed &parsed)
{
    ridge::cli::OptionReader line(argc, argv, 1);
    std::string arg, value;
    while (line.next(arg)) {
        if (!line.value(value))
            return usage_error(arg + " needs a value");
        Result bad;
        int32_t number = 0;
        if (arg == "--from" || arg == "--to") {
            const std::optional<Format> format = parse_format(value);
            if (!format)
                return usage_error("unknown format '" + value +
                                   "' (raw-txt, raw, packed, fmr378, iso2005, iso-card, "
                                   "ansi2009, iso2011, image)");
            (arg == "--from" ? options.from : options.to) = format;
        } else if (arg == "--width" || arg == "--height") {
            bad = parse_int(arg, value, 0, 65535, number);
            (arg == "--width" ? options.width : options.height) = number;
        } else if (arg == "--quality") {
            bad = parse_int(arg, value, 0, 100, number);
            options.quality = number;
        } else if (arg == "--finger") {
            bad = parse_int(arg, value, 0, 10, number);
            options.finger = number;
        } else if (arg == "--impression") {
            bad = parse_int(arg, value, 0, 9, number);
            if (!bad && number > 3 && number < 8)
                bad = usage_error("--impression " + value + " is not one of 0, 1, 2, 3, 8, 9");
            options.impression = number;
        } else if (arg == "--view") {
            bad = parse_int(arg, value, 0, 255, options.view);
            options.view_given = true;
        } else if (arg == "--ppi") {
            char *end = nullptr;
            const double ppi = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || !(ppi >= 50 && ppi <= 5000))
                return usage_error("--ppi takes a resolution of 50 to 5000 pixels per inch, not '" +
                                   value + "'");
            options.ppi = ppi;
        } else {
            return usage_error("unknown option " + arg);
        }
        if (bad)
            return bad;
    }
    parsed = line.parsed();
    if (parsed != Parsed::Run)
        return std::nullopt;
    return line.two_positional("an input and an output file are needed", options.in, options.out);
}

// Header values found in the input.
struct InputHeader {
    std::optional<int32_t> width, height, quality, finger, impression;
    int32_t view_number = 0;
};

// Extracts the template of an image, brought to 500 ppi first.
Result extract_from_image(const Options &options, std::vector<unsigned char> &raw, InputHeader &header)
{
    ridge::ImageAt500 image;
    if (Result bad = failed_if(ridge::read_image_at_500(options.in, options.ppi.value_or(0), image)))
        return bad;
    const ridge_image &used = *image.used;
    double quality = 0;
    int32_t area = 0;
    if (getFpImgQuality(used.pixels, used.width, used.height, &quality, &area) != FPT_OK)
        return failure(options.in + ": the image quality could not be computed");
    if (Result bad = failed_if(ridge::extract_template(options.in, used, raw)))
        return bad;
    header.width = used.width;
    header.height = used.height;
    header.quality = static_cast<int32_t>(std::floor(quality + 0.5));
    return std::nullopt;
}

Result read_input(const Options &options, Format from, std::vector<unsigned char> &raw, InputHeader &header)
{
    if (from == Format::Image)
        return extract_from_image(options, raw, header);
    std::vector<unsigned char> bytes;
    if (Result bad = failed_if(ridge::read_template_bytes(options.in, bytes)))
        return bad;
    switch (from) {
    case Format::RawText: return failed_if(ridge::raw_from_text(options.in, bytes, raw));
    case Format::Raw: return failed_if(ridge::raw_from_raw(options.in, std::move(bytes), raw));
    case Format::Packed: return failed_if(ridge::raw_from_packed(options.in, bytes, raw, true));
    default: break;
    }
    ridge_record_info info{};
    if (Result bad = failed_if(ridge::raw_from_record(options.in, bytes, record_format(from), options.view, raw,
                                                      &info)))
        return bad;
    if (from != Format::IsoCard) {
        header.width = info.image_width;
        header.height = info.image_height;
        header.quality = info.finger_quality;
        header.finger = info.finger_position;
        header.impression = info.impression_type;
        header.view_number = info.view_number;
    }
    return std::nullopt;
}

// The smallest image size that holds every minutia.
void minutiae_extent(const std::vector<unsigned char> &raw, int32_t &width, int32_t &height)
{
    width = height = 0;
    for (std::size_t i = 0; i < raw.size() / ridge::kRawMinutiaBytes; ++i) {
        const RawMinutia m = ridge::read_raw_minutia(raw.data(), i);
        width = std::max(width, m.x + 1);
        height = std::max(height, m.y + 1);
    }
}

std::vector<unsigned char> raw_text(const std::vector<unsigned char> &raw)
{
    const std::size_t count = raw.size() / ridge::kRawMinutiaBytes;
    std::string text = std::to_string(count) + "\n";
    for (std::size_t i = 0; i < count; ++i) {
        const RawMinutia m = ridge::read_raw_minutia(raw.data(), i);
        text += std::to_string(m.type) + ", " + std::to_string(m.x) + ", " + std::to_string(m.y) + ", " +
                std::to_string(m.angle) + "\n";
    }
    return std::vector<unsigned char>(text.begin(), text.end());
}

Result encode_output(const Options &options, Format to, std::vector<unsigned char> &raw,
                     const InputHeader &header, std::vector<unsigned char> &out)
{
    TemplateBuffer input = ridge::raw_record(raw);
    switch (to) {
    case Format::RawText: out = raw_text(raw); return std::nullopt;
    case Format::Raw: out = raw; return std::nullopt;
    case Format::Packed: {
        ridge::SdkBlock packed(free_FPAPI_mem);
        packed.record.format = FPT_FORMAT_PACKED;
        const SdkStatus status = RawFPT_2_PackedFTP(&input, &packed.record);
        if (status != FPT_OK)
            return failure("the template has no packed form (" + std::string(ridge_status_name(status)) +
                           "): a packed minutia holds x and y up to 1023 only");
        packed.copy_to(out);
        return std::nullopt;
    }
    case Format::Image: return usage_error("an image can only be read, not written");
    default: break;
    }
    int32_t width = 0, height = 0;
    minutiae_extent(raw, width, height);
    ridge_record_info info{};
    info.image_width = options.width.value_or(header.width.value_or(width));
    info.image_height = options.height.value_or(header.height.value_or(height));
    info.finger_quality = options.quality.value_or(header.quality.value_or(0));
    info.finger_position = options.finger.value_or(header.finger.value_or(0));
    info.impression_type = options.impression.value_or(header.impression.value_or(0));
    info.view_number = header.view_number;
    ridge::SdkBlock record(ridge_free);
    const int32_t status = ridge_record_write(&input, record_format(to), &info, &record.record);
    if (status != RIDGE_OK)
        return failure("cannot write " + std::string(format_name(to)) + ": " + sdk_reason(status));
    record.copy_to(out);
    return std::nullopt;
}

Result write_file(const std::string &path, const std::vector<unsigned char> &bytes)
{
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return failure("cannot create " + path + ": " + std::strerror(errno));
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(path.c_str());
        return failure("cannot write " + path);
    }
    return std::nullopt;
}

// The input format: given, else from the extension; a .fmr or .iso file is
// read as whichever record version it holds.
Result input_format(const Options &options, Format &from)
{
    if (options.from) {
        from = *options.from;
        return std::nullopt;
    }
    const std::optional<Format> guessed = format_of_extension(options.in);
    if (!guessed)
        return usage_error("cannot tell the format of " + options.in + " from its name; give --from");
    from = *guessed;
    if (from == Format::Fmr378 || from == Format::Iso2005) {
        std::vector<unsigned char> bytes;
        if (Result bad = failed_if(ridge::read_template_bytes(options.in, bytes)))
            return bad;
        int32_t detected = 0;
        if (ridge_record_detect(bytes.data(), bytes.size(), &detected) == RIDGE_OK)
            from = from_record_format(detected);
    }
    return std::nullopt;
}

Result run(const Options &options)
{
    Format from = Format::Raw;
    if (Result bad = input_format(options, from))
        return bad;
    Format to = Format::Raw;
    if (options.to) {
        to = *options.to;
    } else if (const std::optional<Format> guessed = format_of_extension(options.out)) {
        to = *guessed;
    } else {
        return usage_error("cannot tell the format of " + options.out + " from its name; give --to");
    }
    if (to == Format::Image)
        return usage_error("an image can only be read, not written");
    if (options.ppi && from != Format::Image)
        return usage_error("--ppi applies to an image input only");
    const bool has_views = record_format(from) != 0 && from != Format::IsoCard;
    if (options.view_given && options.view != 0 && !has_views)
        return usage_error(std::string("an input in ") + format_name(from) + " has one view only");

    std::vector<unsigned char> raw;
    InputHeader header;
    if (Result bad = read_input(options, from, raw, header))
        return bad;
    if (Result bad = failed_if(ridge::check_template(options.in, raw)))
        return bad;
    std::vector<unsigned char> out;
    if (Result bad = encode_output(options, to, raw, header, out))
        return bad;
    return write_file(options.out, out);
}

} // namespace

int main(int argc, char **argv)
{
    return ridge::cli::run_program<Options>({"ridgeconvert", kUsage, kHelp}, argc, argv, parse_options, run);
}
