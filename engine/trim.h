// The trimming job: where the blank tail of a file is cut, and the trimmed copy next to it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

namespace velbrisk {

// The tail is probed every kProbeStep bytes, counted back from the end of the file.
inline constexpr std::int64_t kProbeStep = 10;

// Where a scan stopped, in the terms of the probe loop.
struct Cut {
    // i: the first probe, counted back from the end, that holds data.
    std::int64_t scanPosition = 0;
    // a = i - 10; smaller in a safeCut, which keeps more.
    std::int64_t cutAmount = 0;
    // L - a + 1 bytes: offsets 0 to L - a of the source.
    std::int64_t outputLength = 0;
    friend bool operator==(const Cut&, const Cut&) = default;
};

// The scan's arithmetic, apart from any file: given the source length L and the 0-based offset of
// its last byte that is not zero (-1 when every byte is zero), the cut that the probe loop makes,
// or nothing when no probe with a probe position of at least 1 holds data.
std::optional<Cut> findCut(std::int64_t sourceLength, std::int64_t lastDataOffset);

// The cut of the answer that keeps a Windows program whole: bytes 0 to declaredEnd - 1 are the
// program's own (declaredEnd 0: the file is no program), and only the zeros after them go. `cut`
// itself where it keeps all of them; otherwise a cut whose outputLength is exactly declaredEnd,
// with cutAmount to match (outputLength = L - a + 1) and the scan's scanPosition. The declared end
// is not rounded up by the probe rule: the zeros after it are free, and a signed program's
// signature is checked only when its certificate table ends the file. Nothing when declaredEnd
// reaches the source's length: no byte is left to cut after the program's own.
std::optional<Cut> safeCut(std::int64_t sourceLength, const Cut& cut, std::int64_t declaredEnd);

// Paths are UTF-8 text. The folder of a path is everything up to and including its last
// separator ("/" here; "\" and "/" on Windows), or empty when it has none.
std::string sourceFolder(std::string_view sourcePath);
// The folder of the source, then the output name as typed, then ".exe", always.
std::string outputPath(std::string_view sourcePath, std::string_view outputName);

enum class JobStatus {
    Done,              // scan: a cut was found and is ready to write; write: the copy is in place
    NothingToCut,      // no probe holds data: nothing is written
    SourceMissing,     // the source names no file, or names a folder
    SourceUnreadable,  // the source could not be opened or read
    OutputUnwritable,  // the output could not be created, written or put in place
    SameFile,          // the output path names the source itself
    Cancelled,         // the caller asked the job to stop
};

struct JobResult {
    JobStatus status = JobStatus::Done;
    std::string path;    // the file that the status speaks of (the source, or the output path)
    // The system's own words for a failure, or the engine's where the system has none to give
    // (the file changed while it was read, it is no regular file); empty otherwise.
    std::string reason;
};

namespace detail {
struct TrimOptions;
struct TrimStats;
}  // namespace detail

// What a caller can see of a running job and how it stops it. Progress counts bytes: those
// scanned and those copied. Reports rise monotonically, and a job that ends well reports
// done == total last. Until the scan has found the cut, total is an upper bound (the source's
// length plus the eleven bytes at most that the copy keeps past the last data byte); it then
// falls once, to the exact count. A copy that keeps a program's own bytes (safePlan) counts them
// too, so its total can stand above the scan's last. Callbacks run on the job's own thread, after
// every read (256 KiB at most) and every chunk copied (16 MiB at most); the stop request is read
// as often.
struct JobControl {
    std::function<void(std::uint64_t done, std::uint64_t total)> progress;
    std::stop_token stop;
    // How the job reads and copies (engine/trim_internals.h), null for the defaults that serve
    // every front; tests and the bench take the slower ways other file systems force, and count.
    const detail::TrimOptions* tuning = nullptr;
    detail::TrimStats* stats = nullptr;  // null: nothing counted for the caller
};

namespace detail {
struct HeldSource;
}

// Everything the copy needs, found by the scan. Copies of a plan share the scan's open source.
struct TrimPlan {
    std::string sourcePath;
    std::int64_t sourceLength = 0;
    std::int64_t lastDataOffset = -1;  // the last byte that is not zero; -1: every byte is zero
    std::optional<Cut> cut;
    // Of the bytes that the cut leaves out, how many a Windows program's own headers declare
    // (section padding, the signature's): zeros the blank scan cannot tell from free ones, whose
    // loss can stop the copy from running. 0 for a file that is no such program.
    std::int64_t imageBytesCut = 0;
    // Where those declared bytes end: offsets 0 to declaredEnd - 1 are the program's own. 0 for a
    // file that is no such program, and when the cut leaves nothing out (the headers are not read).
    std::int64_t declaredEnd = 0;
    // The source as the scan opened it, kept open for the copy, with its facts at the time: the
    // copy reads this file, never whatever the path may name by then. A replaceTrimmed that puts
    // the copy in its place closes it; one that fails leaves it open for another try.
    std::shared_ptr<detail::HeldSource> source;
};

// Phase one: opens the source read-only and finds the cut. Writes nothing anywhere. Only a regular
// file is read: anything else (a device, a FIFO) is refused as unreadable before it is opened.
// Done means `plan` holds a cut ready for writeTrimmed or replaceTrimmed, and the open source.
JobResult scanSource(std::string_view sourcePath, TrimPlan& plan, const JobControl& control = {});

// The refusals of an output path, before anything is copied: the source itself (SameFile), by any
// spelling or link, or a path that cannot name a new file or names an existing one marked
// read-only (owner write bit clear; Windows's read-only attribute) (OutputUnwritable). Done
// otherwise.
JobResult checkOutput(const TrimPlan& plan, std::string_view outputPath);

// Phase two: checks the output again, then copies the kept bytes of the file that the scan opened
// into a new file that no one sees until it is put in place of the output, whole. A source whose
// size or times are no longer as scanned, before or after the copy, or whose path has come to
// name another file, is unreadable ("the file changed") and nothing is written. The copy's
// permission bits are those the source grants, as a new file gets them: masked by the umask.
JobResult writeTrimmed(const TrimPlan& plan, std::string_view outputPath,
                       const JobControl& control = {});

// Phase two for a caller that replaces the source itself with its trimmed copy: the copy is
// written whole beside the source, keeps the source's permission bits, owner and access list,
// reaches the disk, and takes the source's place in a way that shows what it replaced: unless that
// is the file scanned, unchanged, the source goes back, and the source is unreadable ("the file
// changed"). Any failure leaves the source untouched. Where the source path is a symbolic link,
// the file it leads to is replaced and the link stays; the result's path names that file.
JobResult replaceTrimmed(const TrimPlan& plan, const JobControl& control = {});

// `plan` as the answer that keeps a Windows program whole copies it: its cut replaced by
// safeCut's, so that no declared byte is left out. Nothing when the plan has no cut or safeCut
// leaves nothing to cut. The new plan shares the scan's open source.
std::optional<TrimPlan> safePlan(const TrimPlan& plan);

// The scan and the copy to outputPath(sourcePath, outputName), one after the other, with no
// question asked: for measurements and tests of the engine alone.
JobResult trimFile(std::string_view sourcePath, std::string_view outputName,
                   const JobControl& control = {});

}  // namespace velbrisk
