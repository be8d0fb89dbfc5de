// Module1 on Windows: the one call that hands a web or mail address to the user's default
// program through the shell.
#include "app/win32/Module1.h"

#include <shellapi.h>

#include "ui/win32/Wide.h"

namespace velbrisk::Module1 {

void openAddress(HWND owner, const std::string& address) {
    // Wide all the way: the mail subject's Chinese words reach the mail program as they are,
    // whatever the system's ANSI code page.
    ShellExecuteW(owner, nullptr, ui::win32::wideText(address).c_str(), L"", nullptr,
                  SW_SHOWNORMAL);
}

}  // namespace velbrisk::Module1
