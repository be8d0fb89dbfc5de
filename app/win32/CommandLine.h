// The program's command line on Windows: an optional file to put into the source box.
#pragma once

#include <optional>
#include <string>

namespace velbrisk::app::win32 {

// The first argument after the program's name, as an absolute path in UTF-8 (made absolute
// against the current folder); nothing when there is none. Later arguments are ignored.
std::optional<std::string> sourceArgument(const wchar_t* commandLine);

}  // namespace velbrisk::app::win32
