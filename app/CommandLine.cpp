// The window program's command line, `velbrisk [FILE]`, apart from any toolkit: both fronts use it.
#include "app/CommandLine.h"

#include <cstdio>

#include "engine/job_texts.h"
#include "engine/utf16.h"

namespace velbrisk::app {

WindowCommand parseWindowCommand(const std::vector<std::string>& arguments,
                                 std::string_view currentFolder, PathRules rules) {
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
            return {WindowRequest::UsageError, {}, texts::unknownOption(argument)};
        } else {
            files.push_back(argument);
        }
    }
    if (files.size() > 1) {
        return {WindowRequest::UsageError, {}, "只能给出一个文件"};
    }
    if (files.size() == 1) {
        if (files[0].empty()) {
            return {WindowRequest::UsageError, {}, std::string{texts::kEmptyFileName}};
        }
        command.file = absolutePath(files[0], currentFolder, rules);
    }
    return command;
}

WindowCommand unconvertedArguments() {
    return {WindowRequest::UsageError, {}, "参数" + std::string{kNotUnicodeText}};
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
