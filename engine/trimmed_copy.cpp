// The copy of the kept bytes: clone, kernel copy or plain reads and writes, holes skipped.
#include "engine/trimmed_copy.h"

#include <algorithm>
#include <memory>

#include "engine/job_error.h"

namespace velbrisk {
namespace {

// Copies the data run [from, to) of the source to the same offsets of the target.
class RunCopier {
public:
    RunCopier(const os::File& source, const os::File& target, ProgressMeter& progress,
              const detail::TrimOptions& options, detail::TrimStats& stats)
        : source_(source),
          target_(target),
          progress_(progress),
          options_(options),
          stats_(stats),
          kernelCopy_(options.allowKernelCopy) {}

    StepResult copy(std::int64_t from, std::int64_t to) {
        std::int64_t at = from;
        while (at < to) {
            if (progress_.stopRequested()) {
                return {JobStatus::Cancelled, {}};
            }
            std::int64_t moved = 0;
            if (kernelCopy_) {
                // Bounded calls, so that progress and cancelling still happen on a huge file.
                const std::int64_t want = std::min(options_.kernelChunkBytes, to - at);
                std::error_code ec;
                moved = os::copyRange(source_, at, target_, at, want, ec);
                // Whatever the kernel refuses, or fails at, the plain copy does from here on:
                // "not supported here" then costs nothing, and a real failure is met again by a
                // read or a write, which tells whether the source or the output is to blame.
                if (ec || moved == 0) {
                    kernelCopy_ = false;
                    continue;
                }
                stats_.kernelCopiedBytes += static_cast<std::uint64_t>(moved);
            } else {
                StepResult step =
                    readAndWrite(at, std::min<std::int64_t>(bufferSize(), to - at), moved);
                if (step.status != JobStatus::Done) {
                    return step;
                }
                stats_.readWriteBytes += static_cast<std::uint64_t>(moved);
            }
            at += moved;
            progress_.moveTo(progress_.done() + static_cast<std::uint64_t>(moved));
        }
        return {JobStatus::Done, {}};
    }

private:
    std::int64_t bufferSize() const { return static_cast<std::int64_t>(options_.blockBytes); }

    StepResult readAndWrite(std::int64_t at, std::int64_t want, std::int64_t& moved) {
        if (!buffer_) {
            buffer_ = std::make_unique<std::byte[]>(options_.blockBytes);
        }
        std::error_code ec;
        const auto size = static_cast<std::size_t>(want);
        const std::size_t got = os::readAt(source_, at, buffer_.get(), size, ec);
        if (ec) {
            return {JobStatus::SourceUnreadable, ec};
        }
        if (got < size) {
            // The source got shorter since the scan.
            return {JobStatus::SourceUnreadable, JobError::SourceChanged};
        }
        if (!os::writeAt(target_, at, buffer_.get(), got, ec)) {
            return {JobStatus::OutputUnwritable, ec};
        }
        moved = static_cast<std::int64_t>(got);
        return {JobStatus::Done, {}};
    }

    const os::File& source_;
    const os::File& target_;
    ProgressMeter& progress_;
    const detail::TrimOptions& options_;
    detail::TrimStats& stats_;
    bool kernelCopy_;
    std::unique_ptr<std::byte[]> buffer_;  // allocated only when the plain copy is needed
};

}  // namespace

StepResult copyLeadingBytes(const os::File& source, const os::File& target, std::int64_t keptLength,
                            ProgressMeter& progress, const detail::TrimOptions& options,
                            detail::TrimStats& stats) {
    if (progress.stopRequested()) {
        return {JobStatus::Cancelled, {}};
    }
    std::error_code ec;
    const std::uint64_t start = progress.done();
    // A clone shares the source's blocks; cutting it to length keeps only the leading part. It is
    // one call, so progress jumps; any refusal just means copying instead.
    if (options.allowClone && os::cloneFile(source, target, ec)) {
        if (!os::setLength(target, keptLength, ec)) {
            return {JobStatus::OutputUnwritable, ec};
        }
        stats.clonedBytes += static_cast<std::uint64_t>(keptLength);
        progress.moveTo(start + static_cast<std::uint64_t>(keptLength));
        return {JobStatus::Done, {}};
    }

    RunCopier copier(source, target, progress, options, stats);
    ec.clear();  // the clone's refusal is no failure
    std::int64_t at = 0;
    while (const std::optional<os::DataRun> run = os::nextDataRun(source, at, keptLength, ec)) {
        progress.moveTo(start + static_cast<std::uint64_t>(run->start));
        StepResult step = copier.copy(run->start, run->end);
        if (step.status != JobStatus::Done) {
            return step;
        }
        at = run->end;
    }
    if (ec) {
        return {JobStatus::SourceUnreadable, ec};
    }
    if (at < keptLength) {
        // The rest reads as a hole: it must be one, not the end of a file that got shorter.
        const os::FileInfo info = os::fileInfo(source, ec);
        if (ec) {
            return {JobStatus::SourceUnreadable, ec};
        }
        if (info.size < keptLength) {
            return {JobStatus::SourceUnreadable, JobError::SourceChanged};
        }
    }
    // A hole at the end of the kept part is made by the length alone.
    if (!os::setLength(target, keptLength, ec)) {
        return {JobStatus::OutputUnwritable, ec};
    }
    progress.moveTo(start + static_cast<std::uint64_t>(keptLength));
    return {JobStatus::Done, {}};
}

}  // namespace velbrisk
