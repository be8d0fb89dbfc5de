// The window program's command line: what it asks for, and the file argument made absolute by
// the rules of both systems.
#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "table_rows.h"

namespace velbrisk::app {
namespace {

using velbrisk::testing::PrintTo;
using velbrisk::testing::rowName;

struct CommandRow {
    const char* name;
    std::vector<std::string> arguments;
    WindowRequest request;
    std::string fileOrError;  // the absolute file for Open, the error for UsageError
};

const CommandRow kCommandRows[] = {
    {"no_argument", {}, WindowRequest::Open, ""},
    {"relative_file", {"dist/程序 1.exe"}, WindowRequest::Open, "/home/u/dist/程序 1.exe"},
    {"file_after_double_dash", {"--", "-app.exe"}, WindowRequest::Open, "/home/u/-app.exe"},
    {"lone_dash_is_a_file", {"-"}, WindowRequest::Open, "/home/u/-"},
    {"help_short", {"-h"}, WindowRequest::Help, ""},
    {"help_long_after_a_file", {"a.exe", "--help"}, WindowRequest::Help, ""},
    {"version", {"--version"}, WindowRequest::Version, ""},
    {"qt_option_is_not_ours",
     {"-platform", "xcb"},
     WindowRequest::UsageError,
     "无法识别的选项“-platform”"},
    {"two_files", {"a.exe", "b.exe"}, WindowRequest::UsageError, "只能给出一个文件"},
    {"empty_file", {""}, WindowRequest::UsageError, "文件名不能为空"},
};

class WindowCommandTable : public ::testing::TestWithParam<CommandRow> {};

TEST_P(WindowCommandTable, Parses) {
    const CommandRow& row = GetParam();
    const WindowCommand command = parseWindowCommand(row.arguments, "/home/u", PathStyle::Posix);
    EXPECT_EQ(command.request, row.request);
    EXPECT_EQ(row.request == WindowRequest::UsageError ? command.error : command.file,
              row.fileOrError);
}

INSTANTIATE_TEST_SUITE_P(Rows, WindowCommandTable, ::testing::ValuesIn(kCommandRows), rowName);

struct PathRow {
    const char* name;
    PathStyle style;
    std::string path;
    std::string currentFolder;
    std::string absolute;
};

constexpr PathStyle kPosix = PathStyle::Posix;
constexpr PathStyle kWindows = PathStyle::Windows;

const PathRow kPathRows[] = {
    {"posix_dots_and_doubled_separators_go", kPosix, "./d/.//a.exe", "/home/u/", "/home/u/d/a.exe"},
    {"posix_double_dots_stay", kPosix, "../a.exe", "/home/u", "/home/u/../a.exe"},
    {"posix_backslash_is_a_name", kPosix, "a\\b.exe", "/", "/a\\b.exe"},
    {"posix_current_folder_unknown", kPosix, "a.exe", "", "a.exe"},
    {"windows_relative_either_slash", kWindows, "d/x\\a.exe", "C:\\u", "C:\\u\\d\\x\\a.exe"},
    {"windows_other_drive", kWindows, "D:\\x\\a.exe", "C:\\u", "D:\\x\\a.exe"},
    {"windows_root_of_the_current_drive", kWindows, "\\x\\a.exe", "E:\\u", "E:\\x\\a.exe"},
    {"windows_drive_relative_same_drive", kWindows, "c:a.exe", "C:\\u", "C:\\u\\a.exe"},
    {"windows_drive_relative_other_drive", kWindows, "D:a.exe", "C:\\u", "D:\\a.exe"},
    {"windows_share", kWindows, "\\\\srv\\share\\.\\a.exe", "C:\\", "\\\\srv\\share\\a.exe"},
    {"windows_relative_on_a_share", kWindows, "a.exe", "//srv/share/d", "\\\\srv\\share\\d\\a.exe"},
    {"windows_verbatim_untouched", kWindows, "\\\\?\\C:\\x\\.\\a", "C:\\", "\\\\?\\C:\\x\\.\\a"},
};

class AbsolutePath : public ::testing::TestWithParam<PathRow> {};

TEST_P(AbsolutePath, JoinsAndCleans) {
    const PathRow& row = GetParam();
    EXPECT_EQ(absolutePath(row.path, row.currentFolder, row.style), row.absolute);
}

INSTANTIATE_TEST_SUITE_P(Rows, AbsolutePath, ::testing::ValuesIn(kPathRows), rowName);

}  // namespace
}  // namespace velbrisk::app
