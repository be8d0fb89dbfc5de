// Starts a context-menu verb's command on a file as Explorer does (its "%1" replaced by the path,
// the line handed to CreateProcessW), waits for the program's main window and writes the text of
// its source box to standard output in UTF-16LE, then closes the window.
// Usage: start_verb COMMAND FILE; exit status 0 once the text is written.
#include <windows.h>

#include <string>
#include <utility>

#include "ui/win32/ControlIds.h"

using velbrisk::ui::win32::main_ids::kText;
using Search = std::pair<DWORD, HWND>;  // the process, and its main window once found

int wmain(int argc, wchar_t* argv[]) {
    std::wstring commandLine = argc == 3 ? argv[1] : L"";
    const auto placeholder = commandLine.find(L"%1");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (placeholder == std::wstring::npos ||
        !CreateProcessW(nullptr, commandLine.replace(placeholder, 2, argv[2]).data(), nullptr,
                        nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        return 2;
    }
    const auto findMainWindow = [](HWND window, LPARAM parameter) -> BOOL {
        auto& [process, found] = *reinterpret_cast<Search*>(parameter);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        const bool main = owner == process && IsWindowVisible(window) && GetDlgItem(window, kText);
        found = main ? window : nullptr;
        return !main;
    };
    Search search{started.dwProcessId, nullptr};
    for (int wait = 0;
         wait < 300 && !search.second && WaitForSingleObject(started.hProcess, 100) == WAIT_TIMEOUT;
         ++wait) {
        EnumWindows(findMainWindow, reinterpret_cast<LPARAM>(&search));
    }
    if (search.second) {
        // GetWindowTextW does not ask another process's control; its message does.
        std::wstring content(32768, L'\0');
        content.resize(std::size_t(SendDlgItemMessageW(search.second, kText, WM_GETTEXT,
                                                       content.size(), LPARAM(content.data()))));
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), content.data(),
                  DWORD(content.size() * sizeof(wchar_t)), &written, nullptr);
        PostMessageW(search.second, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(started.hProcess, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(started.hProcess, 1);
    }
    return search.second ? 0 : 1;
}
