// Text at the seam between the program (UTF-8) and the Windows calls (UTF-16).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace velbrisk::ui::win32 {

// Malformed UTF-8 becomes U+FFFD, and so does a lone surrogate going the other way: a name
// that cannot be told apart must not be silently cut short.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

// A window's text, whatever its length.
std::wstring windowText(HWND window);
void setWindowText(HWND window, std::string_view utf8);

}  // namespace velbrisk::ui::win32
