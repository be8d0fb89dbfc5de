// velbrisk-trim's command line: what it asks for, and the texts of --help and --version.
#include "cli/TrimCommand.h"

#include "engine/job_texts.h"

namespace velbrisk::cli {

namespace {

TrimCommand usageError(std::string error) {
    return {TrimRequest::UsageError, {}, std::move(error)};
}

std::string quoted(std::string_view option) {
    return "“" + std::string{option} + "”";
}

TrimCommand missingArgument(std::string_view option) {
    return usageError("选项" + quoted(option) + "需要一个参数");
}

}  // namespace

TrimCommand parseTrimCommand(const std::vector<std::string>& arguments) {
    TrimCommand command;
    TrimOptions& options = command.options;
    bool optionsEnded = false;
    for (std::size_t k = 0; k < arguments.size(); ++k) {
        const std::string& argument = arguments[k];
        if (argument.empty()) {
            return usageError(std::string{texts::kEmptyFileName});
        }
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            options.sources.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument.starts_with("--")) {
            const std::size_t equals = argument.find('=');
            const std::string name = argument.substr(0, equals);
            if (name == "--output") {
                if (equals != std::string::npos) {
                    options.outputName = argument.substr(equals + 1);
                } else if (k + 1 < arguments.size()) {
                    options.outputName = arguments[++k];
                } else {
                    return missingArgument(name);
                }
                continue;
            }
            bool* flag = name == "--in-place"  ? &options.inPlace
                         : name == "--dry-run" ? &options.dryRun
                         : name == "--force"   ? &options.force
                         : name == "--all"     ? &options.all
                         : name == "--quiet"   ? &options.quiet
                                               : nullptr;
            const bool help = name == "--help";
            const bool version = name == "--version";
            if (flag == nullptr && !help && !version) {
                return usageError(texts::unknownOption(name));
            }
            if (equals != std::string::npos) {
                return usageError("选项" + quoted(name) + "不带参数");
            }
            if (help || version) {
                return {help ? TrimRequest::Help : TrimRequest::Version, {}, {}};
            }
            *flag = true;
            continue;
        }
        // Short options, which may be run together ("-nq"); -o takes the rest of the word or
        // the next argument.
        for (std::size_t at = 1; at < argument.size(); ++at) {
            const char letter = argument[at];
            if (letter == 'o') {
                if (at + 1 < argument.size()) {
                    options.outputName = argument.substr(at + 1);
                } else if (k + 1 < arguments.size()) {
                    options.outputName = arguments[++k];
                } else {
                    return missingArgument("-o");
                }
                break;
            }
            switch (letter) {
                case 'i':
                    options.inPlace = true;
                    break;
                case 'n':
                    options.dryRun = true;
                    break;
                case 'f':
                    options.force = true;
                    break;
                case 'q':
                    options.quiet = true;
                    break;
                case 'h':
                    return {TrimRequest::Help, {}, {}};
                default:
                    // The letter alone: the rest of the word may be UTF-8 that must not be cut.
                    return usageError(texts::unknownOption("-" + argument.substr(at, 1)));
            }
        }
    }

    if (options.sources.empty()) {
        return usageError("缺少要压缩的文件");
    }
    if (options.outputName) {
        if (options.outputName->empty()) {
            return usageError(std::string{texts::kNoOutputName});
        }
        if (options.inPlace) {
            return usageError("选项" + quoted("-o") + "不能与" + quoted("--in-place") + "同时使用");
        }
        if (options.sources.size() != 1) {
            return usageError("选项" + quoted("-o") + "只能用于一个文件");
        }
    }
    return command;
}

std::string trimHelpText() {
    return "用法：velbrisk-trim [选项] 文件...\n"
           "去掉每个文件末尾的空白部分（全为零的字节），生成更小的副本。\n"
           "副本写在原文件所在的文件夹中，默认名称是在原文件的扩展名前加上“.trimmed”\n"
           "（app.exe 生成 app.trimmed.exe）；已存在的同名文件不会被覆盖，除非使用 --force。\n"
           "原文件只读不写，除非使用 --in-place；本次给出的文件都不会被当作副本覆盖。\n"
           "\n"
           "  -o, --output=名称  压缩文件名（只能用于一个文件），同窗口中一样自动加上“.exe”\n"
           "  -i, --in-place     用压缩后的文件替换原文件（完整写好后一次替换，保留权限；\n"
           "                     出错时原文件不变）\n"
           "  -n, --dry-run      只报告可以去掉多少字节，不写入任何文件\n"
           "  -f, --force        覆盖已存在的副本\n"
           "      --all          连同Windows程序自身声明的数据（节或数字签名）一起去掉；\n"
           "                     默认只去掉这些数据之后的空白，保证程序完整\n"
           "  -q, --quiet        不输出每个文件的结果行和进度条，只输出错误\n"
           "  -h, --help         显示此帮助并退出\n"
           "      --version      显示版本信息并退出\n"
           "\n"
           "每个文件在标准输出上占一行：路径、压缩前后的字节数和节省的比例。\n"
           "“没有可以去掉的空白部分”不算错误。出错的文件在标准错误上说明原因，\n"
           "然后继续处理下一个文件。\n"
           "\n"
           "退出状态：0 表示所有文件都已处理好，1 表示有文件出错或被跳过，\n"
           "2 表示命令行用法错误，130 表示被 Ctrl-C 中断（不留下不完整的文件；\n"
           "已经完成的文件照常报告），141 表示输出管道被关闭。\n"
           "\n"
           "示例：\n"
           "  velbrisk-trim dist/*.exe\n"
           "  velbrisk-trim -o small app.exe\n"
           "  velbrisk-trim --in-place --quiet build/setup.exe\n";
}

std::string trimVersionText(std::string_view version) {
    return "velbrisk-trim " + std::string{version} + '\n';
}

std::string trimUsageHint() {
    return "请用“velbrisk-trim --help”查看用法。";
}

}  // namespace velbrisk::cli
