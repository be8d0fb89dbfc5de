// The program's command line on Windows: its arguments in UTF-8, and the answers that need no
// window, for the command line that both fronts share (app/CommandLine.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace velbrisk::app::win32 {

// The arguments after the program's own name, split as the C run-time splits them (quotes,
// backslashes), each in UTF-8; nothing when one of them does not convert.
std::optional<std::vector<std::string>> arguments(const wchar_t* commandLine);

// A window program has no console to print to: help, version and a wrong option are shown in a
// message box instead. Returns the exit status, as answerWithoutWindow does.
int answerInMessageBox(const WindowCommand& command, const std::string& version);

}  // namespace velbrisk::app::win32
