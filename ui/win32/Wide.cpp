// Text at the seam between the program (UTF-8) and the Windows calls (UTF-16).
#include "ui/win32/Wide.h"

#include "engine/utf16.h"

namespace velbrisk::ui::win32 {

std::wstring wideText(std::string_view utf8) {
    return widen(utf8).value_or(std::wstring{});
}

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(std::size_t(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(std::size_t(copied > 0 ? copied : 0));
    return text;
}

std::string windowTextUtf8(HWND window) {
    return narrow(windowText(window)).value_or(std::string{});
}

void setWindowText(HWND window, std::string_view utf8) {
    SetWindowTextW(window, wideText(utf8).c_str());
}

}  // namespace velbrisk::ui::win32
