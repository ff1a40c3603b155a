// ridgeconvert: converts a fingerprint template between the raw text, raw,
// packed and record formats, or extracts one from an image.
//
//   ridgeconvert [--from F] [--to F] [--width W] [--height H] [--quality Q]
//                [--finger P] [--impression I] [--view K] [--ppi R] IN OUT
//
// Exit status 0 on success, 1 when the conversion fails, 2 for a wrong
// command line; the reason is one line on standard error.
#include "ridgeinterop.h"
#include "ridgesdk.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr long kMaxTemplateFileBytes = 16L << 20;

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

std::string lower_extension(const std::string &path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

std::optional<Format> format_of_extension(const std::string &path)
{
    const std::string ext = lower_extension(path);
    if (ext == "txt") return Format::RawText;
    if (ext == "raw") return Format::Raw;
    if (ext == "pck") return Format::Packed;
    if (ext == "fmr") return Format::Fmr378;
    if (ext == "iso") return Format::Iso2005;
    if (ext == "isoc") return Format::IsoCard;
    if (ext == "png" || ext == "pgm" || ext == "ppm" || ext == "pnm" || ext == "bmp")
        return Format::Image;
    return std::nullopt;
}

// A failure with its one-line reason.
struct Failure {
    int exit_code;
    std::string reason;
};

Failure usage_error(const std::string &reason) { return Failure{kExitUsage, reason}; }
Failure failure(const std::string &reason) { return Failure{kExitFailure, reason}; }

struct Options {
    std::optional<Format> from, to;
    std::optional<int32_t> width, height, quality, finger, impression;
    int32_t view = 0;
    bool view_given = false;
    std::optional<double> ppi;
    std::string in, out;
};

// A whole decimal number within [low, high].
std::optional<Failure> parse_int(const std::string &option, const std::string &text, long low,
                                 long high, int32_t &value)
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
        std::string value;
        const std::size_t equals = arg.find('=');
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg = arg.substr(0, equals);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            return usage_error(arg + " needs a value");
        }
        std::optional<Failure> bad;
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
    if (positional.size() != 2)
        return usage_error(positional.size() < 2 ? "an input and an output file are needed"
                                                 : "too many arguments");
    options.in = positional[0];
    options.out = positional[1];
    return std::nullopt;
}

struct FreeBlock {
    void operator()(unsigned char *block) const { ridge_free(block); }
};
using Block = std::unique_ptr<unsigned char, FreeBlock>;

// A raw template owned here.
struct RawTemplate {
    std::vector<unsigned char> bytes;
    TemplateBuffer buffer() { return TemplateBuffer{bytes.empty() ? nullptr : bytes.data(),
                                                    static_cast<uint32_t>(bytes.size()), FPT_FORMAT_RAW}; }
};

// Header values found in the input.
struct InputHeader {
    std::optional<int32_t> width, height, quality, finger, impression;
    int32_t view_number = 0;
};

std::optional<Failure> read_file(const std::string &path, std::vector<unsigned char> &bytes)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return failure("cannot open " + path + ": " + std::strerror(errno));
    unsigned char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        if (bytes.size() + got > static_cast<std::size_t>(kMaxTemplateFileBytes))
            return failure(path + " is too large for a template file");
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    if (std::ferror(file.get()))
        return failure("cannot read " + path);
    return std::nullopt;
}

// Takes a block handed out by the SDK into the template.
void adopt(RawTemplate &raw, const TemplateBuffer &buffer)
{
    Block owner(buffer.data);
    raw.bytes.assign(buffer.data, buffer.data + buffer.size);
}

std::string sdk_reason(int32_t status)
{
    const std::string message = ridge_last_error();
    return message.empty() ? std::string(ridge_status_name(status)) : message;
}

