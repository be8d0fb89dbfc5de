// The trimming job: checks, the scan, the copy into a temporary file, and putting it in place.
#include "engine/trim.h"

#include <algorithm>
#include <memory>

#include "engine/job_step.h"
#include "engine/os_file.h"
#include "engine/pe_image.h"
#include "engine/tail_scan.h"
#include "engine/trim_internals.h"
#include "engine/trimmed_copy.h"

namespace velbrisk {
namespace {

JobResult failure(JobStatus status, const std::string& path, const std::error_code& ec = {}) {
    return {status, path, ec ? os::errorText(ec) : std::string{}};
}

// Opens the source read-only: a missing path or a folder is "no such file"; anything else that
// stops the open is a read failure with the system's reason.
JobResult openSource(const std::string& path, os::File& file, os::FileInfo& info) {
    std::error_code ec;
    if (path.empty()) {
        return failure(JobStatus::SourceMissing, path);
    }
    file = os::openRead(path, ec);
    if (ec) {
        // Some systems refuse to open a folder as a file rather than open it; it is no file all
        // the same.
        std::error_code ignored;
        const bool missing = ec == std::errc::no_such_file_or_directory ||
                             ec == std::errc::not_a_directory ||
                             os::pathInfo(path, ignored).isDirectory;
        return failure(missing ? JobStatus::SourceMissing : JobStatus::SourceUnreadable, path, ec);
    }
    info = os::fileInfo(file, ec);
    if (ec) {
        return failure(JobStatus::SourceUnreadable, path, ec);
    }
    if (info.isDirectory) {
        return failure(JobStatus::SourceMissing, path);
    }
    return {JobStatus::Done, path, {}};
}

// Whether the output path leads to the source file itself, by any spelling or link. A path that
// cannot be looked at names no existing file, so it cannot be the source.
bool namesSource(const std::string& outputPath, const os::FileInfo& source) {
    std::error_code ec;
    const os::FileInfo output = os::pathInfo(outputPath, ec);
    return !ec && output.identity == source.identity;
}

std::uint64_t blankTailBytes(std::int64_t sourceLength, std::int64_t lastDataOffset) {
    return static_cast<std::uint64_t>(sourceLength - (lastDataOffset + 1));
}

// The temporary output: removed when the job does not reach the final rename.
class TempOutput {
public:
    explicit TempOutput(const std::string& outputPath) {
        file_ = os::createTempBeside(outputPath, path_, error_);
    }
    TempOutput(const TempOutput&) = delete;
    TempOutput& operator=(const TempOutput&) = delete;
    ~TempOutput() { discard(); }

    const std::error_code& openError() const { return error_; }
    const os::File& file() const { return file_; }

    // Closes the file and puts it in the place of `outputPath`. A copy that replaces a file
    // reaches the disk first: otherwise a power cut soon after could leave an empty file where the
    // old one was. A new copy is not flushed, as cp does not flush: the source it comes from is
    // untouched, so a crash loses nothing that the job cannot make again.
    bool commit(const std::string& outputPath, std::error_code& ec) {
        std::error_code absent;
        os::pathInfo(outputPath, absent);
        const bool replacing = !absent;
        if (replacing && !os::syncFile(file_, ec)) {
            return false;
        }
        file_.close(ec);
        if (ec) {
            return false;
        }
        if (!os::replaceFile(path_, outputPath, replacing, ec)) {
            return false;
        }
        path_.clear();
        return true;
    }

