// The program's command line on Windows: its arguments in UTF-8, and the answers in a box.
#include "app/win32/CommandLine.h"

#include <windows.h>

#include <shellapi.h>

#include <memory>
#include <utility>

#include "engine/utf16.h"
#include "resources/ProductInfo.h"
#include "ui/win32/Wide.h"

namespace velbrisk::app::win32 {

std::optional<std::vector<std::string>> arguments(const wchar_t* commandLine) {
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&LocalFree)> split(
        CommandLineToArgvW(commandLine, &count), &LocalFree);
    std::vector<std::string> result;
    for (int index = 1; split && index < count; ++index) {
        std::optional<std::string> argument = narrow(split.get()[index]);
        if (!argument) {
            return std::nullopt;
        }
        result.push_back(std::move(*argument));
    }
    return result;
}

int answerInMessageBox(const WindowCommand& command, const std::string& version) {
    const WindowAnswer answer = answerFor(command, version);
    MessageBoxW(nullptr, ui::win32::wideText(answer.text).c_str(),
                ui::win32::wideText(product::kName).c_str(),
                MB_OK | (answer.isError ? MB_ICONERROR : MB_ICONINFORMATION));
    return answer.status;
}

}  // namespace velbrisk::app::win32
