// Tests of the output file's name: the folder rule under both platforms' separators.
#include <gtest/gtest.h>

#include <string>

#include "engine/path_rules.h"
#include "engine/trim.h"
#include "table_rows.h"

namespace velbrisk {
namespace {

using testing::PrintTo;
using testing::rowName;

struct FolderCase {
    const char* name;
    PathRules rules;
    const char* path;
    const char* folder;
};

class FolderOfTable : public ::testing::TestWithParam<FolderCase> {};

TEST_P(FolderOfTable, KeepsEverythingUpToTheLastSeparator) {
    EXPECT_EQ(folderOf(GetParam().path, GetParam().rules), GetParam().folder);
}

constexpr PathRules kPosix = PathRules::Posix;
constexpr PathRules kWindows = PathRules::Windows;

INSTANTIATE_TEST_SUITE_P(
    Rows, FolderOfTable,
    ::testing::Values(
        FolderCase{"posix_no_separator", kPosix, "app.exe", ""},
        FolderCase{"posix_several_folders", kPosix, "/a/b/c/app.exe", "/a/b/c/"},
        FolderCase{"posix_ends_in_separator", kPosix, "/a/b/", "/a/b/"},
        FolderCase{"posix_root_file", kPosix, "/app.exe", "/"},
        FolderCase{"posix_backslash_is_a_name_character", kPosix, "/a/b\\c.exe", "/a/"},
        FolderCase{"posix_backslash_only", kPosix, "C:\\tools\\app.exe", ""},
        FolderCase{"posix_utf8_folder", kPosix, "/home/用户/测试/程序.exe", "/home/用户/测试/"},
        FolderCase{"windows_empty", kWindows, "", ""},
        FolderCase{"windows_no_separator", kWindows, "app.exe", ""},
        FolderCase{"windows_drive_folder", kWindows, "C:\\tools\\app.exe", "C:\\tools\\"},
        FolderCase{"windows_drive_root", kWindows, "C:\\app.exe", "C:\\"},
        FolderCase{"windows_ends_in_separator", kWindows, "C:\\tools\\", "C:\\tools\\"},
        FolderCase{"windows_forward_slash", kWindows, "C:/tools/app.exe", "C:/tools/"},
        FolderCase{"windows_mixed_last_is_slash", kWindows, "C:\\a/b.exe", "C:\\a/"},
        FolderCase{"windows_mixed_last_is_backslash", kWindows, "C:/a\\b.exe", "C:/a\\"},
        FolderCase{"windows_unc", kWindows, "\\\\server\\share\\app.exe", "\\\\server\\share\\"},
        FolderCase{"windows_utf8_folder", kWindows, "D:\\测试\\程序.exe", "D:\\测试\\"}),
    rowName);

struct OutputCase {
    const char* name;
    const char* sourcePath;
    const char* outputName;
    std::string expected;
};

class OutputPathTable : public ::testing::TestWithParam<OutputCase> {};

TEST_P(OutputPathTable, JoinsFolderNameAndExtension) {
    EXPECT_EQ(outputPath(GetParam().sourcePath, GetParam().outputName), GetParam().expected);
}

// "/" ends a folder on both platforms; "\" only on Windows.
INSTANTIATE_TEST_SUITE_P(
    Rows, OutputPathTable,
    ::testing::Values(
        OutputCase{"next_to_source", "/tools/app.exe", "small", "/tools/small.exe"},
        OutputCase{"no_folder", "app.exe", "small", "small.exe"},
        OutputCase{"extension_always_added", "/tools/app.exe", "small.exe", "/tools/small.exe.exe"},
        OutputCase{"name_used_as_typed", "/tools/app.exe", " a b ", "/tools/ a b .exe"},
        OutputCase{"utf8_folder_and_name", "/数据/测试/源.exe", "小", "/数据/测试/小.exe"},
        OutputCase{"native_rule_for_backslash", "/t/a\\b.exe", "small",
                   kNativePathRules == kPosix ? "/t/small.exe" : "/t/a\\small.exe"}),
    rowName);

}  // namespace
}  // namespace velbrisk
