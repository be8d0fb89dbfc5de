// The Windows start-up's own pieces: the command line's file argument, and the text at the
// seam between UTF-8 and the system's UTF-16.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/win32/CommandLine.h"
#include "ui/win32/Wide.h"

using velbrisk::app::win32::sourceArgument;
using velbrisk::ui::win32::narrow;
using velbrisk::ui::win32::widen;

namespace {

std::string currentFolder() {
    wchar_t folder[MAX_PATH + 1];
    GetCurrentDirectoryW(MAX_PATH + 1, folder);
    std::string path = narrow(folder);
    if (!path.ends_with('\\')) {
        path += '\\';
    }
    return path;
}

TEST(CommandLine, TheFirstArgumentBecomesAnAbsoluteSource) {
    struct Row {
        const char* name;
        std::wstring commandLine;
        std::optional<std::string> source;
    };
    const Row rows[] = {
        {"no argument", L"velbrisk.exe", std::nullopt},
        {"an empty argument", L"velbrisk.exe \"\"", std::nullopt},
        {"an absolute path", L"velbrisk.exe C:\\tools\\app.exe", "C:\\tools\\app.exe"},
        {"quoted, with blanks", L"\"C:\\Program Files\\v.exe\" \"D:\\my apps\\a b.exe\"",
         "D:\\my apps\\a b.exe"},
        {"relative to the current folder", L"velbrisk.exe sub\\app.exe",
         currentFolder() + "sub\\app.exe"},
        {"Chinese", L"velbrisk.exe C:\\工具\\程序.exe", "C:\\工具\\程序.exe"},
        {"later arguments ignored", L"velbrisk.exe C:\\a.exe C:\\b.exe", "C:\\a.exe"},
        {"dots resolved", L"velbrisk.exe C:\\a\\..\\b.exe", "C:\\b.exe"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(sourceArgument(row.commandLine.c_str()), row.source) << row.name;
    }
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
