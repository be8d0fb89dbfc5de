// velbrisk-trim's work: each source scanned and trimmed in turn, one report line for each.
#include "cli/TrimBatch.h"

#include <algorithm>

#include "engine/job.h"
#include "engine/job_texts.h"

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

// A path as its line shows it. A name that holds a line break or another control character is
// quoted, that character written as an escape, so that one file is always one line.
std::string shown(std::string_view path) {
    const auto isControl = [](unsigned char c) { return c < 0x20 || c == 0x7F; };
    if (std::none_of(path.begin(), path.end(), isControl)) {
        return std::string{path};
    }
    std::string text = "\"";
    for (const unsigned char c : path) {
        if (c == '"' || c == '\\') {
            text += '\\';
            text += static_cast<char>(c);
        } else if (c == '\n') {
            text += "\\n";
        } else if (c == '\t') {
            text += "\\t";
        } else if (isControl(c)) {
            static constexpr char kHex[] = "0123456789abcdef";
            text += "\\x";
            text += kHex[c >> 4];
            text += kHex[c & 0xF];
        } else {
            text += static_cast<char>(c);
        }
    }
    return text + '"';
}

// The window's words for a failure, then the path and the system's reason on the same line.
std::string failureText(const JobResult& result) {
    std::string text{texts::failureHeadline(result.status)};
    text += shown(result.path);
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
    return "节省 " + savedShare(before, after);
}

FileEnding nothingToCut(const std::string& sourcePath, std::int64_t length) {
    return {FileOutcome::Well, shown(sourcePath) + "：" + std::to_string(length) + " 字节，" +
                                   std::string{texts::kNothingToCut}};
}

// Where the trimmed bytes went. A source that is a symbolic link keeps being one: the file it
// leads to is what was replaced, and the line names it.
std::string placed(const TrimOptions& options, const std::string& sourcePath,
                   const JobOutcome& outcome) {
    if (!options.inPlace) {
        return "写入 " + shown(outcome.writtenPath);
    }
    if (outcome.writtenPath != sourcePath) {
        return "已替换链接指向的文件 " + shown(outcome.writtenPath);
    }
    return "已替换原文件";
}

// The command line's side of a job: the file work right here, and no one to ask.
class BatchJob final : public JobFront {
public:
    BatchJob(const JobControl& control, bool cutAll) : control_(control), cutAll_(cutAll) {}

    JobResult runStep(const std::function<JobResult(const JobControl&)>& step) override {
        return step(control_);
    }

    // The window asks here; a script has no one to answer, so the program is kept whole unless the
    // command line said otherwise.
    ImageCutAnswer askImageCut(const TrimPlan&, bool) override {
        return cutAll_ ? ImageCutAnswer::CutAll : ImageCutAnswer::KeepProgram;
    }

private:
    const JobControl& control_;
    const bool cutAll_;
};

FileEnding trimOne(const TrimOptions& options, const RunSources& runSources,
                   const std::string& sourcePath, const JobControl& control) {
    JobRequest request;
    request.sourcePath = sourcePath;
    request.outputPath = options.outputName ? outputPath(sourcePath, *options.outputName)
                                            : defaultOutputPath(sourcePath);
    request.mode = options.inPlace ? JobMode::ReplaceSource : JobMode::WriteCopy;
    request.reportOnly = options.dryRun;
    // A copy that is not smaller is of no use to anyone, and the source itself is never made
    // longer, nor grown by one byte more at every run of a script.
    request.onlySmaller = true;
    request.replaceExistingOutput = options.force;
    request.runSources = &runSources;
    BatchJob job(control, options.all);
    const JobOutcome outcome = runJob(request, job);

    const std::int64_t before = outcome.sourceLength;
    const std::int64_t after = outcome.outputLength;
    const std::string sized = shown(sourcePath) + "：" + sizes(before, after) + "，";
    // What a cut that stopped at the program's own bytes kept for it.
    const std::string kept =
        outcome.keptProgram ? "，" + texts::keptForProgram(after - outcome.fullCutLength) : "";
    switch (outcome.ending) {
        case JobEnding::Trimmed:
            return {FileOutcome::Well,
                    sized + saving(before, after) + kept + "，" + placed(options, sourcePath, outcome)};
        case JobEnding::Reported:
            return {FileOutcome::Well,
                    sized + "可" + saving(before, after) + kept +
                        (outcome.keptProgram
                             ? "（全部去掉为 " + std::to_string(outcome.fullCutLength) + " 字节）"
                             : "") +
                        "（未写入）"};
        case JobEnding::NothingToCut:
            if (outcome.keptProgram) {
                return {FileOutcome::Well, shown(sourcePath) + "：" + std::to_string(before) +
                                               " 字节，" + std::string{texts::kNothingAfterProgram}};
            }
            return nothingToCut(sourcePath, before);
        case JobEnding::ImageCutDeclined:
            // Never answered here, since a batch keeps the program whole or cuts it all.
            return {FileOutcome::Failed, shown(sourcePath) + "：未压缩。"};
        case JobEnding::Failed:
            return {FileOutcome::Failed, failureText(outcome.failure)};
        case JobEnding::Cancelled:
            break;
    }
    return {FileOutcome::Cancelled, {}};
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
    const RunSources runSources(options.sources);
    bool anyFailed = false;
    bool cancelled = false;
    for (const std::string& source : options.sources) {
        if (stop.stop_requested()) {
            cancelled = true;
            break;
        }
        FileEnding ending;
        {
            // The progress display is gone before the file's line is written.
            ProgressScope scope(progress, source, stop);
            ending = trimOne(options, runSources, source, scope.control());
        }
        if (ending.outcome == FileOutcome::Cancelled) {
            cancelled = true;
            break;
        }
        if (ending.outcome == FileOutcome::Failed) {
            anyFailed = true;
            err << kProgram << ending.line << '\n' << std::flush;
        } else if (!options.quiet) {
            out << ending.line << '\n' << std::flush;
        }
    }
    // A stop that came after the last file was in place stopped nothing: the files say so.
    if (cancelled) {
        err << kProgram << "已取消。" << '\n' << std::flush;
        return kStatusCancelled;
    }
    if (!out) {
        // The report was lost (a full disk, a closed output): whoever reads it must not take
        // silence for success.
        err << kProgram << "无法写出结果（标准输出）。" << '\n' << std::flush;
        return kStatusSomeFailed;
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