// The raw text file: a count, then "type, x, y, angle" per minutia. A
// comma follows a number directly; white space and line ends are free
// otherwise.
std::optional<Failure> parse_raw_text(const std::string &path, const std::vector<unsigned char> &bytes,
                                      RawTemplate &raw)
{
    const std::string text(bytes.begin(), bytes.end());
    std::size_t at = 0;
    const auto number = [&](long &value) {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
            ++at;
        const char *start = text.c_str() + at;
        char *end = nullptr;
        errno = 0;
        value = std::strtol(start, &end, 10);
        if (end == start || errno != 0 || value < std::numeric_limits<int32_t>::min() ||
            value > std::numeric_limits<int32_t>::max())
            return false;
        at += static_cast<std::size_t>(end - start);
        return true;
    };
    long count = 0;
    if (!number(count))
        return failure(path + ": no minutiae count on the first line");
    if (count < 0 || count > FPT_MAX_MINUTIAE)
        return failure(path + ": minutiae count " + std::to_string(count) + " is outside 0..128");
    std::vector<RawMinutia> minutiae(static_cast<std::size_t>(count));
    for (long i = 0; i < count; ++i) {
        long fields[4] = {0, 0, 0, 0};
        for (int f = 0; f < 4; ++f) {
            if (f > 0) {
                if (at >= text.size() || text[at] != ',')
                    return failure(path + ": wrong format in minutia line " + std::to_string(i + 1));
                ++at;
            }
            if (!number(fields[f]))
                return failure(path + ": wrong format in minutia line " + std::to_string(i + 1));
        }
        minutiae[static_cast<std::size_t>(i)] =
            RawMinutia{static_cast<int32_t>(fields[0]), static_cast<int32_t>(fields[1]),
                       static_cast<int32_t>(fields[2]), static_cast<int32_t>(fields[3])};
    }
    raw.bytes.resize(minutiae.size() * sizeof(RawMinutia));
    if (!minutiae.empty())
        std::memcpy(raw.bytes.data(), minutiae.data(), raw.bytes.size());
    return std::nullopt;
}

// Extracts the template of an image, resampled to 500 ppi when its
// resolution is known to be another.
std::optional<Failure> extract_from_image(const Options &options, RawTemplate &raw, InputHeader &header)
{
    ridge_image image{0, 0, nullptr, 0};
    int32_t status = ridge_image_read(options.in.c_str(), &image);
    std::unique_ptr<ridge_image, void (*)(ridge_image *)> image_owner(&image, &ridge_image_release);
    if (status != RIDGE_OK)
        return failure(sdk_reason(status));
    const double ppi = options.ppi ? *options.ppi : image.ppi;
    ridge_image resampled{0, 0, nullptr, 0};
    std::unique_ptr<ridge_image, void (*)(ridge_image *)> resampled_owner(&resampled, &ridge_image_release);
    const ridge_image *used = &image;
    if (ppi > 0) {
        status = ridge_image_resample(&image, ppi, &resampled);
        if (status != RIDGE_OK)
            return failure(options.in + ": " + sdk_reason(status));
        used = &resampled;
    }
    double quality = 0;
    int32_t area = 0;
    if (getFpImgQuality(used->pixels, used->width, used->height, &quality, &area) != FPT_OK)
        return failure(options.in + ": the image quality could not be computed");
    TemplateBuffer extracted{nullptr, 0, FPT_FORMAT_RAW};
    status = generateRawFPT(used->pixels, used->width, used->height, &extracted);
    adopt(raw, extracted);
    if (status != FPT_OK)
        return failure(options.in + ": no template could be extracted from the image");
    header.width = used->width;
    header.height = used->height;
    header.quality = static_cast<int32_t>(std::floor(quality + 0.5));
    return std::nullopt;
}

