// The bookkeeping of one running job: how its steps end, its progress and its cancelling.
#pragma once

#include <cstdint>
#include <system_error>

#include "engine/trim.h"

namespace velbrisk {

// How one step of a job ended: Done, Cancelled, SourceUnreadable or OutputUnwritable, with the
// system's error for a failure.
struct StepResult {
    JobStatus status = JobStatus::Done;
    std::error_code error;
};

// Reports only forward moves, so the caller sees `done` rise monotonically; `total` may only fall
// (from an upper bound to the exact count once the scan knows the cut).
class ProgressMeter {
public:
    ProgressMeter(const JobControl& control, std::uint64_t done, std::uint64_t total)
        : control_(control), done_(done), total_(total) {}

    bool stopRequested() const { return control_.stop.stop_requested(); }

    std::uint64_t done() const { return done_; }
    std::uint64_t total() const { return total_; }

    void moveTo(std::uint64_t done) {
        if (done > total_) {
            done = total_;
        }
        if (done <= done_) {
            return;
        }
        done_ = done;
        report();
    }

    void setTotal(std::uint64_t total) {
        if (total < done_) {
            total = done_;
        }
        total_ = total;
    }

    // The last report of a job that ended well, unless the one before already said the same.
    void finish() {
        done_ = total_;
        if (reportedDone_ != done_ || reportedTotal_ != total_) {
            report();
        }
    }

private:
    void report() {
        reportedDone_ = done_;
        reportedTotal_ = total_;
        if (control_.progress) {
            control_.progress(done_, total_);
        }
    }

    const JobControl& control_;
    std::uint64_t done_;
    std::uint64_t total_;
    std::uint64_t reportedDone_ = UINT64_MAX;  // none yet
    std::uint64_t reportedTotal_ = UINT64_MAX;
};

}  // namespace velbrisk
