// The window program's command line: the file argument made absolute. Its refusals and answers
// are checked on the program itself (check_command_line.sh).
#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace velbrisk::app {
namespace {

TEST(WindowCommand, OpensTheFileAbsolute) {
    struct Row {
        const char* name;
        std::vector<std::string> arguments;
        std::string file;  // as the window gets it, from the current folder /home/u
    };
    for (const Row& row : {
             Row{"no argument", {}, ""},
             Row{"relative file", {"dist/程序 1.exe"}, "/home/u/dist/程序 1.exe"},
             Row{"file after double dash", {"--", "-app.exe"}, "/home/u/-app.exe"},
             Row{"lone dash is a file", {"-"}, "/home/u/-"},
         }) {
        const auto command = parseWindowCommand(row.arguments, "/home/u", PathRules::Posix);
        EXPECT_EQ(command.request, WindowRequest::Open) << row.name;
        EXPECT_EQ(command.file, row.file) << row.name;
    }
}

}  // namespace
}  // namespace velbrisk::app
