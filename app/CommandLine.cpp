// The window program's command line, `velbrisk [FILE]`, apart from any toolkit: both fronts use it.
#include "app/CommandLine.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace velbrisk::app {

namespace {

bool isSeparator(char c, PathStyle style) {
    return c == '/' || (style == PathStyle::Windows && c == '\\');
}

bool isDriveLetter(std::string_view path) {
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

// A path split into the part that names where it starts ("/", "C:\", "\\server\share\", or
// nothing for a relative path) and the rest.
struct RootedPath {
    std::string root;
    std::string_view rest;
    bool driveRelative = false;  // "C:name": relative to that drive's current folder
};

RootedPath splitRoot(std::string_view path, PathStyle style) {
    if (style == PathStyle::Posix) {
        if (!path.empty() && path[0] == '/') {
            return {"/", path.substr(1)};
        }
        return {"", path};
    }
    if (path.size() >= 2 && isSeparator(path[0], style) && isSeparator(path[1], style)) {
        // "\\server\share\rest": the server and the share are the root.
        std::size_t end = 2;
        for (int part = 0; part < 2 && end < path.size(); ++part) {
            while (end < path.size() && !isSeparator(path[end], style)) {
                ++end;
            }
            if (part == 0 && end < path.size()) {
                ++end;
            }
        }
        std::string root{path.substr(0, end)};
        for (char& c : root) {
            if (c == '/') {
                c = '\\';
            }
        }
        return {root + '\\', path.substr(end)};
    }
    if (isDriveLetter(path)) {
        std::string drive{path.substr(0, 2)};
        if (path.size() >= 3 && isSeparator(path[2], style)) {
            return {drive + '\\', path.substr(3)};
        }
        return {drive + '\\', path.substr(2), true};
    }
    if (!path.empty() && isSeparator(path[0], style)) {
        // Rooted on the current drive: the caller puts the drive in front.
        return {"\\", path.substr(1)};
    }
    return {"", path};
}

bool sameDrive(std::string_view a, std::string_view b) {
    return std::toupper(static_cast<unsigned char>(a[0])) ==
           std::toupper(static_cast<unsigned char>(b[0]));
}

// Appends the steps of `rest` to `steps`, leaving out empty and "." steps.
void appendSteps(std::string_view rest, PathStyle style, std::vector<std::string_view>& steps) {
    std::size_t at = 0;
    while (at <= rest.size()) {
        std::size_t end = at;
        while (end < rest.size() && !isSeparator(rest[end], style)) {
            ++end;
        }
        const std::string_view step = rest.substr(at, end - at);
        if (!step.empty() && step != ".") {
            steps.push_back(step);
        }
        at = end + 1;
    }
}

std::string joinSteps(std::string root, const std::vector<std::string_view>& steps,
                      PathStyle style) {
    const char separator = style == PathStyle::Windows ? '\\' : '/';
    for (std::size_t k = 0; k < steps.size(); ++k) {
        if (k > 0) {
            root += separator;
        }
        root += steps[k];
    }
    return root;
}

}  // namespace

std::string absolutePath(std::string_view path, std::string_view currentFolder, PathStyle style) {
    // A verbatim Windows path ("\\?\C:\a") is used as given: the system does not clean it either.
    if (style == PathStyle::Windows && path.starts_with("\\\\?\\")) {
        return std::string{path};
    }
    const RootedPath given = splitRoot(path, style);
    const RootedPath current = splitRoot(currentFolder, style);
    std::vector<std::string_view> steps;
    std::string root;
    if (given.root.empty() || given.root == "\\") {
        // Relative to the current folder, or (Windows, "\name") to the root of its drive.
        root = current.root;
        if (given.root.empty()) {
            appendSteps(current.rest, style, steps);
        }
    } else if (given.driveRelative && !current.root.empty() && isDriveLetter(current.root) &&
               sameDrive(given.root, current.root)) {
        root = current.root;
        appendSteps(current.rest, style, steps);
    } else {
        // Fully rooted; a drive-relative path on another drive is taken from that drive's root,
        // whose own current folder only the system knows.
        root = given.root;
    }
    appendSteps(given.rest, style, steps);
    return joinSteps(root, steps, style);
}

WindowCommand parseWindowCommand(const std::vector<std::string>& arguments,
                                 std::string_view currentFolder, PathStyle style) {
    WindowCommand command;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (argument == "-h" || argument == "--help")) {
            return {WindowRequest::Help, {}, {}};
        } else if (!optionsEnded && argument == "--version") {
            return {WindowRequest::Version, {}, {}};
        } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            return {WindowRequest::UsageError, {}, "无法识别的选项“" + argument + "”"};
        } else {
            files.push_back(argument);
        }
    }
    if (files.size() > 1) {
        return {WindowRequest::UsageError, {}, "只能给出一个文件"};
    }
    if (files.size() == 1) {
        if (files[0].empty()) {
            return {WindowRequest::UsageError, {}, "文件名不能为空"};
        }
        command.file = absolutePath(files[0], currentFolder, style);
    }
    return command;
}

std::string currentFolder() {
#ifdef _WIN32
    // The system's converter, not the library's, which would pull std::locale into the program.
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    std::wstring wide(length, L'\0');
    wide.resize(GetCurrentDirectoryW(length, wide.data()));
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0,
                                          nullptr, nullptr);
    std::string folder(std::size_t(bytes > 0 ? bytes : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), folder.data(), bytes, nullptr,
                        nullptr);
    return folder;
#else
    std::error_code ec;
    const std::u8string folder = std::filesystem::current_path(ec).u8string();
    return ec ? std::string{} : std::string(folder.begin(), folder.end());
#endif
}

std::string windowHelpText() {
    return "用法：velbrisk [选项] [文件]\n"
           "打开Velbrisk窗口。给出文件时，窗口“将被压缩的文件”一栏中填入该文件的绝对路径。\n"
           "\n"
           "  -h, --help     显示此帮助并退出\n"
           "      --version  显示版本信息并退出\n"
           "\n"
           "要在脚本中压缩文件或一次压缩多个文件，请使用 velbrisk-trim。\n";
}

std::string windowVersionText(std::string_view version) {
    return "velbrisk " + std::string{version} + '\n';
}

WindowAnswer answerFor(const WindowCommand& command, std::string_view version) {
    switch (command.request) {
        case WindowRequest::Open:
            break;
        case WindowRequest::Help:
            return {windowHelpText(), false, 0};
        case WindowRequest::Version:
            return {windowVersionText(version), false, 0};
        case WindowRequest::UsageError:
            return {"velbrisk：" + command.error + "\n请用“velbrisk --help”查看用法。\n", true, 2};
    }
    return {};
}

int answerWithoutWindow(const WindowCommand& command, std::string_view version) {
    const WindowAnswer answer = answerFor(command, version);
    if (answer.isError) {
        std::fputs(answer.text.c_str(), stderr);
        return answer.status;
    }
    std::fputs(answer.text.c_str(), stdout);
    return std::fflush(stdout) == 0 ? answer.status : 1;
}

}  // namespace velbrisk::app
