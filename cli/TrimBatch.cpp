// velbrisk-trim's work: each source scanned and trimmed in turn, one report line for each.
#include "cli/TrimBatch.h"

#include "engine/trim.h"

namespace velbrisk::cli {

namespace {

constexpr std::string_view kProgram = "velbrisk-trim：";

// The share of `before` that the trim saves, to a tenth of a percent, rounded down so that a file
// that lost a few bytes of many never reads "100.0%".
std::string savedShare(std::int64_t before, std::int64_t after) {
    const std::int64_t tenths = (before - after) * 1000 / before;
    return std::to_string(tenths / 10) + '.' + std::to_string(tenths % 10) + '%';
}

std::string sizes(std::int64_t before, std::int64_t after) {
    return std::to_string(before) + " → " + std::to_string(after) + " 字节";
}

// The window's words for a failure, then the path and the system's reason on the same line.
std::string failureText(const JobResult& result) {
    std::string text;
    switch (result.status) {
        case JobStatus::SourceMissing:
            text = "找不到要压缩的文件！";
            break;
        case JobStatus::SourceUnreadable:
            text = "无法读取被压缩文件！";
            break;
        case JobStatus::OutputUnwritable:
            text = "无法写入压缩文件！";
            break;
        case JobStatus::SameFile:
            text = "压缩文件不能与被压缩文件相同！";
            break;
        case JobStatus::Done:
        case JobStatus::NothingToCut:
        case JobStatus::Cancelled:
            break;
    }
    text += result.path;
    if (!result.reason.empty()) {
        text += "：" + result.reason;
    }
    return text;
}

// Brackets one file's job for the progress display, whichever way the job ends.
class ProgressScope {
public:
    ProgressScope(FileProgress* progress, std::string_view sourcePath, std::stop_token stop)
        : progress_(progress) {
        control_.stop = std::move(stop);
        if (progress_ != nullptr) {
            progress_->begin(sourcePath);
            control_.progress = [progress](std::uint64_t done, std::uint64_t total) {
                progress->update(done, total);
            };
        }
    }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;
    ~ProgressScope() {
        if (progress_ != nullptr) {
            progress_->end();
        }
    }
    const JobControl& control() const { return control_; }

private:
    FileProgress* progress_;
    JobControl control_;
};

enum class FileOutcome { Well, Failed, Cancelled };

// How one file ended, and the line that says so: a report line when it ended well, an error
// line when it failed.
struct FileEnding {
    FileOutcome outcome = FileOutcome::Well;
    std::string line;
};

std::string saving(std::int64_t before, std::int64_t after) {
    if (after > before) {
        // Nothing is cut and the copy keeps one zero byte past the end, as the window's does.
        return "多出 " + std::to_string(after - before) + " 字节";
    }
    return "节省 " + savedShare(before, after);
}

FileEnding ended(const JobResult& result) {
    if (result.status == JobStatus::Cancelled) {
        return {FileOutcome::Cancelled, {}};
    }
    return {FileOutcome::Failed, failureText(result)};
}

// The name handed to the scan when the output is not named by -o: never the source's own, so
// that the scan's check of the output cannot refuse the job for it.
std::string placeholderName(std::string_view sourcePath) {
    const std::string_view name = sourcePath.substr(sourceFolder(sourcePath).size());
    return name == "velbrisk-trim.exe" ? "velbrisk-trim-copy" : "velbrisk-trim";
}

FileEnding nothingToCut(const std::string& sourcePath, std::int64_t length) {
    return {FileOutcome::Well, sourcePath + "：" + std::to_string(length) +
                                   " 字节，该文件没有可以去掉的空白部分，未生成压缩文件。"};
}

FileEnding trimOne(const TrimOptions& options, const std::string& sourcePath,
                   const JobControl& control) {
    TrimPlan plan;
    const JobResult scanned = scanSource(
        sourcePath, options.outputName.value_or(placeholderName(sourcePath)), plan, control);
    if (scanned.status == JobStatus::NothingToCut) {
        return nothingToCut(sourcePath, plan.sourceLength);
    }
    if (scanned.status != JobStatus::Done) {
        return ended(scanned);
    }
    if (!options.outputName) {
        plan.outputPath = defaultOutputPath(sourcePath);
    }

    const std::int64_t before = plan.sourceLength;
    const std::int64_t after = plan.cut->outputLength;
    if (options.inPlace && after >= before) {
        // With nothing cut the window's copy is one byte longer than its source. A copy beside
        // the source may be so; the source itself is never made longer, nor grown by one byte
        // more at every run of a script.
        return nothingToCut(sourcePath, before);
    }
    if (plan.imageBytesCut > 0 && !options.force) {
        // The window asks here; a script has no one to answer, so the file is left alone.
        return {FileOutcome::Failed,
                sourcePath + "：此文件是Windows程序，要去掉的空白中有" +
                    std::to_string(plan.imageBytesCut) +
                    "字节属于程序自身的数据（节或数字签名），这样生成的文件可能无法运行，"
                    "或签名失效。未压缩；如仍要压缩，请加上 --force。"};
    }
    if (options.dryRun) {
        return {FileOutcome::Well, sourcePath + "：" + sizes(before, after) + "，可" +
                                       saving(before, after) + "（未写入）"};
    }

    const JobResult written =
        options.inPlace ? replaceTrimmed(plan, control) : writeTrimmed(plan, control);
    if (written.status != JobStatus::Done) {
        return ended(written);
    }
    return {FileOutcome::Well,
            sourcePath + "：" + sizes(before, after) + "，" + saving(before, after) + "，" +
                (options.inPlace ? std::string{"已替换原文件"} : "写入 " + plan.outputPath)};
}

}  // namespace

std::string defaultOutputPath(std::string_view sourcePath) {
    const std::string folder = sourceFolder(sourcePath);
    const std::string_view name = sourcePath.substr(folder.size());
    const std::size_t dot = name.rfind('.');
    const std::size_t stemLength = dot == std::string_view::npos || dot == 0 ? name.size() : dot;
    return folder + std::string{name.substr(0, stemLength)} + ".trimmed" +
           std::string{name.substr(stemLength)};
}

int runBatch(const TrimOptions& options, std::ostream& out, std::ostream& err, std::stop_token stop,
             FileProgress* progress) {
    if (options.quiet) {
        progress = nullptr;
    }
    bool anyFailed = false;
    for (const std::string& source : options.sources) {
        if (stop.stop_requested()) {
            break;
        }
        FileEnding ending;
        {
            // The progress display is gone before the file's line is written.
            ProgressScope scope(progress, source, stop);
            ending = trimOne(options, source, scope.control());
        }
        if (ending.outcome == FileOutcome::Failed) {
            anyFailed = true;
            err << kProgram << ending.line << '\n' << std::flush;
        } else if (ending.outcome == FileOutcome::Well && !options.quiet) {
            out << ending.line << '\n' << std::flush;
        }
    }
    if (stop.stop_requested()) {
        err << kProgram << "已取消。" << '\n' << std::flush;
        return kStatusCancelled;
    }
    return anyFailed ? kStatusSomeFailed : kStatusAllWell;
}

int runTrimCommand(const std::vector<std::string>& arguments, std::string_view version,
                   std::ostream& out, std::ostream& err, std::stop_token stop,
                   FileProgress* progress) {
    const TrimCommand command = parseTrimCommand(arguments);
    switch (command.request) {
        case TrimRequest::Help:
            out << trimHelpText() << std::flush;
            break;
        case TrimRequest::Version:
            out << trimVersionText(version) << std::flush;
            break;
        case TrimRequest::UsageError:
            err << kProgram << command.error << '\n' << trimUsageHint() << '\n' << std::flush;
            return kStatusUsage;
        case TrimRequest::Trim:
            return runBatch(command.options, out, err, std::move(stop), progress);
    }
    // Help or version that could not be written (a closed pipe, a full disk) is no success.
    return out ? kStatusAllWell : kStatusSomeFailed;
}

}  // namespace velbrisk::cli
