#include "support/sdk_test_helpers.h"

#include "formats/raw_minutiae.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace ridge_test {

std::vector<unsigned char> raw_block(const std::vector<RawMinutia> &minutiae)
{
    std::vector<unsigned char> bytes(minutiae.size() * ridge::kRawMinutiaBytes);
    for (std::size_t i = 0; i < minutiae.size(); ++i)
        ridge::write_raw_minutia(bytes.data(), i, minutiae[i]);
    return bytes;
}

std::vector<RawMinutia> raw_minutiae(const unsigned char *data, std::size_t size)
{
    std::vector<RawMinutia> minutiae;
    for (std::size_t i = 0; i < size / ridge::kRawMinutiaBytes; ++i)
        minutiae.push_back(ridge::read_raw_minutia(data, i));
    return minutiae;
}

TemplateBuffer input_record(std::vector<unsigned char> &bytes, int32_t format)
{
    return TemplateBuffer{bytes.empty() ? nullptr : bytes.data(),
                          static_cast<uint32_t>(bytes.size()), format};
}

std::vector<unsigned char> OwnedRecord::bytes() const
{
    if (record.data == nullptr)
        return {};
    return std::vector<unsigned char>(record.data, record.data + record.size);
}

ScratchDir::ScratchDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "ridgesdk-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr)
        throw std::runtime_error("cannot create a scratch directory");
    dir_ = buffer.data();
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::string raw_text(const std::vector<RawMinutia> &minutiae, const std::string &eol)
{
    std::string text = std::to_string(minutiae.size()) + eol;
    for (const RawMinutia &m : minutiae)
        text += std::to_string(m.type) + ", " + std::to_string(m.x) + ", " + std::to_string(m.y) + ", " +
                std::to_string(m.angle) + eol;
    return text;
}

int circular_error(int a, int b)
{
    const int d = std::abs(a - b) % 360;
    return std::min(d, 360 - d);
}

std::string score_text(double score)
{
    char text[64];
    std::snprintf(text, sizeof text, "%f", score);
    return text;
}

std::vector<std::string> split(const std::string &text, char at)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, at))
        parts.push_back(part);
    return parts;
}

void write_file(const std::string &path, const std::string &content)
{
    std::ofstream out(path, std::ios::binary);
    out << content;
}

void write_file(const std::string &path, const std::vector<unsigned char> &content)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(content.data()),
              static_cast<std::streamsize>(content.size()));
}

std::string read_text(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<unsigned char> read_bytes(const std::string &path)
{
    const std::string text = read_text(path);
    return std::vector<unsigned char>(text.begin(), text.end());
}

bool file_exists(const std::string &path) { return std::filesystem::exists(path); }

} // namespace ridge_test
