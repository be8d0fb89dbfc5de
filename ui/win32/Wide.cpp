// Text at the seam between the program (UTF-8) and the Windows calls (UTF-16).
#include "ui/win32/Wide.h"

#include <limits>

namespace velbrisk::ui::win32 {

std::wstring widen(std::string_view utf8) {
    if (utf8.empty() || utf8.size() > std::size_t(std::numeric_limits<int>::max())) {
        return {};
    }
    const int size = int(utf8.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(std::size_t(needed), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), needed);
    return wide;
}

std::string narrow(std::wstring_view utf16) {
    if (utf16.empty() || utf16.size() > std::size_t(std::numeric_limits<int>::max())) {
        return {};
    }
    const int size = int(utf16.size());
    const int needed =
        WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(std::size_t(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, utf8.data(), needed, nullptr, nullptr);
    return utf8;
}

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(std::size_t(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(std::size_t(copied > 0 ? copied : 0));
    return text;
}

void setWindowText(HWND window, std::string_view utf8) {
    SetWindowTextW(window, widen(utf8).c_str());
}

}  // namespace velbrisk::ui::win32
