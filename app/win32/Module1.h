// Module1 on Windows: the one call that hands a web or mail address to the user's default
// program through the shell.
#pragma once

#include <windows.h>

#include <string>

namespace velbrisk::Module1 {

// ShellExecuteW with owner as the owner of anything the shell shows, the default action, no
// parameters, no folder and a normal window. The result is not looked at: if nothing is set up
// to open the address, the shell says so or nothing does, and the window carries on as before.
void openAddress(HWND owner, const std::string& address);

}  // namespace velbrisk::Module1
