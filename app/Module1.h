// Module1: the one call that hands a web or mail address to the user's default program.
#pragma once

#include <string>

namespace velbrisk::Module1 {

// Opens the address (UTF-8) with whatever program the desktop has for it (browser, mail
// program). The outcome is not looked at: if the desktop has no such program, the user is told
// by the desktop or not at all, and the window carries on as before.
void openAddress(const std::string& address);

}  // namespace velbrisk::Module1
