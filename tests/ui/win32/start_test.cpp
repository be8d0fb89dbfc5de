// The Windows start-up's own pieces: the command line's file argument, and the text at the
// seam between UTF-8 and the system's UTF-16.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/win32/CommandLine.h"
#include "ui/win32/Wide.h"

using velbrisk::app::win32::arguments;
using velbrisk::ui::win32::narrow;
using velbrisk::ui::win32::widen;

namespace {

// The split is the C run-time's, so that a path with blanks or a trailing backslash arrives whole;
// what the arguments mean is the shared command line's business.
TEST(CommandLine, ArgumentsArriveSplitAndInUtf8) {
    struct Row {
        const char* name;
        std::wstring commandLine;
        std::vector<std::string> arguments;
    };
    const Row rows[] = {
        {"no argument", L"velbrisk.exe", {}},
        {"an empty argument", L"velbrisk.exe \"\"", {""}},
        {"quoted, with blanks", L"\"C:\\Program Files\\v.exe\" \"D:\\my apps\\a b.exe\"",
         {"D:\\my apps\\a b.exe"}},
        {"Chinese", L"velbrisk.exe C:\\工具\\程序.exe", {"C:\\工具\\程序.exe"}},
        {"several", L"velbrisk.exe --version C:\\a.exe", {"--version", "C:\\a.exe"}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(arguments(row.commandLine.c_str()), row.arguments) << row.name;
    }
    // A relative file is made absolute against the current folder, with Windows' rules.
    const auto command = velbrisk::app::parseWindowCommand(
        arguments(L"velbrisk.exe sub\\app.exe"), "C:\\work");
    EXPECT_EQ(command.file, "C:\\work\\sub\\app.exe");
}

TEST(Wide, TextCrossesTheSeamUnchanged) {
    for (const std::string text : {"", "Velbrisk", "压缩完毕！", "“开始压缩”", "C:\\工具\\a.exe",
                                   "\xF0\x9F\x98\x80 outside the basic plane"}) {
        EXPECT_EQ(narrow(widen(text)), text);
    }
    EXPECT_EQ(widen("压缩"), L"压缩");
    EXPECT_EQ(widen("\xF0\x9F\x98\x80").size(), 2u) << "a surrogate pair";
}

TEST(Wide, BrokenTextBecomesReplacementCharactersNotNothing) {
    EXPECT_EQ(widen("a\xFF"
                    "b"),
              L"a\uFFFDb");
    EXPECT_EQ(narrow(std::wstring(L"a") + wchar_t(0xD800) + L"b"),
              "a\xEF\xBF\xBD"
              "b");
}

}  // namespace
