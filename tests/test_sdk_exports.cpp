// The dynamic symbol tables: the shared library exports the nine functions
// and ridge_* extensions, nothing else; each program exports the nine, none
// of its internals.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include <sys/stat.h>

namespace {

const std::set<std::string> kNine = {"generateRawFPT",     "getFpImgQuality",    "matchRawFPTs",
                                     "RawFPT_2_PackedFTP", "PackedFTP_2_RawFPT", "RawFPT_2_FMR378FPT",
                                     "FMR378FPT_2_RawFPT", "free_FPAPI_mem",     "Copyright"};

bool exists(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// Names of the defined dynamic symbols, as nm lists them; with functions_only,
// those in the text section alone.
std::set<std::string> exported(const std::string &path, bool &ran, bool functions_only = false)
{
    std::set<std::string> names;
    const std::string command = "nm -D --defined-only '" + path + "' 2>/dev/null";
    std::FILE *pipe = popen(command.c_str(), "r");
    ran = pipe != nullptr;
    if (pipe == nullptr)
        return names;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::istringstream fields(line);
        std::string address, kind, name;
        if (fields >> address >> kind >> name && (!functions_only || kind == "T"))
            names.insert(name);
    }
    ran = pclose(pipe) == 0;
    return names;
}

} // namespace

TEST(SdkExports, SharedLibraryExportsTheNineAndRidgeExtensionsOnly)
{
    const std::string library = std::string(RIDGESDK_BINARY_DIR) + "/libridgesdk.so";
    ASSERT_TRUE(exists(library)) << library;
    bool ran = false;
    const std::set<std::string> names = exported(library, ran);
    ASSERT_TRUE(ran) << "nm failed on " << library;
    std::set<std::string> core;
    for (const std::string &name : names)
        if (name.compare(0, 6, "ridge_") != 0)
            core.insert(name);
    EXPECT_EQ(core, kNine);
    EXPECT_GT(names.count("ridge_last_error"), 0u);
}

TEST(SdkExports, ProgramsExportTheNineFunctionsOnly)
{
    int checked = 0;
    for (const char *tool : {"ridgescore", "ridgeforge"}) {
        const std::string program = std::string(RIDGESDK_BINARY_DIR) + "/" + tool;
        if (!exists(program))
            continue;
        ++checked;
        bool ran = false;
        const std::set<std::string> names = exported(program, ran, true);
        ASSERT_TRUE(ran) << "nm failed on " << program;
        // The C library's stream objects may appear as data; no function
        // other than the nine may.
        EXPECT_EQ(names, kNine) << tool;
    }
    if (checked == 0)
        GTEST_SKIP() << "neither program is built";
}

TEST(SdkExports, TheOtherProgramsExportNoFunction)
{
    int checked = 0;
    for (const char *tool : {"ridgeconvert", "ridgesearch"}) {
        const std::string program = std::string(RIDGESDK_BINARY_DIR) + "/" + tool;
        if (!exists(program))
            continue;
        ++checked;
        bool ran = false;
        const std::set<std::string> names = exported(program, ran, true);
        ASSERT_TRUE(ran) << "nm failed on " << program;
        EXPECT_TRUE(names.empty()) << tool << " exports " << *names.begin();
    }
    if (checked == 0)
        GTEST_SKIP() << "neither program is built";
}