std::optional<Failure> read_input(const Options &options, Format from, RawTemplate &raw,
                                  InputHeader &header)
{
    if (from == Format::Image)
        return extract_from_image(options, raw, header);
    std::vector<unsigned char> bytes;
    if (std::optional<Failure> bad = read_file(options.in, bytes))
        return bad;
    switch (from) {
    case Format::RawText: return parse_raw_text(options.in, bytes, raw);
    case Format::Raw:
        if (bytes.size() % sizeof(RawMinutia) != 0 || bytes.size() > FPT_MAX_MINUTIAE * sizeof(RawMinutia))
            return failure(options.in + ": a raw template is a whole number of 16-byte minutiae, "
                                        "at most 128; this file has " +
                           std::to_string(bytes.size()) + " bytes");
        raw.bytes = bytes;
        return std::nullopt;
    case Format::Packed: {
        if (bytes.size() % 4 != 0 || bytes.size() > 4 * FPT_MAX_MINUTIAE)
            return failure(options.in + ": a packed template is a whole number of 4-byte minutiae, "
                                        "at most 128; this file has " +
                           std::to_string(bytes.size()) + " bytes");
        TemplateBuffer packed{bytes.empty() ? nullptr : bytes.data(), static_cast<uint32_t>(bytes.size()),
                              FPT_FORMAT_PACKED};
        TemplateBuffer converted{nullptr, 0, FPT_FORMAT_RAW};
        const SdkStatus status = PackedFTP_2_RawFPT(&packed, &converted);
        adopt(raw, converted);
        if (status != FPT_OK)
            return failure(options.in + ": not a packed template (" + ridge_status_name(status) + ")");
        return std::nullopt;
    }
    default: break;
    }
    TemplateBuffer converted{nullptr, 0, FPT_FORMAT_RAW};
    ridge_record_info info{};
    const int32_t status = ridge_record_read(bytes.data(), bytes.size(), record_format(from), options.view,
                                             &converted, &info);
    adopt(raw, converted);
    if (status != RIDGE_OK)
        return failure(options.in + ": " + sdk_reason(status));
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
void minutiae_extent(const RawTemplate &raw, int32_t &width, int32_t &height)
{
    width = height = 0;
    for (std::size_t i = 0; i + sizeof(RawMinutia) <= raw.bytes.size(); i += sizeof(RawMinutia)) {
        RawMinutia m;
        std::memcpy(&m, raw.bytes.data() + i, sizeof m);
        width = std::max(width, m.x + 1);
        height = std::max(height, m.y + 1);
    }
}

std::vector<unsigned char> raw_text(const RawTemplate &raw)
{
    const std::size_t count = raw.bytes.size() / sizeof(RawMinutia);
    std::string text = std::to_string(count) + "\n";
    for (std::size_t i = 0; i < count; ++i) {
        RawMinutia m;
        std::memcpy(&m, raw.bytes.data() + i * sizeof m, sizeof m);
        text += std::to_string(m.type) + ", " + std::to_string(m.x) + ", " + std::to_string(m.y) + ", " +
                std::to_string(m.angle) + "\n";
    }
    return std::vector<unsigned char>(text.begin(), text.end());
}

std::optional<Failure> encode_output(const Options &options, Format to, RawTemplate &raw,
                                     const InputHeader &header, std::vector<unsigned char> &out)
{
    TemplateBuffer input = raw.buffer();
    switch (to) {
    case Format::RawText: out = raw_text(raw); return std::nullopt;
    case Format::Raw: out = raw.bytes; return std::nullopt;
    case Format::Packed: {
        TemplateBuffer packed{nullptr, 0, FPT_FORMAT_PACKED};
        const SdkStatus status = RawFPT_2_PackedFTP(&input, &packed);
        Block owner(packed.data);
        if (status != FPT_OK)
            return failure("the template has no packed form (" + std::string(ridge_status_name(status)) +
                           "): a packed minutia holds x and y up to 1023 only");
        out.assign(packed.data, packed.data + packed.size);
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
    TemplateBuffer record{nullptr, 0, 0};
    const int32_t status = ridge_record_write(&input, record_format(to), &info, &record);
    Block owner(record.data);
    if (status != RIDGE_OK)
        return failure("cannot write " + std::string(format_name(to)) + ": " + sdk_reason(status));
    out.assign(record.data, record.data + record.size);
    return std::nullopt;
}

std::optional<Failure> write_file(const std::string &path, const std::vector<unsigned char> &bytes)
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
std::optional<Failure> input_format(const Options &options, Format &from)
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
        if (std::optional<Failure> bad = read_file(options.in, bytes))
            return bad;
        int32_t detected = 0;
        if (ridge_record_detect(bytes.data(), bytes.size(), &detected) == RIDGE_OK)
            from = from_record_format(detected);
    }
    return std::nullopt;
}

std::optional<Failure> run(const Options &options)
{
    Format from = Format::Raw;
    if (std::optional<Failure> bad = input_format(options, from))
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

    RawTemplate raw;
    InputHeader header;
    if (std::optional<Failure> bad = read_input(options, from, raw, header))
        return bad;
    TemplateBuffer check = raw.buffer();
    const int32_t status = ridge_check_template(&check);
    if (status != RIDGE_OK)
        return failure(options.in + ": " + sdk_reason(status));
    std::vector<unsigned char> out;
    if (std::optional<Failure> bad = encode_output(options, to, raw, header, out))
        return bad;
    return write_file(options.out, out);
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
            std::printf("ridgeconvert %s\n", ridge_version());
            return 0;
        }
        if (!bad) {
            ridge_set_diagnostic_handler(ridge_diagnostic_drop, nullptr);
            bad = run(options);
        }
        if (bad) {
            std::fprintf(stderr, "ridgeconvert: %s%s\n", bad->reason.c_str(),
                         bad->exit_code == kExitUsage ? " (see ridgeconvert --help)" : "");
            return bad->exit_code;
        }
        return 0;
    } catch (const std::bad_alloc &) {
        std::fputs("ridgeconvert: out of memory\n", stderr);
        return kExitFailure;
    }
}
