#include "tool_files.h"

#include "console_platform.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace ridge {

long filesize(const char *path)
{
    std::FILE *file = std::fopen(path, "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "ERROR : filesize : file %s could not be opened\n", path);
        return -2;
    }
    if (std::fseek(file, 0, SEEK_END) != 0) {
        std::fprintf(stderr, "ERROR : filesize : seeking to EOF of file %s failed\n", path);
        std::fclose(file);
        return -3;
    }
    const long position = std::ftell(file);
    if (position < 0) {
        std::fprintf(stderr, "ERROR : filesize : ftell at EOF of file %s failed\n", path);
        std::fclose(file);
        return -4;
    }
    std::fclose(file);
    return position;
}

int load_file(const char *path, unsigned char **data, unsigned int *length)
{
    // A folder opens like a file on some systems and then cannot be read.
    if (is_folder(path)) {
        std::fprintf(stderr, "ERORR : load_file : %s is a folder, not a file\n", path);
        return -2;
    }
    const long size = filesize(path);
    if (size < 0)
        return static_cast<int>(size);
    std::FILE *file = std::fopen(path, "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "ERORR : load_file : fopen : %s\n", path);
        return -2;
    }
    // A file too long for the length field cannot be held either.
    unsigned char *block = size > long(INT_MAX)
                               ? nullptr
                               : static_cast<unsigned char *>(std::malloc(size == 0 ? 1 : std::size_t(size)));
    *data = block;
    if (block == nullptr) {
        std::fprintf(stderr, "ERORR : load_file : malloc : idata\n");
        std::fclose(file);
        return -3;
    }
    const std::size_t read = std::fread(block, 1, std::size_t(size), file);
    std::fclose(file);
    if (read < std::size_t(size)) {
        // The block stays with the caller, who releases it.
        std::fprintf(stderr, "ERORR : main : load_file : %d of %d bytes read from %s\n",
                     static_cast<int>(read), static_cast<int>(size), path);
        return -4;
    }
    *length = static_cast<unsigned int>(size);
    return 1;
}

int save_file(const char *path, const unsigned char *data, unsigned int length)
{
    std::FILE *file = std::fopen(path, "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "ERORR : save_file : fopen : %s\n", path);
        return -2;
    }
    // Unbuffered, so the count fwrite returns is what reached the file and
    // a full disk cannot pass unnoticed until fclose.
    std::setvbuf(file, nullptr, _IONBF, 0);
    const std::size_t written = length == 0 ? 0 : std::fwrite(data, 1, length, file);
    if (written < length) {
        std::fprintf(stderr, "ERROR: save_file : fwrite : only %d of %d bytes written from file %s\n",
                     static_cast<int>(written), static_cast<int>(length), path);
        std::fclose(file);
        return -3;
    }
    std::fclose(file);
    return 1;
}

} // namespace ridge
