// The window program's command line, `velbrisk [FILE]`, apart from any toolkit: both fronts use it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/path_rules.h"

namespace velbrisk::app {

enum class WindowRequest {
    Open,        // open the window, with `file` in the source box when it is not empty
    Help,        // print the help text and end with status 0
    Version,     // print the version and end with status 0
    UsageError,  // print `error` to standard error and end with status 2
};

struct WindowCommand {
    WindowRequest request = WindowRequest::Open;
    std::string file;   // the file argument as an absolute path, UTF-8; empty when none was given
    std::string error;  // for UsageError: one line, without the program's name
};

// `arguments` are the program's arguments after its own name, UTF-8. A relative file is taken
// against `currentFolder` (os::currentFolder()).
WindowCommand parseWindowCommand(const std::vector<std::string>& arguments,
                                 std::string_view currentFolder,
                                 PathRules rules = kNativePathRules);

// The answer to arguments that the system gave as text that does not convert to UTF-8.
WindowCommand unconvertedArguments();

// What --help and --version print, each ending with a newline.
std::string windowHelpText();
std::string windowVersionText(std::string_view version);

// What a request that needs no window (Help, Version, UsageError) says, whether it is an error,
// and the status the program then ends with.
struct WindowAnswer {
    std::string text;
    bool isError = false;
    int status = 0;
};
WindowAnswer answerFor(const WindowCommand& command, std::string_view version);

// Carries out a request that needs no window (Help, Version, UsageError): prints to standard
// output or standard error and returns the exit status.
int answerWithoutWindow(const WindowCommand& command, std::string_view version);

}  // namespace velbrisk::app
