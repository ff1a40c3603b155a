// The files ridgeconvert, ridgeview and ridgesearch read, turned into raw
// templates: template files of every format and fingerprint images, read
// quietly (a failure gives one line that names the file; nothing is
// printed). Each tool keeps its own names for the formats; the machinery
// is here.
#ifndef RIDGESDK_SAMPLES_TEMPLATE_INPUTS_H
#define RIDGESDK_SAMPLES_TEMPLATE_INPUTS_H

#include "ridgeinterop.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ridge {

// ---- Names --------------------------------------------------------------

// Whether a name that begins with its only dot (".txt") has an extension.
enum class DotFiles { HaveNoExtension, HaveOne };

// The file name's last extension in lower case, "" for none.
std::string lower_extension(const std::string &path, DotFiles dot_files);

// The kind a tool gives to an extension, from its own table.
template <typename Kind>
std::optional<Kind> kind_of_extension(const std::string &path, DotFiles dot_files,
                                      std::initializer_list<std::pair<const char *, Kind>> table)
{
    const std::string ext = lower_extension(path, dot_files);
    for (const auto &entry : table)
        if (ext == entry.first)
            return entry.second;
    return std::nullopt;
}

// The file name without its folder and its last extension ("dir/101_1.bmp"
// gives "101_1"; a leading dot is part of the name).
std::string identifier_of_path(const std::string &path);

// ---- Template files -----------------------------------------------------

// A block handed out by the SDK, released on every way out: by
// free_FPAPI_mem when one of the nine functions gave it, by ridge_free when
// a ridge_* function did.
struct SdkBlock {
    TemplateBuffer record{nullptr, 0, FPT_FORMAT_RAW};
    void (*release)(void *);
    explicit SdkBlock(void (*releaser)(void *)) : release(releaser) {}
    SdkBlock(const SdkBlock &) = delete;
    SdkBlock &operator=(const SdkBlock &) = delete;
    ~SdkBlock() { release(record.data); }
    void copy_to(std::vector<unsigned char> &raw) const
    {
        if (record.data != nullptr)
            raw.assign(record.data, record.data + record.size);
        else
            raw.clear();
    }
};

// A raw template's bytes, borrowed as a record (format tag 0).
TemplateBuffer raw_record(std::vector<unsigned char> &raw);

// The whole file, at most 16 MiB (no template file comes near). "" or why
// not, naming the file.
std::string read_template_bytes(const std::string &path, std::vector<unsigned char> &bytes);

// Reads a raw text file's text exactly as ridgescore's loader does (a
// count, then "type, x, y, angle" per minutia; a comma follows a number
// directly, any white space elsewhere; what follows the last minutia is
// ignored) into raw template bytes. "" on success, else why not.
std::string parse_raw_text(const unsigned char *text, std::size_t size, std::vector<unsigned char> &raw);

// A file's bytes as a raw template in raw, by format. Each gives "" or a
// reason that names the file; none checks the minutiae themselves
// (ridge_check_template, through check_template below, does).
std::string raw_from_text(const std::string &path, const std::vector<unsigned char> &bytes,
                          std::vector<unsigned char> &raw);
// A whole number of 16-byte minutiae.
std::string raw_from_raw(const std::string &path, std::vector<unsigned char> bytes, std::vector<unsigned char> &raw);
// Through PackedFTP_2_RawFPT, which ignores a partial minutia at the end
// (as ridgescore reads them) unless whole_minutiae_only; then a size that
// is not a whole number of 4-byte minutiae, at most 128, is refused first.
std::string raw_from_packed(const std::string &path, std::vector<unsigned char> &bytes,
                            std::vector<unsigned char> &raw, bool whole_minutiae_only);
// Through FMR378FPT_2_RawFPT, as ridgescore reads them.
std::string raw_from_fmr378(const std::string &path, std::vector<unsigned char> &bytes,
                            std::vector<unsigned char> &raw);
// Through ridge_record_read: a record of the format (RIDGE_FORMAT_*), the
// view given; info, when given, receives the record's header values.
std::string raw_from_record(const std::string &path, const std::vector<unsigned char> &bytes, int32_t format,
                            int32_t view, std::vector<unsigned char> &raw, ridge_record_info *info = nullptr);

// ridge_check_template on the template read from path: "" or why not.
std::string check_template(const std::string &path, std::vector<unsigned char> &raw);

// ---- Images -------------------------------------------------------------

// An image handed out by the SDK, released on every way out.
struct OwnedImage {
    ridge_image image{0, 0, nullptr, 0};
    OwnedImage() = default;
    OwnedImage(const OwnedImage &) = delete;
    OwnedImage &operator=(const OwnedImage &) = delete;
    ~OwnedImage() { ridge_image_release(&image); }
};

// ridge_image_read: RIDGE_OK, or its status (RIDGE_ERR_UNSUPPORTED when the
// file is no image; RIDGE_ERR_IO for a folder) with a reason that names
// the file.
int32_t read_image(const std::string &path, OwnedImage &read, std::string &reason);

// An image read and brought to the 500 pixels per inch of the extraction:
// resampled from ppi when ppi > 0, else from the resolution the file
// states, if any.
struct ImageAt500 {
    OwnedImage read;
    OwnedImage resampled;
    const ridge_image *used = nullptr; // one of the two
};
std::string read_image_at_500(const std::string &path, double ppi, ImageAt500 &image);

// generateRawFPT on the image read from path: "" or why not.
std::string extract_template(const std::string &path, const ridge_image &image, std::vector<unsigned char> &raw);

// ---- ridgesearch's inputs -----------------------------------------------

// What a file holds. The numbers of the template files are ridgescore's.
enum class InputKind {
    RawText = 1,   // raw text file
    RawBinary = 2, // raw template, 16 bytes per minutia
    Packed = 3,    // packed template
    Fmr378 = 4,    // FMR378 record
    Image = 5,     // BMP, PNG, PGM or PPM image: the template is extracted
};

// "1", "2", "3", "4", or an image name ("bmp", "png", "pgm", "ppm",
// "image"); nothing for anything else.
std::optional<InputKind> parse_input_kind(const std::string &name);
// From the extension, in any case: .txt 1, .raw 2, .pck 3, .fmr 4, .bmp
// .png .pgm .ppm .pnm image; nothing for another.
std::optional<InputKind> input_kind_of_extension(const std::string &path);

// Loads the file as a raw template (format tag 0) in raw. An image is
// brought to 500 ppi first (read_image_at_500). The template is not
// checked further. "" on success, else a reason that names the file.
std::string load_input_template(const std::string &path, InputKind kind, double ppi,
                                std::vector<unsigned char> &raw);

// Reads a list of paths, one a line (a CR before the line end is dropped,
// empty lines are skipped); "-" reads standard input. "" or why not.
std::string read_path_list(const std::string &list, std::vector<std::string> &paths);

} // namespace ridge

#endif
