// The window program's command line: the file argument made absolute. Its refusals and answers
// are checked on the program itself (check_command_line.sh).
#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "table_rows.h"

namespace velbrisk::app {
namespace {

using velbrisk::testing::PrintTo;
using velbrisk::testing::rowName;

struct FileRow {
    const char* name;
    std::vector<std::string> arguments;
    std::string file;  // as the window gets it, from the current folder /home/u
};

const FileRow kFileRows[] = {
    {"no_argument", {}, ""},
    {"relative_file", {"dist/程序 1.exe"}, "/home/u/dist/程序 1.exe"},
    {"file_after_double_dash", {"--", "-app.exe"}, "/home/u/-app.exe"},
    {"lone_dash_is_a_file", {"-"}, "/home/u/-"},
};

class WindowFileTable : public ::testing::TestWithParam<FileRow> {};

TEST_P(WindowFileTable, IsOpenedAbsolute) {
    const WindowCommand command =
        parseWindowCommand(GetParam().arguments, "/home/u", PathRules::Posix);
    EXPECT_EQ(command.request, WindowRequest::Open);
    EXPECT_EQ(command.file, GetParam().file);
}

INSTANTIATE_TEST_SUITE_P(Rows, WindowFileTable, ::testing::ValuesIn(kFileRows), rowName);

}  // namespace
}  // namespace velbrisk::app
