// The job runner with a stand-in window: its progress window, the bar, cancel and input held.
#include "ui/main/JobRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "fake_main_view.h"

namespace velbrisk::testing {
namespace {

using namespace std::chrono_literals;
using ui::JobRunner;

// A phase that reports `steps` steps of progress of `total` bytes, one every `pause`, and stops
// when asked.
JobRunner::Phase countingPhase(int steps, std::chrono::milliseconds pause, std::uint64_t total) {
    return [=](const JobControl& control) {
        for (int step = 1; step <= steps; ++step) {
            if (control.stop.stop_requested()) {
                return JobResult{JobStatus::Cancelled, {}, {}};
            }
            std::this_thread::sleep_for(pause);
            control.progress(std::uint64_t(step) * (total / std::uint64_t(steps)), total);
        }
        return JobResult{JobStatus::Done, "out.exe", {}};
    };
}

// A runner as the window makes it: its progress window comes up half a second into a phase, not
// before, and not much later; the window's input is held for the runner's whole life.
TEST(JobRunner, progressWindowComesAfterHalfASecond) {
    FakeMainView view;
    std::vector<bool> heldDuringPhases;
    {
        JobRunner runner(view);
        std::atomic<bool> shown{false};
        view.onWait = [&] { shown = shown || view.progressShown; };
        const auto start = std::chrono::steady_clock::now();
        auto shownAt = start;
        runner.run([&](const JobControl&) {
            heldDuringPhases.push_back(view.inputHeld);
            for (; !shown && std::chrono::steady_clock::now() - start < 3s;) {
                std::this_thread::sleep_for(2ms);
            }
            shownAt = std::chrono::steady_clock::now();
            return JobResult{};
        });
        EXPECT_GE(shownAt - start, 500ms);
        EXPECT_LT(shownAt - start, 1000ms);
        runner.run([&](const JobControl&) {
            heldDuringPhases.push_back(view.inputHeld);
            return JobResult{};
        });
        EXPECT_EQ(view.progressWindows, 1) << "the second phase brought up a second window";
    }
    EXPECT_EQ(heldDuringPhases, (std::vector<bool>{true, true}));
    EXPECT_FALSE(view.inputHeld);
    EXPECT_FALSE(view.progressShown) << "the runner leaves its progress window behind";
}

// A phase that ends before the delay leaves no progress window, not even for a moment.
TEST(JobRunner, shortPhasesShowNoProgressWindow) {
    FakeMainView view;
    JobRunner runner(view);
    for (int phase = 0; phase < 2; ++phase) {
        runner.run([](const JobControl&) { return JobResult{}; });
    }
    EXPECT_EQ(view.progressWindows, 0);
}

TEST(JobRunner, barRisesToTheEndOfALargeFile) {
    FakeMainView view;
    JobRunner runner(view, 20ms);
    // 2^40 bytes: more than a toolkit's int can count.
    EXPECT_EQ(runner.run(countingPhase(32, 5ms, std::uint64_t{1} << 40)).status, JobStatus::Done);
    ASSERT_GE(view.bar.size(), 2u);
    EXPECT_TRUE(std::is_sorted(view.bar.begin(), view.bar.end())) << "the bar went back";
    EXPECT_EQ(std::adjacent_find(view.bar.begin(), view.bar.end()), view.bar.end())
        << "the same position was sent twice";
    EXPECT_EQ(view.bar.back(), ui::main_window::kProgressSteps);
}

TEST(JobRunner, cancelStopsThePhaseAndEveryLaterOne) {
    FakeMainView view;
    JobRunner runner(view, 10ms);
    view.onWait = [&] {
        if (view.cancelButton) {
            view.cancelButton();  // the user presses "取消"
        }
    };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(runner.run(countingPhase(100000, 1ms, 100000)).status, JobStatus::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << "cancel did not stop the worker";
    bool laterPhaseRan = false;
    EXPECT_EQ(runner.run([&](const JobControl&) { return laterPhaseRan = true, JobResult{}; }).status,
              JobStatus::Cancelled);
    EXPECT_FALSE(laterPhaseRan);
}

// The bar's position in ten-thousandths; it is full only when all is done.
TEST(JobRunner, progressSteps) {
    const std::uint64_t most = ~std::uint64_t{0};
    const std::vector<std::pair<std::uint64_t, std::uint64_t>> counts = {
        {0, 0}, {5, 0}, {50, 100}, {9999, 100000000}, {100, 100}, {150, 100}, {most - 1, most}};
    std::vector<int> steps;
    for (const auto& [done, total] : counts) {
        steps.push_back(JobRunner::progressSteps(done, total));
    }
    EXPECT_EQ(steps, (std::vector<int>{0, 0, 5000, 0, 10000, 10000, 9999}));
}

}  // namespace
}  // namespace velbrisk::testing
