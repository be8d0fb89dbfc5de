// One trimming job from the source to its outcome, the same for the window and the command line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/os_file.h"
#include "engine/trim.h"

namespace velbrisk {

// The files that one run was given, as they were when it began. No job of the run may write over
// one of them: a later job of the run still has to read it, or the user named it as a source.
class RunSources {
public:
    explicit RunSources(const std::vector<std::string>& sourcePaths);
    // Whether `path` names one of them now, by any spelling or link.
    bool includes(const std::string& path) const;

private:
    std::vector<os::FileIdentity> identities_;
};

// Where the trimmed bytes go.
enum class JobMode {
    WriteCopy,      // a new file at the output path
    ReplaceSource,  // the source itself, replaced whole
};

struct JobRequest {
    std::string sourcePath;
    std::string outputPath;  // WriteCopy only
    JobMode mode = JobMode::WriteCopy;
    // Everything up to the writing, and the outcome says what it would write.
    bool reportOnly = false;
    // The window replaces the file the user named; a batch, as tools that write a file beside
    // their input do, leaves an existing one alone unless told to replace it.
    bool replaceExistingOutput = true;
    const RunSources* runSources = nullptr;  // a batch's sources, never written over
    // The window writes what the probe rule gives, one byte more than the source when nothing is
    // cut; a batch has no use for a copy that is not smaller and takes that as nothing to cut.
    bool onlySmaller = false;
};

// What a front answers when the cut reaches bytes that a Windows program's own headers declare.
enum class ImageCutAnswer {
    KeepProgram,  // keep them, and cut only the zeros after them
    CutAll,       // cut them with the rest of the blank tail
    Decline,      // leave the file alone
};

// What the job needs of the front that runs it.
class JobFront {
public:
    virtual ~JobFront() = default;
    // Runs one step of file work and returns its result: the window on a worker thread while it
    // keeps painting and offers a cancel; the command line right away, with its stop request.
    virtual JobResult runStep(const std::function<JobResult(const JobControl&)>& step) = 0;
    // Asked before anything is written, only where such bytes would be cut. `canKeepProgram`:
    // some zeros lie after the program's own bytes, so that keeping them still cuts something.
    virtual ImageCutAnswer askImageCut(const TrimPlan& plan, bool canKeepProgram) = 0;
};

// How a job ended, and the figures its message needs.
enum class JobEnding {
    Trimmed,           // the copy is in place (beside the source, or over it)
    Reported,          // reportOnly: the cut is known and allowed, nothing was written
    NothingToCut,      // no file was written
    ImageCutDeclined,  // the front declined a cut into the program's own bytes; nothing written
    Failed,            // `failure` says what and where
    Cancelled,         // stopped on request; nothing is left behind
};

struct JobOutcome {
    JobEnding ending = JobEnding::Failed;
    JobResult failure;              // Failed only: the status, the path and the reason
    std::string writtenPath;        // Trimmed: the file that now holds the trimmed bytes
    // The figures, as far as the job got: the source's length from the scan on; once the cut is
    // known, the length the job keeps (or would keep) and the length the probe rule alone keeps.
    std::int64_t sourceLength = 0;
    std::int64_t outputLength = 0;
    std::int64_t fullCutLength = 0;
    bool keptProgram = false;  // the answer was KeepProgram: the cut stops at the program's end
};

// Scan, the output's refusals, the question where the cut reaches a program's own bytes, then the
// write or the replacement. The output is checked before the question, which must not be asked of
// a job that cannot go ahead, and again right before it is written.
JobOutcome runJob(const JobRequest& request, JobFront& front);

}  // namespace velbrisk
