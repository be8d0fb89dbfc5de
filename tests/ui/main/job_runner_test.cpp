// The job runner with a stand-in window: when its progress window comes, cancel and the bar.
#include "ui/main/JobRunner.h"

#include "fake_main_view.h"

namespace velbrisk::testing {
namespace {

// A phase shorter than the delay brings up no progress window, a longer one half a second in and
// not much later, the window's thread asleep till then; its "取消" stops every later phase too.
TEST(JobRunner, progressWindowAfterHalfASecondWhoseCancelStopsEveryLaterPhase) {
    const Deadline deadline("the worker's phases to end");
    FakeMainView view;
    ui::JobRunner runner(view);
    runner.run([](const JobControl&) { return std::this_thread::sleep_for(50ms), JobResult{}; });
    EXPECT_EQ(view.progressWindows, 0);
    int waitsBeforeShown = 0;
    view.onWait = [&] { view.cancelButton ? view.cancelButton() : void(++waitsBeforeShown); };
    const auto start = std::chrono::steady_clock::now();
    const JobResult result = runner.run([&](const JobControl& control) {
        while (!control.stop.stop_requested() && std::chrono::steady_clock::now() - start < 3s) {
            std::this_thread::sleep_for(1ms);
        }
        const bool stopped = control.stop.stop_requested();
        return JobResult{stopped ? JobStatus::Cancelled : JobStatus::Done, {}, {}};
    });
    EXPECT_GE(std::chrono::steady_clock::now() - start, 500ms);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_LE(waitsBeforeShown, 2);
    EXPECT_EQ(result.status, JobStatus::Cancelled);
    bool laterPhaseRan = false;
    EXPECT_EQ(
        runner.run([&](const JobControl&) { return laterPhaseRan = true, JobResult{}; }).status,
        JobStatus::Cancelled);
    EXPECT_FALSE(laterPhaseRan);
}

// The bar shows the figures a phase gave just before it ended (a question may wait before the
// next), and never goes back when the engine's total falls.
TEST(JobRunner, barShowsTheLastFiguresAndNeverGoesBack) {
    const Deadline deadline("the worker's phases to end");
    FakeMainView view;
    ui::JobRunner runner(view, 0ms);
    std::atomic<bool> drawn{false}, ending{false};
    view.onProgress = [&] {  // the phase ends between the window's last look and its end
        if (view.bar.back() == 5000 && !drawn.exchange(true)) {
            while (!ending) {
                std::this_thread::sleep_for(1ms);
            }
            std::this_thread::sleep_for(20ms);
        }
    };
    runner.run([&](const JobControl& control) {
        control.progress(50, 100);
        while (!drawn) {
            std::this_thread::sleep_for(1ms);
        }
        control.progress(100, 100);
        return ending = true, JobResult{};
    });
    EXPECT_EQ(view.bar.back(), 10000) << "as a question between phases waits";
    runner.run([](const JobControl& control) { return control.progress(60, 1000), JobResult{}; });
    std::erase(view.bar, 0);  // the empty bar, if the window came before the first figures
    EXPECT_EQ(view.bar, (std::vector<int>{5000, 10000}));
}

// The bar's position in ten-thousandths; it is full only when all is done.
TEST(JobRunner, progressSteps) {
    const std::uint64_t most = ~std::uint64_t{0};
    const std::uint64_t rows[][3] = {{5, 0, 0},
                                     {50, 100, 5000},
                                     {9999, 100000000, 0},
                                     {150, 100, 10000},
                                     {most - 1, most, 9999}};
    for (const auto& [done, total, steps] : rows) {
        EXPECT_EQ(ui::JobRunner::progressSteps(done, total), int(steps)) << done << " of " << total;
    }
}

}  // namespace
}  // namespace velbrisk::testing
