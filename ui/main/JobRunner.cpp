// Runs the phases of a trimming job on a worker thread while the window waits, painted and busy.
#include "ui/main/JobRunner.h"

#include <algorithm>
#include <thread>

#include "ui/main/Layout.h"

namespace velbrisk::ui {

JobRunner::JobRunner(JobView& view, std::chrono::milliseconds progressDelay)
    : view_(view), delay_(progressDelay) {
    view_.holdInput(true);
}

JobRunner::~JobRunner() {
    view_.closeProgress();
    view_.holdInput(false);
}

void JobRunner::cancel() {
    stop_.request_stop();
}

int JobRunner::progressSteps(std::uint64_t done, std::uint64_t total) {
    if (total == 0) {
        return 0;
    }
    // long double keeps the product exact enough for any file length; the bar has only
    // ten thousand steps.
    return static_cast<int>(static_cast<long double>(std::min(done, total)) *
                            main_window::kProgressSteps / static_cast<long double>(total));
}

JobResult JobRunner::run(const Phase& phase) {
    if (stop_.stop_requested()) {
        return JobResult{JobStatus::Cancelled, {}, {}};
    }
    JobControl control;
    control.stop = stop_.get_token();
    // The worker calls this only while run() waits for it, so the counters outlive every call.
    control.progress = [this](std::uint64_t done, std::uint64_t total) {
        total_.store(total, std::memory_order_relaxed);
        done_.store(done, std::memory_order_relaxed);
    };

    started_ = std::chrono::steady_clock::now();
    std::atomic<bool> finished{false};
    JobResult result;
    std::jthread worker([&] {
        result = phase(control);
        finished.store(true, std::memory_order_release);
        view_.wake();
    });
    while (!finished.load(std::memory_order_acquire)) {
        std::chrono::milliseconds wait = kProgressPace;
        if (!progressShown_) {
            const auto due = std::chrono::duration_cast<std::chrono::milliseconds>(
                started_ + delay_ - std::chrono::steady_clock::now());
            // Rounded up, so that the wait never ends a hair before the delay is over.
            wait = std::max(due + std::chrono::milliseconds(1), std::chrono::milliseconds(1));
        }
        view_.waitForWake(wait);
        showProgressIfDue();
        updateProgress();
    }
    worker.join();
    updateProgress();
    return result;
}

void JobRunner::showProgressIfDue() {
    if (progressShown_ || std::chrono::steady_clock::now() - started_ < delay_) {
        return;
    }
    progressShown_ = true;
    view_.showProgress([this] { cancel(); });
}

void JobRunner::updateProgress() {
    if (!progressShown_) {
        return;
    }
    const int steps = progressSteps(done_.load(std::memory_order_relaxed),
                                    total_.load(std::memory_order_relaxed));
    // The engine's total falls once, when the scan has found the cut; the bar never goes back.
    if (steps > shownSteps_) {
        shownSteps_ = steps;
        view_.setProgress(steps);
    }
}

}  // namespace velbrisk::ui
