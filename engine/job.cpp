// One trimming job: its steps in their order, whichever front runs it.
#include "engine/job.h"

#include <algorithm>

#include "engine/job_error.h"

namespace velbrisk {
namespace {

JobEnding endingOf(const JobResult& result) {
    switch (result.status) {
        case JobStatus::NothingToCut:
            return JobEnding::NothingToCut;
        case JobStatus::Cancelled:
            return JobEnding::Cancelled;
        default:
            return JobEnding::Failed;
    }
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
    JobOutcome outcome;
    const auto ended = [&outcome](JobEnding ending, const JobResult& result = {}) {
        outcome.ending = ending;
        if (ending == JobEnding::Failed) {
            outcome.failure = result;
        }
        return outcome;
    };

    const JobResult scanned = front.runStep(
        [&](const JobControl& control) { return scanSource(request.sourcePath, plan, control); });
    outcome.sourceLength = plan.sourceLength;
    if (scanned.status != JobStatus::Done) {
        return ended(endingOf(scanned), scanned);
    }
    outcome.outputLength = outcome.fullCutLength = plan.cut->outputLength;
    if (request.onlySmaller && plan.cut->outputLength >= plan.sourceLength) {
        return ended(JobEnding::NothingToCut);
    }
    if (request.mode != JobMode::ReplaceSource) {
        const JobResult output = checkRunOutput(request, plan);
        if (output.status != JobStatus::Done) {
            return ended(endingOf(output), output);
        }
    }
    if (plan.imageBytesCut > 0) {
        const std::optional<TrimPlan> keeping = safePlan(plan);
        switch (front.askImageCut(plan, keeping.has_value())) {
            case ImageCutAnswer::KeepProgram:
                outcome.keptProgram = true;
                if (!keeping) {
                    return ended(JobEnding::NothingToCut);
                }
                plan = *keeping;
                outcome.outputLength = plan.cut->outputLength;
                break;
            case ImageCutAnswer::CutAll:
                break;
            case ImageCutAnswer::Decline:
                return ended(JobEnding::ImageCutDeclined);
        }
    }
    if (request.reportOnly) {
        return ended(JobEnding::Reported);
    }

    const bool replace = request.mode == JobMode::ReplaceSource;
    const JobResult written = front.runStep([&](const JobControl& control) {
        return replace ? replaceTrimmed(plan, control)
                       : writeTrimmed(plan, request.outputPath, control);
    });
    if (written.status != JobStatus::Done) {
        return ended(endingOf(written), written);
    }
    outcome.writtenPath = written.path;
    return ended(JobEnding::Trimmed);
}

}  // namespace velbrisk
