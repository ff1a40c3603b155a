// Small helpers for tests of the SDK boundary, the template encodings and
// the tools: template blocks, owned output records and scratch files.
#ifndef RIDGESDK_TESTS_SDK_TEST_HELPERS_H
#define RIDGESDK_TESTS_SDK_TEST_HELPERS_H

#include "ridgesdk.h"

#include <string>
#include <vector>

namespace ridge_test {

// The bytes of a raw template holding these minutiae.
std::vector<unsigned char> raw_block(const std::vector<RawMinutia> &minutiae);
std::vector<RawMinutia> raw_minutiae(const unsigned char *data, std::size_t size);
// A raw text template: the count, then "type, x, y, angle" lines, each
// line ended by eol.
std::string raw_text(const std::vector<RawMinutia> &minutiae, const std::string &eol = "\n");
// How far apart two angles in degrees lie on the circle (0..180).
int circular_error(int a, int b);
// A score as the programs print it ("%f").
std::string score_text(double score);
// The parts of a text between the separators (the lines, by default).
std::vector<std::string> split(const std::string &text, char at = '\n');
// A record that reads the given bytes (no ownership).
TemplateBuffer input_record(std::vector<unsigned char> &bytes, int32_t format);

// An output record whose block is released with free_FPAPI_mem.
struct OwnedRecord {
    TemplateBuffer record{nullptr, 0, -99};
    OwnedRecord() = default;
    OwnedRecord(const OwnedRecord &) = delete;
    OwnedRecord &operator=(const OwnedRecord &) = delete;
    ~OwnedRecord() { free_FPAPI_mem(record.data); }
    std::vector<unsigned char> bytes() const;
};

// A fresh directory for one test's files, removed with its contents.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;
    std::string path(const std::string &name) const { return dir_ + "/" + name; }

private:
    std::string dir_;
};

void write_file(const std::string &path, const std::string &content);
void write_file(const std::string &path, const std::vector<unsigned char> &content);
std::string read_text(const std::string &path);
std::vector<unsigned char> read_bytes(const std::string &path);
bool file_exists(const std::string &path);

} // namespace ridge_test

#endif
