// Tests of the output file's path: the folder rule under both platforms' separators.
#include <gtest/gtest.h>

#include <string>

#include "engine/path_rules.h"
#include "engine/trim.h"
#include "table_rows.h"

namespace velbrisk {
namespace {

using namespace testing;  // the helpers of the engine's tests
using testing::PrintTo;   // found by argument-dependent lookup only when declared here

struct FolderCase {
    const char* name;
    PathRules rules;
    const char* path;
    const char* folder;
};

class FolderOfTable : public ::testing::TestWithParam<FolderCase> {};

// Under this platform's rules, the output goes into that folder under the name as typed (blanks,
// Chinese and all), with ".exe" always added.
TEST_P(FolderOfTable, KeepsEverythingUpToTheLastSeparator) {
    EXPECT_EQ(folderOf(GetParam().path, GetParam().rules), GetParam().folder);
    if (GetParam().rules == kNativePathRules) {
        EXPECT_EQ(sourceFolder(GetParam().path), GetParam().folder);
        EXPECT_EQ(outputPath(GetParam().path, " 小 b.exe"),
                  GetParam().folder + std::string(" 小 b.exe.exe"));
    }
}

constexpr PathRules kPosix = PathRules::Posix;
constexpr PathRules kWindows = PathRules::Windows;

INSTANTIATE_TEST_SUITE_P(
    Rows, FolderOfTable,
    ::testing::Values(
        FolderCase{"posix_no_separator", kPosix, "app.exe", ""},
        FolderCase{"posix_several_folders", kPosix, "/a/b/c/app.exe", "/a/b/c/"},
        FolderCase{"posix_backslash_is_a_name_character", kPosix, "/a/b\\c.exe", "/a/"},
        FolderCase{"posix_utf8_folder", kPosix, "/home/用户/测试/程序.exe", "/home/用户/测试/"},
        FolderCase{"windows_drive_folder", kWindows, "C:\\tools\\app.exe", "C:\\tools\\"},
        FolderCase{"windows_drive_root_with_slash", kWindows, "D:/app.exe", "D:/"},
        FolderCase{"windows_mixed_last_is_slash", kWindows, "C:\\a/b.exe", "C:\\a/"},
        FolderCase{"windows_mixed_last_is_backslash", kWindows, "C:/a\\b.exe", "C:/a\\"},
        FolderCase{"windows_unc", kWindows, "\\\\server\\share\\app.exe", "\\\\server\\share\\"}),
    rowName);

// A temporary file's name is made from at most 200 bytes of the target's, cut between characters.
TEST(TempNameStem, KeepsWholeUtf8CharactersUpTo200Bytes) {
    const std::string name = std::string(199, 'a') + "测试";  // 测 takes bytes 199 to 201
    EXPECT_EQ(tempNameStem(name), std::string(199, 'a'));
    EXPECT_EQ(tempNameStem(std::string(201, 'a')), std::string(200, 'a'));
    EXPECT_EQ(tempNameStem("程序.exe"), "程序.exe");
}

// Full Windows paths in the form that the wide-character calls take past MAX_PATH.
struct LongFormCase {
    const char* name;
    const char* path;
    const char* longForm;
};

class LongPathFormTable : public ::testing::TestWithParam<LongFormCase> {};

TEST_P(LongPathFormTable, PrefixesOnlyFullPathsNotYetInADeviceForm) {
    EXPECT_EQ(longPathForm(std::string_view{GetParam().path}), GetParam().longForm);
    // The wide-character text takes the same form.
    const std::string_view narrow = GetParam().path;
    const std::wstring wide(narrow.begin(), narrow.end());
    const std::string_view expected = GetParam().longForm;
    EXPECT_EQ(longPathForm(std::wstring_view{wide}),
              std::wstring(expected.begin(), expected.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LongPathFormTable,
    ::testing::Values(LongFormCase{"drive_path", "C:\\a\\b.exe", "\\\\?\\C:\\a\\b.exe"},
                      LongFormCase{"lower_case_drive", "d:\\b.exe", "\\\\?\\d:\\b.exe"},
                      LongFormCase{"share_path", "\\\\server\\share\\b.exe",
                                   "\\\\?\\UNC\\server\\share\\b.exe"},
                      LongFormCase{"already_long", "\\\\?\\C:\\b.exe", "\\\\?\\C:\\b.exe"},
                      LongFormCase{"device_path", "\\\\.\\COM1", "\\\\.\\COM1"},
                      LongFormCase{"drive_relative", "C:b.exe", "C:b.exe"},
                      LongFormCase{"rooted_without_drive", "\\a\\b.exe", "\\a\\b.exe"},
                      LongFormCase{"three_backslashes", "\\\\\\a", "\\\\\\a"},
                      LongFormCase{"empty", "", ""}),
    rowName);

}  // namespace
}  // namespace velbrisk
