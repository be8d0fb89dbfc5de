// The job runner with a stand-in window: when the progress window comes, what its bar shows,
// cancel, and the window's input held off.
#include "ui/main/JobRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "fake_main_view.h"
#include "table_rows.h"

namespace velbrisk::testing {
namespace {

using namespace std::chrono_literals;
using ui::JobRunner;

// A phase that reports `steps` steps of progress, one every `pause`, and stops when asked.
JobRunner::Phase countingPhase(int steps, std::chrono::milliseconds pause,
                               std::uint64_t total = 0) {
    return [=](const JobControl& control) {
        const std::uint64_t of = total ? total : std::uint64_t(steps);
        for (int step = 1; step <= steps; ++step) {
            if (control.stop.stop_requested()) {
                return JobResult{JobStatus::Cancelled, {}, {}};
            }
            std::this_thread::sleep_for(pause);
            control.progress(std::uint64_t(step) * of / std::uint64_t(steps), of);
        }
        return JobResult{JobStatus::Done, "out.exe", {}};
    };
}

TEST(JobRunner, shortPhasesShowNoProgressWindow) {
    FakeMainView view;
    JobRunner runner(view, 500ms);
    for (int phase = 0; phase < 2; ++phase) {
        EXPECT_EQ(runner.run(countingPhase(3, 1ms)).status, JobStatus::Done);
    }
    EXPECT_EQ(view.progressWindows, 0);
    EXPECT_TRUE(view.bar.empty());
}

TEST(JobRunner, longPhaseShowsProgressThatRisesToTheEnd) {
    FakeMainView view;
    {
        JobRunner runner(view, 20ms);
        // 2^40 bytes: more than a toolkit's int can count.
        EXPECT_EQ(runner.run(countingPhase(40, 5ms, std::uint64_t{1} << 40)).status,
                  JobStatus::Done);
        EXPECT_EQ(view.progressWindows, 1);
        EXPECT_TRUE(view.progressShown);
        ASSERT_GE(view.bar.size(), 2u);
        EXPECT_TRUE(std::is_sorted(view.bar.begin(), view.bar.end())) << "the bar went back";
        EXPECT_EQ(std::adjacent_find(view.bar.begin(), view.bar.end()), view.bar.end())
            << "the same position was sent twice";
        EXPECT_EQ(view.bar.back(), ui::main_window::kProgressSteps);
    }
    EXPECT_FALSE(view.progressShown) << "the runner leaves its progress window behind";
}

TEST(JobRunner, progressWindowWaitsForTheDelay) {
    FakeMainView view;
    JobRunner runner(view, 300ms);
    std::chrono::steady_clock::time_point shownAt{};
    const auto start = std::chrono::steady_clock::now();
    view.onWait = [&] {
        if (view.progressShown && shownAt == std::chrono::steady_clock::time_point{}) {
            shownAt = std::chrono::steady_clock::now();
        }
    };
    runner.run(countingPhase(50, 10ms));
    ASSERT_TRUE(view.progressWindows == 1);
    EXPECT_GE(shownAt - start, 300ms);
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
    EXPECT_EQ(runner.run(countingPhase(100000, 1ms)).status, JobStatus::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << "cancel did not stop the worker";
    bool laterPhaseRan = false;
    const JobResult later = runner.run([&](const JobControl&) {
        laterPhaseRan = true;
        return JobResult{};
    });
    EXPECT_EQ(later.status, JobStatus::Cancelled);
    EXPECT_FALSE(laterPhaseRan);
}

TEST(JobRunner, holdsInputForItsWholeLife) {
    FakeMainView view;
    std::vector<bool> heldDuringPhases;
    {
        JobRunner runner(view);
        EXPECT_TRUE(view.inputHeld);
        for (int phase = 0; phase < 2; ++phase) {
            runner.run([&](const JobControl&) {
                heldDuringPhases.push_back(view.inputHeld);
                return JobResult{};
            });
        }
        EXPECT_TRUE(view.inputHeld) << "let go between phases, where the question is asked";
    }
    EXPECT_FALSE(view.inputHeld);
    EXPECT_EQ(heldDuringPhases, (std::vector<bool>{true, true}));
}

// The result and the worker's writes are all there when run() returns.
TEST(JobRunner, resultComesBackWhole) {
    FakeMainView view;
    JobRunner runner(view);
    std::string written;
    const JobResult result = runner.run([&](const JobControl&) {
        written = "by the worker";
        return JobResult{JobStatus::OutputUnwritable, "out.exe", "disk full"};
    });
    EXPECT_EQ(result.status, JobStatus::OutputUnwritable);
    EXPECT_EQ(result.path, "out.exe");
    EXPECT_EQ(result.reason, "disk full");
    EXPECT_EQ(written, "by the worker");
}

struct StepsRow {
    const char* name;
    std::uint64_t done;
    std::uint64_t total;
    int steps;
};
using ::velbrisk::testing::PrintTo;

class ProgressSteps : public ::testing::TestWithParam<StepsRow> {};

TEST_P(ProgressSteps, inTenThousandths) {
    EXPECT_EQ(JobRunner::progressSteps(GetParam().done, GetParam().total), GetParam().steps);
}

INSTANTIATE_TEST_SUITE_P(
    Bar, ProgressSteps,
    ::testing::Values(StepsRow{"nothing_known_yet", 0, 0, 0},
                      StepsRow{"done_without_total", 5, 0, 0},
                      StepsRow{"start", 0, 100, 0},
                      StepsRow{"half", 50, 100, 5000},
                      StepsRow{"just_short_of_a_step", 9999, 100000000, 0},
                      StepsRow{"end", 100, 100, 10000},
                      StepsRow{"past_the_end_is_the_end", 150, 100, 10000},
                      StepsRow{"a_petabyte_file_half_done", std::uint64_t{1} << 49,
                               std::uint64_t{1} << 50, 5000},
                      StepsRow{"largest_counts", ~std::uint64_t{0} - 1, ~std::uint64_t{0}, 9999}),
    rowName);

}  // namespace
}  // namespace velbrisk::testing
