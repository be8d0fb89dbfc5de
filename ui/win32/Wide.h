// Text at the seam between the program (UTF-8) and the Windows calls (UTF-16), through the one
// converter of engine/utf16.h.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace velbrisk::ui::win32 {

// Text for a Windows call: the program's own, or a name that came to it through narrow(), so it
// converts; anything else is passed on as nothing rather than as some other text.
std::wstring wideText(std::string_view utf8);

// A window's text, whatever its length.
std::wstring windowText(HWND window);
// The same in UTF-8; empty when it does not convert (a lone surrogate typed or pasted in), so that
// the logic refuses it as it would an empty box rather than go on with some other name.
std::string windowTextUtf8(HWND window);
void setWindowText(HWND window, std::string_view utf8);

}  // namespace velbrisk::ui::win32
