// The tools' whole-file helpers: results, codes and their exact messages.
#include "tool_files.h"

#include "support/sdk_test_helpers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Captured {
    int status;
    std::string err;
};

} // namespace

TEST(FileSize, LengthOrMissingFile)
{
    ridge_test::ScratchDir dir;
    ridge_test::write_file(dir.path("five"), std::string("12345"));
    ridge_test::write_file(dir.path("empty"), std::string());
    EXPECT_EQ(ridge::filesize(dir.path("five").c_str()), 5);
    EXPECT_EQ(ridge::filesize(dir.path("empty").c_str()), 0);

    const std::string missing = dir.path("none.bmp");
    testing::internal::CaptureStderr();
    EXPECT_EQ(ridge::filesize(missing.c_str()), -2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR : filesize : file " + missing + " could not be opened\n");
}

TEST(LoadFile, WholeFileIntoAMallocBlock)
{
    ridge_test::ScratchDir dir;
    const std::vector<unsigned char> content = {0, 1, 2, 0xff, '\r', '\n', 0x1a};
    ridge_test::write_file(dir.path("bin"), content);
    unsigned char *data = nullptr;
    unsigned int length = 99;
    ASSERT_EQ(ridge::load_file(dir.path("bin").c_str(), &data, &length), 1);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(length, content.size());
    EXPECT_EQ(std::vector<unsigned char>(data, data + length), content);
    std::free(data);

    ridge_test::write_file(dir.path("empty"), std::string());
    data = nullptr;
    length = 99;
    ASSERT_EQ(ridge::load_file(dir.path("empty").c_str(), &data, &length), 1);
    EXPECT_EQ(length, 0u);
    std::free(data);
}

TEST(LoadFile, MissingFilePassesTheFilesizeCodeOn)
{
    ridge_test::ScratchDir dir;
    const std::string missing = dir.path("gone");
    unsigned char *data = nullptr;
    unsigned int length = 99;
    testing::internal::CaptureStderr();
    EXPECT_EQ(ridge::load_file(missing.c_str(), &data, &length), -2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR : filesize : file " + missing + " could not be opened\n");
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(length, 99u);
}

TEST(LoadFile, FolderIsNamedAsOne)
{
    // A folder opens and seeks on Linux (to a size beyond any block), then
    // cannot be read: it is refused first, and said to be a folder.
    ridge_test::ScratchDir dir;
    const std::string folder = dir.path("");
    unsigned char *data = nullptr;
    unsigned int length = 7;
    testing::internal::CaptureStderr();
    EXPECT_EQ(ridge::load_file(folder.c_str(), &data, &length), -2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERORR : load_file : " + folder + " is a folder, not a file\n");
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(length, 7u);
}

TEST(SaveFile, WritesTheBlockExactly)
{
    ridge_test::ScratchDir dir;
    const std::vector<unsigned char> content = {'a', '\n', 0, 0x80, '\r'};
    const std::string path = dir.path("out.bin");
    ridge_test::write_file(path, std::string(100, 'x'));
    EXPECT_EQ(ridge::save_file(path.c_str(), content.data(), 5), 1);
    EXPECT_EQ(ridge_test::read_bytes(path), content) << "truncated and rewritten";
    EXPECT_EQ(ridge::save_file(path.c_str(), content.data(), 0), 1);
    EXPECT_TRUE(ridge_test::read_bytes(path).empty());
}

TEST(SaveFile, UncreatableFile)
{
    ridge_test::ScratchDir dir;
    const std::string path = dir.path("no/such/dir.bin");
    const unsigned char byte = 1;
    testing::internal::CaptureStderr();
    EXPECT_EQ(ridge::save_file(path.c_str(), &byte, 1), -2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERORR : save_file : fopen : " + path + "\n");
}

TEST(SaveFile, FullDeviceIsReportedNotSwallowed)
{
    if (!ridge_test::file_exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    const std::vector<unsigned char> block(100, 7);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ridge::save_file("/dev/full", block.data(), 100), -3);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR: save_file : fwrite : only 0 of 100 bytes written from file /dev/full\n");
}