    void discard() {
        std::error_code ignored;
        file_.close(ignored);
        if (!path_.empty()) {
            os::removeFile(path_, ignored);
            path_.clear();
        }
    }

private:
    os::File file_;
    std::string path_;
    std::error_code error_;
};

}  // namespace

namespace detail {

JobResult scanSource(std::string_view sourcePath, std::string_view outputName, TrimPlan& plan,
                     const JobControl& control, const TrimOptions& options, TrimStats& stats) {
    plan = TrimPlan{};
    plan.sourcePath = std::string{sourcePath};
    plan.outputPath = velbrisk::outputPath(sourcePath, outputName);

    os::File source;
    os::FileInfo info;
    JobResult opened = openSource(plan.sourcePath, source, info);
    if (opened.status != JobStatus::Done) {
        return opened;
    }
    plan.sourceLength = info.size;

    // Until the cut is known the total is an upper bound: the whole source, plus the at most
    // eleven bytes that the copy keeps beyond the last data byte.
    const auto length = static_cast<std::uint64_t>(info.size);
    ProgressMeter progress(control, 0, length + kProbeStep + 1);
    const auto buffer = std::make_unique_for_overwrite<std::byte[]>(options.blockBytes);
    std::int64_t lastDataOffset = -1;
    StepResult scanned = findLastData(source, info.size, {buffer.get(), options.blockBytes},
                                      progress, stats, lastDataOffset);
    if (scanned.status != JobStatus::Done) {
        return failure(scanned.status, plan.sourcePath, scanned.error);
    }
    plan.lastDataOffset = lastDataOffset;
    plan.cut = findCut(info.size, lastDataOffset);
    if (!plan.cut) {
        progress.setTotal(length);
        progress.moveTo(length);
        progress.finish();
        return {JobStatus::NothingToCut, plan.sourcePath, {}};
    }
    if (plan.cut->cutAmount > 0) {
        // Only the headers are read, a few KiB whatever the file's size.
        if (const std::optional<std::int64_t> declaredEnd = declaredDataEnd(source, info.size)) {
            plan.imageBytesCut = bytesOfImageCut(*declaredEnd, plan.cut->outputLength);
        }
    }
    if (plan.imageBytesCut > 0 && namesSource(plan.outputPath, info)) {
        return failure(JobStatus::SameFile, plan.outputPath);
    }
    const std::uint64_t blank = blankTailBytes(info.size, lastDataOffset);
    progress.setTotal(blank + static_cast<std::uint64_t>(plan.cut->outputLength));
    return {JobStatus::Done, plan.sourcePath, {}};
}

JobResult writeTrimmed(const TrimPlan& plan, const JobControl& control, const TrimOptions& options,
                       TrimStats& stats) {
    if (!plan.cut) {
        return {JobStatus::NothingToCut, plan.sourcePath, {}};
    }
    os::File source;
    os::FileInfo info;
    JobResult opened = openSource(plan.sourcePath, source, info);
    if (opened.status != JobStatus::Done) {
        return opened;
    }
    if (info.size != plan.sourceLength) {
        // The source changed since the scan, so the cut no longer describes it.
        return failure(JobStatus::SourceUnreadable, plan.sourcePath,
                       std::make_error_code(std::errc::io_error));
    }
    // Asked again: the output path may have come to name the source since the scan.
    if (namesSource(plan.outputPath, info)) {
        return failure(JobStatus::SameFile, plan.outputPath);
    }

    const std::int64_t outputLength = plan.cut->outputLength;
    const std::uint64_t blank = blankTailBytes(plan.sourceLength, plan.lastDataOffset);
    ProgressMeter progress(control, blank, blank + static_cast<std::uint64_t>(outputLength));
    if (progress.stopRequested()) {
        return {JobStatus::Cancelled, plan.outputPath, {}};
    }

    TempOutput temp(plan.outputPath);
    if (temp.openError()) {
        return failure(JobStatus::OutputUnwritable, plan.outputPath, temp.openError());
    }
    const std::int64_t fromSource = std::min(outputLength, plan.sourceLength);
    StepResult copied = copyLeadingBytes(source, temp.file(), fromSource, progress, options, stats);
    if (copied.status != JobStatus::Done) {
        const bool sourceSide = copied.status == JobStatus::SourceUnreadable;
        return failure(copied.status, sourceSide ? plan.sourcePath : plan.outputPath, copied.error);
    }
    std::error_code ec;
    if (outputLength > fromSource) {
        // With nothing cut the output is one byte longer than the source, and that byte is zero.
        // It is written, not made by extending the length, so that a full disk shows here.
        const std::byte zero{0};
        if (!os::writeAt(temp.file(), fromSource, &zero, 1, ec)) {
            return failure(JobStatus::OutputUnwritable, plan.outputPath, ec);
        }
    }
    // A file system without POSIX permissions (FAT, some network shares) refuses this; the copy is
    // no less right for it, so that is no failure.
    os::setPermissions(temp.file(), info.permissions, ec);
    if (progress.stopRequested()) {
        return {JobStatus::Cancelled, plan.outputPath, {}};
    }
    if (!temp.commit(plan.outputPath, ec)) {
        return failure(JobStatus::OutputUnwritable, plan.outputPath, ec);
    }
    progress.finish();
    return {JobStatus::Done, plan.outputPath, {}};
}

JobResult trimFile(std::string_view sourcePath, std::string_view outputName,
                   const JobControl& control, const TrimOptions& options, TrimStats& stats) {
    TrimPlan plan;
    JobResult scanned = scanSource(sourcePath, outputName, plan, control, options, stats);
    if (scanned.status != JobStatus::Done) {
        return scanned;
    }
    return writeTrimmed(plan, control, options, stats);
}

}  // namespace detail

JobResult scanSource(std::string_view sourcePath, std::string_view outputName, TrimPlan& plan,
                     const JobControl& control) {
    detail::TrimStats stats;
    return detail::scanSource(sourcePath, outputName, plan, control, {}, stats);
}

JobResult writeTrimmed(const TrimPlan& plan, const JobControl& control) {
    detail::TrimStats stats;
    return detail::writeTrimmed(plan, control, {}, stats);
}

JobResult trimFile(std::string_view sourcePath, std::string_view outputName,
                   const JobControl& control) {
    detail::TrimStats stats;
    return detail::trimFile(sourcePath, outputName, control, {}, stats);
}

}  // namespace velbrisk
