// Files turned into raw templates for the identification tool: the four
// template files of ridgescore and fingerprint images, read quietly (a
// failure gives one line that names the file, nothing is printed).
#ifndef RIDGESDK_SAMPLES_TEMPLATE_INPUTS_H
#define RIDGESDK_SAMPLES_TEMPLATE_INPUTS_H

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace ridge {

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

// The file name without its folder and its last extension ("dir/101_1.bmp"
// gives "101_1"; a leading dot is part of the name).
std::string identifier_of_path(const std::string &path);

// Reads a raw text file's text exactly as ridgescore's loader does (a
// count, then "type, x, y, angle" per minutia; a comma follows a number
// directly, any white space elsewhere; what follows the last minutia is
// ignored) into raw template bytes. "" on success, else why not.
std::string parse_raw_text(const unsigned char *text, std::size_t size, std::vector<unsigned char> &raw);

// Loads the file as a raw template (format tag 0) in raw. An image is
// resampled from ppi to 500 pixels per inch first when ppi > 0, else from
// the resolution the file states, if any. The template is not checked
// further. "" on success, else a reason that names the file.
std::string load_input_template(const std::string &path, InputKind kind, double ppi,
                                std::vector<unsigned char> &raw);

// Reads a list of paths, one a line (a CR before the line end is dropped,
// empty lines are skipped); "-" reads standard input. "" or why not.
std::string read_path_list(const std::string &list, std::vector<std::string> &paths);

} // namespace ridge

#endif
