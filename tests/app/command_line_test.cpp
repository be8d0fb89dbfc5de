// The window program's command line: what it asks for, and the file argument made absolute.
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
    {"qt_option_is_not_ours",
     {"-platform", "xcb"},
     WindowRequest::UsageError,
     "无法识别的选项“-platform”"},
    {"empty_file", {""}, WindowRequest::UsageError, "文件名不能为空"},
};

class WindowCommandTable : public ::testing::TestWithParam<CommandRow> {};

TEST_P(WindowCommandTable, Parses) {
    const CommandRow& row = GetParam();
    const WindowCommand command = parseWindowCommand(row.arguments, "/home/u", PathRules::Posix);
    EXPECT_EQ(command.request, row.request);
    EXPECT_EQ(row.request == WindowRequest::UsageError ? command.error : command.file,
              row.fileOrError);
}

INSTANTIATE_TEST_SUITE_P(Rows, WindowCommandTable, ::testing::ValuesIn(kCommandRows), rowName);

}  // namespace
}  // namespace velbrisk::app
