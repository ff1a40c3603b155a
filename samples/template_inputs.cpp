#include "template_inputs.h"

#include "formats/raw_text_scanner.h"
#include "ridgesdk.h"
#include "tool_cli.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <sys/stat.h>

namespace ridge {

using cli::sdk_reason;

namespace {

// No template file comes near this; a larger file is not one.
constexpr std::size_t kMaxTemplateFileBytes = 16u << 20;

std::string system_reason() { return std::strerror(errno); }

std::string file_name(const std::string &path) { return path.substr(path.find_last_of('/') + 1); }

// Why the path cannot be read as a file, as far as its kind tells: "" for a
// file (or something that may be read like one).
std::string not_a_file(const std::string &path)
{
    struct stat info{};
    if (::stat(path.c_str(), &info) != 0)
        return "cannot open " + path + ": " + system_reason();
    if (S_ISDIR(info.st_mode))
        return path + " is a folder, not a file";
    return std::string();
}

// A whole file converted to raw by one of the SDK's converters.
std::string convert_to_raw(const std::string &path, std::vector<unsigned char> &bytes, int32_t format,
                           SdkStatus (*to_raw)(const TemplateBuffer *, TemplateBuffer *), const char *what,
                           std::vector<unsigned char> &raw)
{
    TemplateBuffer stored{bytes.empty() ? nullptr : bytes.data(), static_cast<uint32_t>(bytes.size()), format};
    SdkBlock converted(free_FPAPI_mem);
    const SdkStatus status = to_raw(&stored, &converted.record);
    if (status != FPT_OK)
        return path + ": not " + what + " (" + ridge_status_name(status) + ")";
    converted.copy_to(raw);
    return std::string();
}

} // namespace

// ---- Names --------------------------------------------------------------

std::string lower_extension(const std::string &path, DotFiles dot_files)
{
    const std::string name = file_name(path);
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (dot == 0 && dot_files == DotFiles::HaveNoExtension))
        return std::string();
    std::string ext = name.substr(dot + 1);
    for (char &c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

std::string identifier_of_path(const std::string &path)
{
    std::string name = file_name(path);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

// ---- Template files -----------------------------------------------------

TemplateBuffer raw_record(std::vector<unsigned char> &raw)
{
    return TemplateBuffer{raw.empty() ? nullptr : raw.data(), static_cast<uint32_t>(raw.size()), FPT_FORMAT_RAW};
}

std::string read_template_bytes(const std::string &path, std::vector<unsigned char> &bytes)
{
    if (std::string why = not_a_file(path); !why.empty())
        return why;
    std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return "cannot open " + path + ": " + system_reason();
    unsigned char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        if (bytes.size() + got > kMaxTemplateFileBytes)
            return path + " is too large for a template file";
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    if (std::ferror(file.get()))
        return "cannot read " + path + ": " + system_reason();
    return std::string();
}

std::string parse_raw_text(const unsigned char *text, std::size_t size, std::vector<unsigned char> &raw)
{
    RawTextScanner<MemoryChars> scanner{MemoryChars(text, size)};
    int32_t count = 0;
    if (!scanner.read_int(count))
        return "no minutiae count at the start";
    if (count < 0 || count > FPT_MAX_MINUTIAE)
        return "minutiae count " + std::to_string(count) + " is outside 0.." +
               std::to_string(FPT_MAX_MINUTIAE);
    scanner.skip_white_space();
    std::vector<RawMinutia> minutiae(static_cast<std::size_t>(count));
    for (int32_t line = 1; line <= count; ++line) {
        if (!scanner.read_minutia_line(minutiae[static_cast<std::size_t>(line - 1)]))
            return "wrong format in minutia line " + std::to_string(line);
    }
    raw.resize(minutiae.size() * sizeof(RawMinutia));
    if (!raw.empty())
        std::memcpy(raw.data(), minutiae.data(), raw.size());
    return std::string();
}

std::string raw_from_text(const std::string &path, const std::vector<unsigned char> &bytes,
                          std::vector<unsigned char> &raw)
{
    const std::string why = parse_raw_text(bytes.data(), bytes.size(), raw);
    return why.empty() ? why : path + ": " + why;
}

std::string raw_from_raw(const std::string &path, std::vector<unsigned char> bytes, std::vector<unsigned char> &raw)
{
    if (bytes.size() % sizeof(RawMinutia) != 0)
        return path + ": a raw template is a whole number of 16-byte minutiae; this file has " +
               std::to_string(bytes.size()) + " bytes";
    raw = std::move(bytes);
    return std::string();
}

std::string raw_from_packed(const std::string &path, std::vector<unsigned char> &bytes,
                            std::vector<unsigned char> &raw, bool whole_minutiae_only)
{
    if (whole_minutiae_only && (bytes.size() % 4 != 0 || bytes.size() > 4u * FPT_MAX_MINUTIAE))
        return path + ": a packed template is a whole number of 4-byte minutiae, at most 128; this file has " +
               std::to_string(bytes.size()) + " bytes";
    return convert_to_raw(path, bytes, FPT_FORMAT_PACKED, PackedFTP_2_RawFPT, "a packed template", raw);
}

std::string raw_from_fmr378(const std::string &path, std::vector<unsigned char> &bytes,
                            std::vector<unsigned char> &raw)
{
    return convert_to_raw(path, bytes, FPT_FORMAT_FMR378, FMR378FPT_2_RawFPT, "an FMR378 record", raw);
}

std::string raw_from_record(const std::string &path, const std::vector<unsigned char> &bytes, int32_t format,
                            int32_t view, std::vector<unsigned char> &raw, ridge_record_info *info)
{
    SdkBlock converted(ridge_free);
    const int32_t status = ridge_record_read(bytes.data(), bytes.size(), format, view, &converted.record, info);
    if (status != RIDGE_OK)
        return path + ": " + sdk_reason(status);
    converted.copy_to(raw);
    return std::string();
}

std::string check_template(const std::string &path, std::vector<unsigned char> &raw)
{
    const TemplateBuffer record = raw_record(raw);
    const int32_t status = ridge_check_template(&record);
    return status == RIDGE_OK ? std::string() : path + ": " + sdk_reason(status);
}

// ---- Images -------------------------------------------------------------

int32_t read_image(const std::string &path, OwnedImage &read, std::string &reason)
{
    reason = not_a_file(path);
    if (!reason.empty())
        return RIDGE_ERR_IO;
    const int32_t status = ridge_image_read(path.c_str(), &read.image);
    if (status != RIDGE_OK)
        reason = sdk_reason(status); // names the file
    return status;
}

std::string read_image_at_500(const std::string &path, double ppi, ImageAt500 &image)
{
    std::string reason;
    if (read_image(path, image.read, reason) != RIDGE_OK)
        return reason;
    image.used = &image.read.image;
    const double from_ppi = ppi > 0 ? ppi : image.read.image.ppi;
    if (from_ppi > 0) {
        const int32_t status = ridge_image_resample(&image.read.image, from_ppi, &image.resampled.image);
        if (status != RIDGE_OK)
            return path + ": " + sdk_reason(status);
        image.used = &image.resampled.image;
    }
    return std::string();
}

std::string extract_template(const std::string &path, const ridge_image &image, std::vector<unsigned char> &raw)
{
    SdkBlock extracted(free_FPAPI_mem);
    const SdkStatus status = generateRawFPT(image.pixels, image.width, image.height, &extracted.record);
    if (status != FPT_OK)
        return path + ": no template could be extracted from the image (" + ridge_status_name(status) + ")";
    extracted.copy_to(raw);
    return std::string();
}

// ---- ridgesearch's inputs -----------------------------------------------

std::optional<InputKind> parse_input_kind(const std::string &name)
{
    if (name == "1")
        return InputKind::RawText;
    if (name == "2")
        return InputKind::RawBinary;
    if (name == "3")
        return InputKind::Packed;
    if (name == "4")
        return InputKind::Fmr378;
    if (name == "bmp" || name == "png" || name == "pgm" || name == "ppm" || name == "image")
        return InputKind::Image;
    return std::nullopt;
}

std::optional<InputKind> input_kind_of_extension(const std::string &path)
{
    return kind_of_extension<InputKind>(
        path, DotFiles::HaveNoExtension,
        {{"txt", InputKind::RawText}, {"raw", InputKind::RawBinary}, {"pck", InputKind::Packed},
         {"fmr", InputKind::Fmr378}, {"bmp", InputKind::Image}, {"png", InputKind::Image}, {"pgm", InputKind::Image},
         {"ppm", InputKind::Image}, {"pnm", InputKind::Image}});
}

std::string load_input_template(const std::string &path, InputKind kind, double ppi,
                                std::vector<unsigned char> &raw)
{
    if (kind == InputKind::Image) {
        ImageAt500 image;
        std::string why = read_image_at_500(path, ppi, image);
        return why.empty() ? extract_template(path, *image.used, raw) : why;
    }
    std::vector<unsigned char> bytes;
    if (std::string why = read_template_bytes(path, bytes); !why.empty())
        return why;
    switch (kind) {
    case InputKind::RawText: return raw_from_text(path, bytes, raw);
    case InputKind::RawBinary: return raw_from_raw(path, std::move(bytes), raw);
    case InputKind::Packed: return raw_from_packed(path, bytes, raw, false);
    case InputKind::Fmr378: return raw_from_fmr378(path, bytes, raw);
    case InputKind::Image: break;
    }
    return path + ": unknown kind of file";
}

std::string read_path_list(const std::string &list, std::vector<std::string> &paths)
{
    std::FILE *stream = stdin;
    std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(nullptr, &std::fclose);
    if (list != "-") {
        struct stat info{};
        if (::stat(list.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            return "list " + list + " is a folder, not a file";
        file.reset(std::fopen(list.c_str(), "r"));
        if (!file)
            return "cannot open list " + list + ": " + system_reason();
        stream = file.get();
    }
    std::string line;
    int c = 0;
    std::size_t line_number = 1;
    bool has_nul = false;
    const auto take_line = [&]() {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            paths.push_back(line);
        line.clear();
    };
    while ((c = std::getc(stream)) != EOF) {
        if (c == '\n') {
            take_line();
            ++line_number;
        } else if (c == '\0') {
            has_nul = true;
            break;
        } else {
            line.push_back(static_cast<char>(c));
        }
    }
    // A path cut short at a NUL byte would name another file.
    if (has_nul)
        return "list " + list + " holds a NUL byte on line " + std::to_string(line_number);
    if (std::ferror(stream))
        return "cannot read list " + list + ": " + system_reason();
    take_line();
    return std::string();
}

} // namespace ridge
