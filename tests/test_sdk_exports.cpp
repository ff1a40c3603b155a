// The dynamic symbol tables: the shared library exports the nine functions
// and ridge_* extensions, nothing else; each program exports the nine, none
// of its internals.
#include "support/program_runner.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <set>
#include <sstream>
#include <string>

namespace {

const std::set<std::string> kNine = {"generateRawFPT",     "getFpImgQuality",    "matchRawFPTs",
                                     "RawFPT_2_PackedFTP", "PackedFTP_2_RawFPT", "RawFPT_2_FMR378FPT",
                                     "FMR378FPT_2_RawFPT", "free_FPAPI_mem",     "Copyright"};

// Names of the defined dynamic symbols, as nm lists them; with functions_only,
// those in the text section alone.
std::set<std::string> exported(const std::string &path, bool &ran, bool functions_only = false)
{
    const ridge_test::ProgramRun nm = ridge_test::run_program("nm", {"-D", "--defined-only", path});
    ran = nm.exit_code == 0;
    std::set<std::string> names;
    std::istringstream lines(nm.out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string address, kind, name;
        if (fields >> address >> kind >> name && (!functions_only || kind == "T"))
            names.insert(name);
    }
    return names;
}

// Checks the functions that each built program of the list exports,
// counting the programs checked.
void check_programs(std::initializer_list<const char *> tools, int &checked,
                    const std::function<void(const char *tool, const std::set<std::string> &names)> &check)
{
    for (const char *tool : tools) {
        const std::string program = ridge_test::built_program(tool);
        if (program.empty())
            continue;
        ++checked;
        bool ran = false;
        const std::set<std::string> names = exported(program, ran, true);
        ASSERT_TRUE(ran) << "nm failed on " << program;
        check(tool, names);
    }
}

} // namespace

TEST(SdkExports, SharedLibraryExportsTheNineAndRidgeExtensionsOnly)
{
    const std::string library = std::string(RIDGESDK_BINARY_DIR) + "/libridgesdk.so";
    ASSERT_TRUE(ridge_test::file_exists(library)) << library;
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
    // The C library's stream objects may appear as data; no function other
    // than the nine may.
    check_programs({"ridgescore", "ridgeforge"}, checked,
                   [](const char *tool, const std::set<std::string> &names) { EXPECT_EQ(names, kNine) << tool; });
    if (checked == 0)
        GTEST_SKIP() << "neither program is built";
}

TEST(SdkExports, TheOtherProgramsExportNoFunction)
{
    int checked = 0;
    check_programs({"ridgeconvert", "ridgesearch"}, checked, [](const char *tool, const std::set<std::string> &names) {
        EXPECT_TRUE(names.empty()) << tool << " exports " << *names.begin();
    });
    if (checked == 0)
        GTEST_SKIP() << "neither program is built";
}
