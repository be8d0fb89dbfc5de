// One trimming job: its steps in their order, whichever front runs it.
#include "engine/job.h"

#include <algorithm>

#include "engine/job_error.h"

namespace velbrisk {
namespace {

JobOutcome ended(JobEnding ending, const TrimPlan& plan) {
    JobOutcome outcome;
    outcome.ending = ending;
    outcome.sourceLength = plan.sourceLength;
    outcome.imageBytesCut = plan.imageBytesCut;
    if (plan.cut) {
        outcome.outputLength = plan.cut->outputLength;
    }
    return outcome;
}

// A step's result that is no success, as the job's ending.
JobOutcome stopped(const JobResult& result, const TrimPlan& plan) {
    if (result.status == JobStatus::NothingToCut) {
        return ended(JobEnding::NothingToCut, plan);
    }
    JobOutcome outcome =
        ended(result.status == JobStatus::Cancelled ? JobEnding::Cancelled : JobEnding::Failed, plan);
    if (outcome.ending == JobEnding::Failed) {
        outcome.failure = result;
    }
    return outcome;
}

// The output's refusals: the engine's own, then the run's.
JobResult checkRunOutput(const JobRequest& request, const TrimPlan& plan) {
    JobResult output = checkOutput(plan, request.outputPath);
    if (output.status != JobStatus::Done) {
        return output;
    }
    std::error_code absent;
    os::pathInfo(request.outputPath, absent);
    if (absent) {
        return output;
    }
    if (request.runSources && request.runSources->includes(request.outputPath)) {
        return {JobStatus::OutputUnwritable, request.outputPath,
                os::errorText(JobError::OutputIsASource)};
    }
    if (!request.replaceExistingOutput) {
        return {JobStatus::OutputUnwritable, request.outputPath,
                os::errorText(JobError::OutputExists)};
    }
    return output;
}

}  // namespace

RunSources::RunSources(const std::vector<std::string>& sourcePaths) {
    for (const std::string& path : sourcePaths) {
        std::error_code ec;
        const os::FileInfo info = os::pathInfo(path, ec);
        if (!ec) {
            identities_.push_back(info.identity);
        }
    }
}

bool RunSources::includes(const std::string& path) const {
    std::error_code ec;
    const os::FileInfo info = os::pathInfo(path, ec);
    return !ec && std::find(identities_.begin(), identities_.end(), info.identity) !=
                      identities_.end();
}

JobOutcome runJob(const JobRequest& request, JobFront& front) {
    TrimPlan plan;
    const JobResult scanned = front.runStep(
        [&](const JobControl& control) { return scanSource(request.sourcePath, plan, control); });
    if (scanned.status != JobStatus::Done) {
        return stopped(scanned, plan);
    }
    if (request.onlySmaller && plan.cut->outputLength >= plan.sourceLength) {
        return ended(JobEnding::NothingToCut, plan);
    }
    if (request.mode != JobMode::ReplaceSource) {
        const JobResult output = checkRunOutput(request, plan);
        if (output.status != JobStatus::Done) {
            return stopped(output, plan);
        }
    }
    if (plan.imageBytesCut > 0 && front.askImageCut(plan) == ImageCutAnswer::Decline) {
        return ended(JobEnding::ImageCutDeclined, plan);
    }
    if (request.reportOnly) {
        return ended(JobEnding::Reported, plan);
    }

    const bool replace = request.mode == JobMode::ReplaceSource;
    const JobResult written = front.runStep([&](const JobControl& control) {
        return replace ? replaceTrimmed(plan, control)
                       : writeTrimmed(plan, request.outputPath, control);
    });
    if (written.status != JobStatus::Done) {
        return stopped(written, plan);
    }
    JobOutcome outcome = ended(JobEnding::Trimmed, plan);
    outcome.writtenPath = written.path;
    return outcome;
}

}  // namespace velbrisk
