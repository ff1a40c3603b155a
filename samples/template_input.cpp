// Template files of every kind, as raw templates.
#include "template_input.h"

#include "ridgeinterop.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace ridge {

namespace {

constexpr std::size_t kMaxTemplateFileBytes = 16u << 20;

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

bool read_bytes(const std::string &path, std::vector<unsigned char> &bytes, std::string &reason)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        reason = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    unsigned char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        if (bytes.size() + got > kMaxTemplateFileBytes) {
            reason = path + " is too large for a template file";
            return false;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    if (std::ferror(file.get())) {
        reason = "cannot read " + path;
        return false;
    }
    return true;
}

std::vector<RawMinutia> minutiae_of(const unsigned char *data, std::size_t size)
{
    std::vector<RawMinutia> out(size / sizeof(RawMinutia));
    if (!out.empty())
        std::memcpy(out.data(), data, out.size() * sizeof(RawMinutia));
    return out;
}

// A count, then "type, x, y, angle" per minutia; spaces and line ends free.
bool parse_raw_text(const std::string &path, const std::vector<unsigned char> &bytes,
                    std::vector<RawMinutia> &minutiae, std::string &reason)
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
    if (!number(count) || count < 0 || count > FPT_MAX_MINUTIAE) {
        reason = path + ": no minutiae count of 0..128 at the start";
        return false;
    }
    minutiae.assign(static_cast<std::size_t>(count), RawMinutia{});
    for (RawMinutia &m : minutiae) {
        long fields[4] = {0, 0, 0, 0};
        for (int f = 0; f < 4; ++f) {
            if (f > 0 && (at >= text.size() || text[at++] != ',')) {
                reason = path + ": wrong format in minutia line " + std::to_string(&m - minutiae.data() + 1);
                return false;
            }
            if (!number(fields[f])) {
                reason = path + ": wrong format in minutia line " + std::to_string(&m - minutiae.data() + 1);
                return false;
            }
        }
        m = RawMinutia{static_cast<int32_t>(fields[0]), static_cast<int32_t>(fields[1]),
                       static_cast<int32_t>(fields[2]), static_cast<int32_t>(fields[3])};
    }
    return true;
}

bool parse_packed(const std::string &path, std::vector<unsigned char> &bytes, std::vector<RawMinutia> &minutiae,
                  std::string &reason)
{
    if (bytes.size() % 4 != 0 || bytes.size() > 4u * FPT_MAX_MINUTIAE) {
        reason = path + ": a packed template is a whole number of 4-byte minutiae, at most 128";
        return false;
    }
    TemplateBuffer packed{bytes.empty() ? nullptr : bytes.data(), static_cast<uint32_t>(bytes.size()),
                          FPT_FORMAT_PACKED};
    TemplateBuffer raw{nullptr, 0, FPT_FORMAT_RAW};
    const SdkStatus status = PackedFTP_2_RawFPT(&packed, &raw);
    std::unique_ptr<unsigned char, void (*)(void *)> owner(raw.data, &free_FPAPI_mem);
    if (status != FPT_OK) {
        reason = path + ": not a packed template (" + ridge_status_name(status) + ")";
        return false;
    }
    minutiae = minutiae_of(raw.data, raw.size);
    return true;
}

bool parse_record(const std::string &path, const std::vector<unsigned char> &bytes, int32_t format,
                  std::vector<RawMinutia> &minutiae, std::string &reason)
{
    TemplateBuffer raw{nullptr, 0, FPT_FORMAT_RAW};
    const int32_t status = ridge_record_read(bytes.data(), bytes.size(), format, 0, &raw, nullptr);
    std::unique_ptr<unsigned char, void (*)(void *)> owner(raw.data, &ridge_free);
    if (status != RIDGE_OK) {
        reason = path + ": " + ridge_last_error();
        return false;
    }
    minutiae = minutiae_of(raw.data, raw.size);
    return true;
}

} // namespace

bool read_template_file(const std::string &path, std::vector<RawMinutia> &minutiae, std::string &reason)
{
    std::vector<unsigned char> bytes;
    if (!read_bytes(path, bytes, reason))
        return false;
    const std::string ext = lower_extension(path);
    if (ext == "txt")
        return parse_raw_text(path, bytes, minutiae, reason);
    if (ext == "pck")
        return parse_packed(path, bytes, minutiae, reason);
    if (ext == "isoc")
        return parse_record(path, bytes, RIDGE_FORMAT_ISO_CARD, minutiae, reason);
    int32_t format = 0;
    if (ridge_record_detect(bytes.data(), bytes.size(), &format) == RIDGE_OK)
        return parse_record(path, bytes, format, minutiae, reason);
    if (ext == "fmr" || ext == "iso") {
        reason = path + ": not a minutiae record of a known version";
        return false;
    }
    if (bytes.size() % sizeof(RawMinutia) != 0 || bytes.size() > FPT_MAX_MINUTIAE * sizeof(RawMinutia)) {
        reason = path + ": not a template (a raw template is a whole number of 16-byte minutiae, at most 128)";
        return false;
    }
    minutiae = minutiae_of(bytes.data(), bytes.size());
    return true;
}

} // namespace ridge
