// The readers that ridgeconvert, ridgeview and ridgesearch share: the raw
// text reader against ridgescore's own, names and extensions, and the two
// ways of reading a packed file.
#include "formats/raw_text_file.h"
#include "ridgesdk.h"
#include "support/sdk_test_helpers.h"
#include "template_inputs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using ridge_test::ScratchDir;

namespace {

using Bytes = std::vector<unsigned char>;

// The quiet raw text reader accepts and refuses exactly what ridgescore's
// loader does, and gives the same minutiae.
TEST(TemplateInputs, RawTextReadsWhatRidgescoreReads)
{
    const std::string texts[] = {
        "2\n1, 10, 20, 30\n2, 40, 50, 60\n",
        "2\r\n1, 10, 20, 30\r\n2, 40, 50, 60\r\n",
        "  +2 1,10,20,30 2,\n40,\t50, 60",
        "0\n",
        "0",
        "1\n-1, -10, -20, -30\n trailing words",
        "1\n1 , 10, 20, 30\n",
        "1\n1; 10, 20, 30\n",
        "2\n1, 10, 20, 30\n",
        "1\n1, 10, 20\n",
        "-1\n",
        "129\n",
        "128",
        "1\n1, 2147483647, -2147483648, 0\n",
        "1\n1, 2147483648, 0, 0\n",
        "",
        "x",
        "- 1\n",
        "1\n1, 10, 20, 30",
        std::string("1\n1, 1\0, 20, 30\n", 16),
    };
    ScratchDir dir;
    for (const std::string &text : texts) {
        SCOPED_TRACE(text);
        ridge_test::write_file(dir.path("t.txt"), text);
        TemplateBuffer loaded{nullptr, 0, FPT_FORMAT_RAW};
        const int status = ridge::load_raw_txt(std::fopen(dir.path("t.txt").c_str(), "r"), &loaded);
        const Bytes expected = status == 1 && loaded.data != nullptr ? Bytes(loaded.data, loaded.data + loaded.size)
                                                                      : Bytes();
        free_FPAPI_mem(loaded.data);
        Bytes raw = {0xAA};
        const std::string why =
            ridge::parse_raw_text(reinterpret_cast<const unsigned char *>(text.data()), text.size(), raw);
        EXPECT_EQ(why.empty(), status == 1) << why;
        if (status == 1) {
            EXPECT_EQ(raw, expected);
        }
    }
}

// Identifiers, ridgesearch's kinds and the extensions under both rules for
// a name that begins with its only dot (ridgesearch: no extension;
// ridgeconvert and ridgeview: one).
TEST(TemplateInputs, IdentifiersKindsAndExtensionsFromNames)
{
    struct Case {
        const char *path, *identifier;
        int kind; // 0: none
        const char *extension, *dot_file_extension;
    };
    const Case cases[] = {{"dir/101_1.bmp", "101_1", 5, "bmp", "bmp"}, {"101_1.BMP", "101_1", 5, "bmp", "bmp"},
                          {"/a/b.c/x.txt", "x", 1, "txt", "txt"},     {"x.raw", "x", 2, "raw", "raw"},
                          {"x.pck", "x", 3, "pck", "pck"},            {"x.fmr", "x", 4, "fmr", "fmr"},
                          {"a.b.png", "a.b", 5, "png", "png"},        {"x.pgm", "x", 5, "pgm", "pgm"},
                          {".hidden", ".hidden", 0, "", "hidden"},    {"dir/.txt", ".txt", 0, "", "txt"},
                          {"noext", "noext", 0, "", ""},              {"x.pk", "x", 0, "pk", "pk"},
                          {"dir.d/file", "file", 0, "", ""},          {"x.", "x", 0, "", ""}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(ridge::identifier_of_path(c.path), c.identifier);
        const auto kind = ridge::input_kind_of_extension(c.path);
        EXPECT_EQ(kind ? static_cast<int>(*kind) : 0, c.kind);
        EXPECT_EQ(ridge::lower_extension(c.path, ridge::DotFiles::HaveNoExtension), c.extension);
        EXPECT_EQ(ridge::lower_extension(c.path, ridge::DotFiles::HaveOne), c.dot_file_extension);
    }
}

// A packed file whose size is no whole number of 4-byte minutiae, or more
// than 128 of them: ridgesearch reads it as ridgescore does (the converter
// drops a partial minutia and refuses more than 128), ridgeconvert and
// ridgeview refuse it first.
TEST(TemplateInputs, PackedFilesAsRidgescoreReadsThemOrWholeOnly)
{
    struct Case {
        std::size_t size;
        int minutiae; // read by the converter; -1: refused
        bool whole;   // a whole number of minutiae, at most 128
    };
    const Case cases[] = {{0, 0, true}, {8, 2, true}, {9, 2, false}, {512, 128, true}, {516, -1, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.size);
        for (const bool whole_only : {false, true}) {
            std::vector<unsigned char> bytes(c.size, 0), raw = {0xAA};
            const std::string why = ridge::raw_from_packed("t.pck", bytes, raw, whole_only);
            const bool refused = c.minutiae < 0 || (whole_only && !c.whole);
            EXPECT_EQ(!why.empty(), refused) << why;
            if (refused) {
                EXPECT_EQ(why.rfind("t.pck: ", 0), 0u) << why;
            } else {
                EXPECT_EQ(raw.size(), 16u * static_cast<std::size_t>(c.minutiae));
            }
        }
    }
}

} // namespace
