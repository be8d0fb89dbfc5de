// The window program's command line: what it asks for, and the file argument made absolute by
// the rules of both systems.
#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace velbrisk::app {
namespace {

struct CommandRow {
    const char* name;
    std::vector<std::string> arguments;
    WindowRequest request;
    std::string fileOrError;  // the absolute file for Open, the error for UsageError
};

const CommandRow kCommandRows[] = {
    {"no_argument", {}, WindowRequest::Open, ""},
    {"relative_file", {"dist/app.exe"}, WindowRequest::Open, "/home/u/dist/app.exe"},
    {"absolute_file", {"/opt/app.exe"}, WindowRequest::Open, "/opt/app.exe"},
    {"chinese_name", {"程序 1.exe"}, WindowRequest::Open, "/home/u/程序 1.exe"},
    {"file_after_double_dash", {"--", "-app.exe"}, WindowRequest::Open, "/home/u/-app.exe"},
    {"lone_dash_is_a_file", {"-"}, WindowRequest::Open, "/home/u/-"},
    {"help_short", {"-h"}, WindowRequest::Help, ""},
    {"help_long_after_a_file", {"a.exe", "--help"}, WindowRequest::Help, ""},
    {"version", {"--version"}, WindowRequest::Version, ""},
    {"unknown_option", {"--trim"}, WindowRequest::UsageError, "无法识别的选项“--trim”"},
    {"qt_option_is_not_ours",
     {"-platform", "offscreen"},
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

INSTANTIATE_TEST_SUITE_P(Rows, WindowCommandTable, ::testing::ValuesIn(kCommandRows),
                         [](const auto& info) { return std::string{info.param.name}; });

struct PathRow {
    const char* name;
    PathStyle style;
    std::string path;
    std::string currentFolder;
    std::string absolute;
};

const PathRow kPathRows[] = {
    {"posix_relative", PathStyle::Posix, "a.exe", "/home/u", "/home/u/a.exe"},
    {"posix_dot_steps_go", PathStyle::Posix, "./dist/./a.exe", "/home/u/", "/home/u/dist/a.exe"},
    {"posix_double_dots_stay", PathStyle::Posix, "../a.exe", "/home/u", "/home/u/../a.exe"},
    {"posix_doubled_separators", PathStyle::Posix, "/opt//x///a.exe", "/home/u", "/opt/x/a.exe"},
    {"posix_backslash_is_a_name", PathStyle::Posix, "a\\b.exe", "/", "/a\\b.exe"},
    {"posix_current_folder_unknown", PathStyle::Posix, "a.exe", "", "a.exe"},
    {"windows_relative", PathStyle::Windows, "dist\\a.exe", "C:\\Users\\u",
     "C:\\Users\\u\\dist\\a.exe"},
    {"windows_forward_slashes", PathStyle::Windows, "dist/a.exe", "C:\\Users\\u",
     "C:\\Users\\u\\dist\\a.exe"},
    {"windows_absolute", PathStyle::Windows, "D:\\x\\a.exe", "C:\\Users\\u", "D:\\x\\a.exe"},
    {"windows_root_of_the_current_drive", PathStyle::Windows, "\\x\\a.exe", "E:\\Users\\u",
     "E:\\x\\a.exe"},
    {"windows_drive_relative_same_drive", PathStyle::Windows, "c:a.exe", "C:\\Users\\u",
     "C:\\Users\\u\\a.exe"},
    {"windows_drive_relative_other_drive", PathStyle::Windows, "D:a.exe", "C:\\Users\\u",
     "D:\\a.exe"},
    {"windows_share", PathStyle::Windows, "\\\\server\\share\\.\\a.exe", "C:\\",
     "\\\\server\\share\\a.exe"},
    {"windows_relative_on_a_share", PathStyle::Windows, "a.exe", "\\\\server\\share\\d",
     "\\\\server\\share\\d\\a.exe"},
    {"windows_verbatim_untouched", PathStyle::Windows, "\\\\?\\C:\\x\\.\\a.exe", "C:\\",
     "\\\\?\\C:\\x\\.\\a.exe"},
    {"windows_current_drive_root", PathStyle::Windows, "a.exe", "C:\\", "C:\\a.exe"},
};

class AbsolutePath : public ::testing::TestWithParam<PathRow> {};

TEST_P(AbsolutePath, JoinsAndCleans) {
    const PathRow& row = GetParam();
    EXPECT_EQ(absolutePath(row.path, row.currentFolder, row.style), row.absolute);
}

INSTANTIATE_TEST_SUITE_P(Rows, AbsolutePath, ::testing::ValuesIn(kPathRows),
                         [](const auto& info) { return std::string{info.param.name}; });

}  // namespace
}  // namespace velbrisk::app
