// Tests of paths as text: the output's folder and a path made absolute, by both platforms' rules.
#include "engine/path_rules.h"
#include "engine/trim.h"
#include "test_files.h"

namespace velbrisk::testing {
namespace {

using testing::PrintTo;  // found by argument-dependent lookup only when declared here
using enum PathRules;

struct FolderCase {
    const char* name;
    PathRules rules;
    const char *path, *folder;
};
const FolderCase kFolders[] = {
    {"posix_no_separator", Posix, "app.exe", ""},
    {"posix_backslash_is_a_name_character", Posix, "/a/b\\c.exe", "/a/"},
    {"windows_drive_folder", Windows, "C:\\tools\\app.exe", "C:\\tools\\"},
    {"windows_mixed_last_is_slash", Windows, "C:\\a/b.exe", "C:\\a/"},
};

class FolderOfTable : public ::testing::TestWithParam<FolderCase> {};

// Natively, the output goes there under the name as typed, blanks and all, ".exe" always added.
TEST_P(FolderOfTable, KeepsEverythingUpToTheLastSeparator) {
    EXPECT_EQ(folderOf(GetParam().path, GetParam().rules), GetParam().folder);
    if (GetParam().rules == kNativePathRules) {
        EXPECT_EQ(outputPath(GetParam().path, " 小 b.exe"),
                  GetParam().folder + std::string(" 小 b.exe.exe"));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, FolderOfTable, ::testing::ValuesIn(kFolders), rowName);

// A path made absolute against a current folder, with no look at the disk.
struct PathRow {
    const char* name;
    PathRules rules;
    std::string path, currentFolder, absolute;
};
const PathRow kPathRows[] = {
    {"posix_dots_and_doubled_separators_go", Posix, "./d/.//a.exe", "/home/u/", "/home/u/d/a.exe"},
    {"posix_double_dots_stay", Posix, "../a.exe", "/home/u", "/home/u/../a.exe"},
    {"posix_current_folder_unknown", Posix, "a.exe", "", "a.exe"},
    {"windows_relative_either_slash", Windows, "d/x\\a.exe", "C:\\u", "C:\\u\\d\\x\\a.exe"},
    {"windows_other_drive", Windows, "D:\\x\\a.exe", "C:\\u", "D:\\x\\a.exe"},
    {"windows_root_of_the_current_drive", Windows, "\\x\\a.exe", "E:\\u", "E:\\x\\a.exe"},
    {"windows_drive_relative_same_drive", Windows, "c:a.exe", "C:\\u", "C:\\u\\a.exe"},
    {"windows_drive_relative_other_drive", Windows, "D:a.exe", "C:\\u", "D:\\a.exe"},
    {"windows_share", Windows, "\\\\srv\\share\\.\\a.exe", "C:\\", "\\\\srv\\share\\a.exe"},
    {"windows_relative_on_a_share", Windows, "a.exe", "//srv/share/d", "\\\\srv\\share\\d\\a.exe"},
    {"windows_verbatim_untouched", Windows, "\\\\?\\C:\\x\\.\\a", "C:\\", "\\\\?\\C:\\x\\.\\a"},
};

class AbsolutePath : public ::testing::TestWithParam<PathRow> {};

TEST_P(AbsolutePath, JoinsAndCleans) {
    const PathRow& row = GetParam();
    EXPECT_EQ(absolutePath(row.path, row.currentFolder, row.rules), row.absolute);
}

INSTANTIATE_TEST_SUITE_P(Rows, AbsolutePath, ::testing::ValuesIn(kPathRows), rowName);

// A temporary file's name is made from at most 200 bytes of the target's, cut between characters.
TEST(TempNameStem, KeepsWholeUtf8CharactersUpTo200Bytes) {
    const std::string name = std::string(199, 'a') + "测试";  // 测 takes bytes 199 to 201
    EXPECT_EQ(tempNameStem(name), std::string(199, 'a'));
    EXPECT_EQ(tempNameStem(std::string(201, 'a')), std::string(200, 'a'));
}

// Full Windows paths in the wide-character form that the system calls take past MAX_PATH.
struct LongFormCase {
    const char* name;
    std::wstring path, longForm;
};
const LongFormCase kLongForms[] = {
    {"drive_path", L"C:\\a\\b.exe", L"\\\\?\\C:\\a\\b.exe"},
    {"lower_case_drive", L"d:\\b.exe", L"\\\\?\\d:\\b.exe"},
    {"share_path", L"\\\\server\\share\\b.exe", L"\\\\?\\UNC\\server\\share\\b.exe"},
    {"already_long", L"\\\\?\\C:\\b.exe", L"\\\\?\\C:\\b.exe"},
    {"device_path", L"\\\\.\\COM1", L"\\\\.\\COM1"},
    {"drive_relative", L"C:b.exe", L"C:b.exe"},
};

class LongPathFormTable : public ::testing::TestWithParam<LongFormCase> {};

TEST_P(LongPathFormTable, PrefixesOnlyFullPathsNotYetInADeviceForm) {
    EXPECT_EQ(longPathForm(std::wstring_view{GetParam().path}), GetParam().longForm);
}

INSTANTIATE_TEST_SUITE_P(Rows, LongPathFormTable, ::testing::ValuesIn(kLongForms), rowName);

}  // namespace
}  // namespace velbrisk::testing
