// The trimming job: checks, the scan, the copy into a file no one sees yet, and putting it in
// place.
#include "engine/trim.h"

#include <algorithm>
#include <memory>

#include "engine/job_error.h"
#include "engine/job_step.h"
#include "engine/os_file.h"
#include "engine/pe_image.h"
#include "engine/tail_scan.h"
#include "engine/trim_internals.h"
#include "engine/trimmed_copy.h"

namespace velbrisk {
namespace {

using detail::HeldSource;

// How the job reads and copies, the caller's choice or the defaults; and where it counts what it
// did, the caller's counters or `own`, which no one reads.
const detail::TrimOptions& tuningOf(const JobControl& control) {
    static const detail::TrimOptions kDefaults;
    return control.tuning != nullptr ? *control.tuning : kDefaults;
}

detail::TrimStats& statsOf(const JobControl& control, detail::TrimStats& own) {
    return control.stats != nullptr ? *control.stats : own;
}

JobResult failure(JobStatus status, const std::string& path, const std::error_code& ec = {}) {
    return {status, path, ec ? os::errorText(ec) : std::string{}};
}

JobResult done(const std::string& path) {
    return {JobStatus::Done, path, {}};
}

// Opens the source read-only. A missing path is "no such file", and a folder says that it is one;
// anything but a regular file is refused before it is opened, since opening a device can itself do
// something (rewind a tape, take a terminal), and again once open, in case the path was swapped.
JobResult openSource(const std::string& path, HeldSource& source) {
    std::error_code ec;
    if (path.empty()) {
        return failure(JobStatus::SourceMissing, path);
    }
    const os::FileInfo named = os::pathInfo(path, ec);
    if (ec) {
        const bool missing =
            ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory;
        return failure(missing ? JobStatus::SourceMissing : JobStatus::SourceUnreadable, path, ec);
    }
    if (named.isDirectory) {
        return failure(JobStatus::SourceUnreadable, path, JobError::IsAFolder);
    }
    if (!named.isRegular) {
        return failure(JobStatus::SourceUnreadable, path, JobError::NotRegularFile);
    }
    source.file = os::openRead(path, ec);
    if (ec) {
        const bool missing = ec == std::errc::no_such_file_or_directory;
        return failure(missing ? JobStatus::SourceMissing : JobStatus::SourceUnreadable, path, ec);
    }
    source.info = os::fileInfo(source.file, ec);
    if (ec) {
        return failure(JobStatus::SourceUnreadable, path, ec);
    }
    if (source.info.isDirectory) {
        return failure(JobStatus::SourceUnreadable, path, JobError::IsAFolder);
    }
    if (!source.info.isRegular) {
        return failure(JobStatus::SourceUnreadable, path, JobError::NotRegularFile);
    }
    return done(path);
}

// Whether `now` is the file that `then` describes, as it was: the same identity, size and times.
// A change time cannot be set back by any program, so a write, a cut or a rename over the path
// always shows in it; but a rename stamps it on the file it moves, so a file just moved is held to
// the rest alone.
enum class ChangeTime { Compared, Stamped };
bool sameAsScanned(const os::FileInfo& now, const os::FileInfo& then,
                   ChangeTime changeTime = ChangeTime::Compared) {
    return now.size == then.size && now.modifiedNs == then.modifiedNs &&
           (changeTime == ChangeTime::Stamped || now.changedNs == then.changedNs) &&
           now.identity == then.identity;
}

// Whether the held source is still the file that was scanned, and, with `andPath`, its path still
// leads to it.
enum class AndPath { No, Yes };
JobResult checkUnchanged(const HeldSource& source, const std::string& path,
                         AndPath andPath = AndPath::Yes) {
    std::error_code ec;
    const os::FileInfo now = os::fileInfo(source.file, ec);
    if (ec) {
        return failure(JobStatus::SourceUnreadable, path, ec);
    }
    const os::FileInfo& then = source.info;
    if (!sameAsScanned(now, then)) {
        return failure(JobStatus::SourceUnreadable, path, JobError::SourceChanged);
    }
    if (andPath == AndPath::No) {
        return done(path);
    }
    const os::FileInfo named = os::pathInfo(path, ec);
    if (ec && ec != std::errc::no_such_file_or_directory) {
        return failure(JobStatus::SourceUnreadable, path, ec);
    }
    if (ec || named.identity != then.identity) {
        return failure(JobStatus::SourceUnreadable, path, JobError::SourceChanged);
    }
    return done(path);
}

// Whether the output path leads to the source file itself, by any spelling or link. A path that
// cannot be looked at names no existing file, so it cannot be the source.
bool namesSource(const std::string& outputPath, const os::FileInfo& source) {
    std::error_code ec;
    const os::FileInfo output = os::pathInfo(outputPath, ec);
    return !ec && output.identity == source.identity;
}

// An output marked read-only is one the user wants kept: it is never replaced.
JobResult refuseReadOnly(const std::string& outputPath) {
    std::error_code ec;
    const os::FileInfo output = os::pathInfo(outputPath, ec);
    if (!ec && !output.isDirectory && (output.permissions & 0200) == 0) {
        return failure(JobStatus::OutputUnwritable, outputPath, JobError::ReadOnly);
    }
    return done(outputPath);
}

// The refusals of an output that must fail, before anything is copied.
JobResult refuseOutput(const std::string& outputPath, const os::FileInfo& source) {
    if (namesSource(outputPath, source)) {
        return failure(JobStatus::SameFile, outputPath);
    }
    std::error_code ec;
    if (!os::checkNewFilePath(outputPath, ec)) {
        return failure(JobStatus::OutputUnwritable, outputPath, ec);
    }
    return refuseReadOnly(outputPath);
}

std::uint64_t blankTailBytes(std::int64_t sourceLength, std::int64_t lastDataOffset) {
    return static_cast<std::uint64_t>(sourceLength - (lastDataOffset + 1));
}

// The new file: discarded when the job does not put it in place.
class NewOutput {
public:
    NewOutput(const std::string& targetPath, std::uint32_t permissions, bool allowUnnamed) {
        file_ = os::createNewBeside(targetPath, permissions, allowUnnamed, error_);
    }
    NewOutput(const NewOutput&) = delete;
    NewOutput& operator=(const NewOutput&) = delete;
    ~NewOutput() { os::discardNew(file_); }

