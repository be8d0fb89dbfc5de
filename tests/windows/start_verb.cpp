// Starts a context-menu verb's command on a file as Explorer does (its "%1" replaced by the path,
// the line handed to CreateProcessW), waits for the program's main window and writes the text of
// its source box to standard output in UTF-16LE, then closes the window.
// Usage: start_verb COMMAND FILE; exit status 0 once the text is written.
#include <windows.h>

#include <cstdio>
#include <string>

#include "ui/win32/ControlIds.h"

namespace {

struct Search {
    DWORD process = 0;
    HWND window = nullptr;
};

BOOL CALLBACK findMainWindow(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<Search*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search.process && IsWindowVisible(window) &&
        GetDlgItem(window, velbrisk::ui::win32::main_ids::kText) != nullptr) {
        search.window = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
    if (argc != 3) {
        std::fputs("usage: start_verb COMMAND FILE\n", stderr);
        return 2;
    }
    std::wstring commandLine = argv[1];
    const auto placeholder = commandLine.find(L"%1");
    if (placeholder == std::wstring::npos) {
        std::fputs("start_verb: the command has no %1\n", stderr);
        return 1;
    }
    commandLine.replace(placeholder, 2, argv[2]);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        std::fprintf(stderr, "start_verb: CreateProcessW failed (%lu)\n", GetLastError());
        return 1;
    }
    Search search{started.dwProcessId, nullptr};
    for (int wait = 0; wait < 300 && search.window == nullptr; ++wait) {
        if (WaitForSingleObject(started.hProcess, 100) == WAIT_OBJECT_0) {
            break;
        }
        EnumWindows(findMainWindow, reinterpret_cast<LPARAM>(&search));
    }
    int status = 1;
    if (search.window == nullptr) {
        std::fputs("start_verb: the program showed no main window\n", stderr);
    } else {
        // GetWindowTextW does not ask another process's control; its message does.
        const HWND text = GetDlgItem(search.window, velbrisk::ui::win32::main_ids::kText);
        const auto length = SendMessageW(text, WM_GETTEXTLENGTH, 0, 0);
        std::wstring content(std::size_t(length) + 1, L'\0');
        content.resize(std::size_t(
            SendMessageW(text, WM_GETTEXT, content.size(), reinterpret_cast<LPARAM>(content.data()))));
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), content.data(),
                  DWORD(content.size() * sizeof(wchar_t)), &written, nullptr);
        PostMessageW(search.window, WM_CLOSE, 0, 0);
        status = 0;
    }
    if (WaitForSingleObject(started.hProcess, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(started.hProcess, 1);
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return status;
}
