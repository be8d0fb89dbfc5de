// The window program's command line, `velbrisk [FILE]`, apart from any toolkit: both fronts use it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

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

// How a path is made absolute: by the rules of POSIX ("/" only), or of Windows (drive letters,
// "\" and "/" both, "\\server\share").
enum class PathStyle { Posix, Windows };
#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

// `arguments` are the program's arguments after its own name, UTF-8. A relative file is taken
// against `currentFolder`.
WindowCommand parseWindowCommand(const std::vector<std::string>& arguments,
                                 std::string_view currentFolder,
                                 PathStyle style = kNativePathStyle);

// `path` against `currentFolder`, without looking at the disk: "." steps and doubled separators
// go, ".." stays (through a symbolic link it need not mean the folder above).
std::string absolutePath(std::string_view path, std::string_view currentFolder,
                         PathStyle style = kNativePathStyle);

// The process's current folder, UTF-8; empty when the system cannot say (it was removed).
std::string currentFolder();

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