    const std::error_code& openError() const { return error_; }
    const os::File& file() const { return file_.file; }

    // A copy that replaces a file reaches the disk before the last checks: otherwise a power cut
    // soon after could leave an empty file where the old one was, and a flush of gigabytes is
    // time in which the source can change unseen. A new copy is not flushed, as cp does not
    // flush: the source it comes from is untouched, so a crash loses nothing that the job cannot
    // make again.
    bool flushIfReplacing(const std::string& targetPath, std::error_code& ec) {
        std::error_code absent;
        os::pathInfo(targetPath, absent);
        replacing_ = !absent;
        return !replacing_ || os::syncFile(file_.file, ec);
    }

    bool commit(const std::string& targetPath, std::error_code& ec) {
        return os::putInPlace(file_, targetPath, replacing_, ec);
    }

    // Puts the copy over `source`'s file at `targetPath`, and looks at what it replaced: unless it
    // is the file scanned, as scanned, it goes back, and so does the copy.
    JobResult replace(const std::string& targetPath, const HeldSource& source,
                      const std::string& sourcePath) {
        std::error_code ec;
        if (!os::replaceInPlace(file_, targetPath, source.file, ec)) {
            return failure(JobStatus::OutputUnwritable, targetPath, ec);
        }
        if (file_.replacedPath.empty()) {
            return done(targetPath);  // replaced unseen: the last checks are all there is
        }
        const os::FileInfo replaced = os::pathInfo(file_.replacedPath, ec);
        if (ec || !sameAsScanned(replaced, source.info, ChangeTime::Stamped)) {
            std::error_code undone;
            if (!os::undoReplace(file_, targetPath, source.file, undone)) {
                // The changed file is kept where it lies; the report names it.
                return failure(JobStatus::SourceUnreadable, file_.replacedPath,
                               JobError::SourceChanged);
            }
            return failure(JobStatus::SourceUnreadable, sourcePath, JobError::SourceChanged);
        }
        if (!os::keepReplacement(file_, targetPath, source.file, ec)) {
            return failure(JobStatus::OutputUnwritable, targetPath, ec);
        }
        return done(targetPath);
    }

private:
    os::NewFile file_;
    std::error_code error_;
    bool replacing_ = false;
};

// A writer through a shared memory map changes no time of the file: the bytes cut are read once
// more, after the copy, to see that they are still zero. The tail scan does it, holes skipped, and
// stops at the first data byte, which must be the one the scan found.
JobResult checkCutStillBlank(const TrimPlan& plan, const HeldSource& source,
                             const JobControl& control, const detail::TrimOptions& options,
                             detail::TrimStats& stats) {
    const JobControl stopOnly{{}, control.stop};
    ProgressMeter unseen(stopOnly, 0, static_cast<std::uint64_t>(plan.sourceLength));
    const auto buffer = std::make_unique_for_overwrite<std::byte[]>(options.blockBytes);
    detail::TrimStats checkStats;
    std::int64_t lastDataOffset = -1;
    const StepResult scanned =
        findLastData(source.file, plan.sourceLength, {buffer.get(), options.blockBytes}, unseen,
                     checkStats, lastDataOffset);
    stats.checkBytesRead += checkStats.scanBytesRead;
    if (scanned.status != JobStatus::Done) {
        return failure(scanned.status, plan.sourcePath, scanned.error);
    }
    if (lastDataOffset != plan.lastDataOffset) {
        return failure(JobStatus::SourceUnreadable, plan.sourcePath, JobError::SourceChanged);
    }
    return done(plan.sourcePath);
}

// Where the copy goes, and how it takes the source's permissions.
enum class Target {
    Output,  // the output path, as a new file: the bits the source grants, under the umask
    Source,  // over the source itself: its bits, owner and access list, as they are
};

JobResult copyAndPlace(const TrimPlan& plan, HeldSource& source, const std::string& namedPath,
                       Target target, const JobControl& control) {
    const detail::TrimOptions& options = tuningOf(control);
    detail::TrimStats own;
    detail::TrimStats& stats = statsOf(control, own);
    std::error_code ec;
    std::string targetPath = namedPath;
    if (target == Target::Source) {
        // A symbolic link stays a link: the file it leads to is the one replaced, and the result
        // names it. Replacing the link itself would leave the program it leads to untrimmed while
        // the link, a different kind of thing now, holds a copy; refusing would leave the user no
        // way to trim a program reached through one, as many are.
        targetPath = os::resolveLinks(namedPath, ec);
        if (ec) {
            return failure(JobStatus::SourceUnreadable, plan.sourcePath, ec);
        }
    }
    const std::int64_t outputLength = plan.cut->outputLength;
    const std::uint64_t blank = blankTailBytes(plan.sourceLength, plan.lastDataOffset);
    ProgressMeter progress(control, blank, blank + static_cast<std::uint64_t>(outputLength));
    if (progress.stopRequested()) {
        return {JobStatus::Cancelled, targetPath, {}};
    }
    // The other program may have changed the source while the caller asked the user a question.
    JobResult checked = checkUnchanged(source, plan.sourcePath);
    if (checked.status != JobStatus::Done) {
        return checked;
    }

    const std::uint32_t permissions = target == Target::Source
                                          ? source.info.permissions
                                          : os::grantedPermissions(source.file, source.info);
    NewOutput output(targetPath, permissions, options.allowUnnamedOutput);
    if (output.openError()) {
        return failure(JobStatus::OutputUnwritable, targetPath, output.openError());
    }
    const std::int64_t fromSource = std::min(outputLength, plan.sourceLength);
    StepResult copied =
        copyLeadingBytes(source.file, output.file(), fromSource, progress, options, stats);
    if (copied.status != JobStatus::Done) {
        const bool sourceSide = copied.status == JobStatus::SourceUnreadable;
        return failure(copied.status, sourceSide ? plan.sourcePath : targetPath, copied.error);
    }
    if (outputLength > fromSource) {
        // With nothing cut the output is one byte longer than the source, and that byte is zero.
        // It is written, not made by extending the length, so that a full disk shows here.
        const std::byte zero{0};
        if (!os::writeAt(output.file(), fromSource, &zero, 1, ec)) {
            return failure(JobStatus::OutputUnwritable, targetPath, ec);
        }
    }
    if (target == Target::Source) {
        // The replacement is the user's file from now on: it must keep who owns it and who may
        // use it. Where this process may not give it away, it is left as created.
        if (!os::setPermissions(output.file(), permissions, ec)) {
            return failure(JobStatus::OutputUnwritable, targetPath, ec);
        }
        os::copyOwnership(source.file, output.file());
    }
    // The source's access list goes with it: a new copy takes it under the umask, as its mode.
    if (!os::copyAccessList(source.file, output.file(), target == Target::Output, ec)) {
        return failure(JobStatus::OutputUnwritable, targetPath, ec);
    }
    if (options.afterCopy) {
        options.afterCopy();
    }
    if (progress.stopRequested()) {
        return {JobStatus::Cancelled, targetPath, {}};
    }
    if (!output.flushIfReplacing(targetPath, ec)) {
        return failure(JobStatus::OutputUnwritable, targetPath, ec);
    }
    // Whatever was read must be what the scan saw: a change during the copy shows here.
    checked = checkCutStillBlank(plan, source, control, options, stats);
    if (checked.status != JobStatus::Done) {
        return checked;
    }
    checked = checkUnchanged(source, plan.sourcePath);
    if (checked.status != JobStatus::Done) {
        return checked;
    }
    if (options.beforeReplace) {
        options.beforeReplace();
    }
    if (target == Target::Source) {
        JobResult replaced = output.replace(targetPath, source, plan.sourcePath);
        if (replaced.status != JobStatus::Done) {
            return replaced;
        }
        // The plan's source is gone now: a later copy from it must not pass for one of this file.
        source.file.close(ec);
    } else {
        checked = refuseReadOnly(targetPath);  // made read-only while the job copied
        if (checked.status != JobStatus::Done) {
            return checked;
        }
        if (!output.commit(targetPath, ec)) {
            return failure(JobStatus::OutputUnwritable, targetPath, ec);
        }
    }
    progress.finish();
    return done(targetPath);
}

// The plan's open source; a plan that no scan filled has none, and the source is opened now, with
// the length the plan gives as the only fact to hold it to. A plan serves any number of copies,
// until one replaces the source.
JobResult heldSource(const TrimPlan& plan, std::shared_ptr<HeldSource>& source) {
    source = plan.source;
    if (source) {
        // Closed by a replaceTrimmed that put another file in its place.
        return source->file.isOpen()
                   ? done(plan.sourcePath)
                   : failure(JobStatus::SourceUnreadable, plan.sourcePath, JobError::SourceChanged);
    }
    auto opened = std::make_shared<HeldSource>();
    JobResult result = openSource(plan.sourcePath, *opened);
    if (result.status != JobStatus::Done) {
        return result;
    }
    if (opened->info.size != plan.sourceLength) {
        return failure(JobStatus::SourceUnreadable, plan.sourcePath, JobError::SourceChanged);
    }
    source = std::move(opened);
    return result;
}

}  // namespace

JobResult scanSource(std::string_view sourcePath, TrimPlan& plan, const JobControl& control) {
    const detail::TrimOptions& options = tuningOf(control);
    detail::TrimStats own;
    detail::TrimStats& stats = statsOf(control, own);
    plan = TrimPlan{};
    plan.sourcePath = std::string{sourcePath};

    auto source = std::make_shared<HeldSource>();
    JobResult opened = openSource(plan.sourcePath, *source);
    if (opened.status != JobStatus::Done) {
        return opened;
    }
    const os::FileInfo& info = source->info;
    plan.sourceLength = info.size;

    // Until the cut is known the total is an upper bound: the whole source, plus the at most
    // eleven bytes that the copy keeps beyond the last data byte.
    const auto length = static_cast<std::uint64_t>(info.size);
    ProgressMeter progress(control, 0, length + kProbeStep + 1);
    const auto buffer = std::make_unique_for_overwrite<std::byte[]>(options.blockBytes);
    std::int64_t lastDataOffset = -1;
    StepResult scanned = findLastData(source->file, info.size, {buffer.get(), options.blockBytes},
                                      progress, stats, lastDataOffset);
    if (scanned.status != JobStatus::Done) {
        return failure(scanned.status, plan.sourcePath, scanned.error);
    }
    // A file cut short during the scan reads as holes where it ended; only a change shows that.
    // The path is looked at again before the copy, which is where it matters.
    JobResult checked = checkUnchanged(*source, plan.sourcePath, AndPath::No);
    if (checked.status != JobStatus::Done) {
        return checked;
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
        if (const std::optional<std::int64_t> declaredEnd =
                declaredDataEnd(source->file, info.size)) {
            plan.declaredEnd = *declaredEnd;
            plan.imageBytesCut = bytesOfImageCut(*declaredEnd, plan.cut->outputLength);
        }
    }
    plan.source = std::move(source);
    const std::uint64_t blank = blankTailBytes(info.size, lastDataOffset);
    progress.setTotal(blank + static_cast<std::uint64_t>(plan.cut->outputLength));
    return done(plan.sourcePath);
}

namespace {

// The copy of a plan's kept bytes put in place of the output, or of the source itself.
JobResult placeTrimmed(const TrimPlan& plan, const std::string& targetPath, Target target,
                       const JobControl& control) {
    if (!plan.cut) {
        return {JobStatus::NothingToCut, plan.sourcePath, {}};
    }
    std::shared_ptr<HeldSource> source;
    JobResult held = heldSource(plan, source);
    if (held.status != JobStatus::Done) {
        return held;
    }
    if (target == Target::Output) {
        // Asked again: the output path may have come to name the source since it was checked.
        JobResult output = refuseOutput(targetPath, source->info);
        if (output.status != JobStatus::Done) {
            return output;
        }
    }
    return copyAndPlace(plan, *source, targetPath, target, control);
}

}  // namespace

JobResult writeTrimmed(const TrimPlan& plan, std::string_view outputPath,
                       const JobControl& control) {
    return placeTrimmed(plan, std::string{outputPath}, Target::Output, control);
}

JobResult replaceTrimmed(const TrimPlan& plan, const JobControl& control) {
    return placeTrimmed(plan, plan.sourcePath, Target::Source, control);
}

JobResult trimFile(std::string_view sourcePath, std::string_view outputName,
                   const JobControl& control) {
    TrimPlan plan;
    JobResult scanned = scanSource(sourcePath, plan, control);
    if (scanned.status != JobStatus::Done) {
        return scanned;
    }
    return writeTrimmed(plan, outputPath(sourcePath, outputName), control);
}

JobResult checkOutput(const TrimPlan& plan, std::string_view outputPath) {
    std::shared_ptr<HeldSource> source;
    JobResult held = heldSource(plan, source);
    if (held.status != JobStatus::Done) {
        return held;
    }
    return refuseOutput(std::string{outputPath}, source->info);
}

}  // namespace velbrisk
