// The program's command line on Windows: an optional file to put into the source box.
#include "app/win32/CommandLine.h"

#include <windows.h>

#include <shellapi.h>

#include <memory>

#include "ui/win32/Wide.h"

namespace velbrisk::app::win32 {

std::optional<std::string> sourceArgument(const wchar_t* commandLine) {
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&LocalFree)> arguments(
        CommandLineToArgvW(commandLine, &count), &LocalFree);
    if (!arguments || count < 2 || arguments.get()[1][0] == L'\0') {
        return std::nullopt;
    }
    const wchar_t* given = arguments.get()[1];
    const DWORD needed = GetFullPathNameW(given, 0, nullptr, nullptr);
    if (needed == 0) {
        // A name the system cannot make absolute goes into the box as it was typed.
        return ui::win32::narrow(given);
    }
    std::wstring full(needed, L'\0');
    const DWORD written = GetFullPathNameW(given, needed, full.data(), nullptr);
    full.resize(written);
    return ui::win32::narrow(full);
}

}  // namespace velbrisk::app::win32
