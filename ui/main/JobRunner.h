// Runs the phases of a trimming job on a worker thread while the window waits, painted and busy.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>

#include "engine/trim.h"

namespace velbrisk::ui {

// What a job needs of the window it runs in. Every call comes on the window's thread except
// wake(), which the worker calls.
class JobView {
public:
    virtual ~JobView() = default;

    // Window thread. Keeps the window going (painting, timers, the progress window's input)
    // until wake() has been called since the last time this returned, or until `timeout` has
    // passed, whichever comes first; a wake() that came before this call makes it return at
    // once. Qt: a local QEventLoop that a queued call or a single-shot timer quits. Win32: a
    // message loop (MsgWaitForMultipleObjects with the timeout) that returns on the WM_APP
    // message that wake() posts.
    virtual void waitForWake(std::chrono::milliseconds timeout) = 0;

    // ANY thread (the worker's, mostly). Thread-safe and never blocking: posts to the window's
    // thread the note that ends the current or the next waitForWake. Qt: a queued invokeMethod;
    // Win32: PostMessageW of a WM_APP message to the window.
    virtual void wake() = 0;

    // Window thread. While held, the main window takes no input at all (clicks, keys, drops, the
    // close box); the progress window still does. Qt filters the input events; Win32 disables
    // the main window (EnableWindow) or filters in its loop. Called with true when a runner
    // starts and false when it ends.
    virtual void holdInput(bool held) = 0;

    // Window thread. Shows the progress window modal to the main window: the product's name as
    // title, the text "正在压缩…", a bar from 0 to main_window::kProgressSteps at 0, and a
    // "取消" button. Pressing "取消" (or closing the progress window) calls `cancel` on the
    // window's thread; the window stays up until closeProgress().
    virtual void showProgress(std::function<void()> cancel) = 0;

    // Window thread, only between showProgress and closeProgress: moves the bar to `steps`
    // (0 to main_window::kProgressSteps; never lower than before).
    virtual void setProgress(int steps) = 0;

    // Window thread. Closes the progress window if it is shown; harmless if it is not.
    virtual void closeProgress() = 0;
};

// The progress window comes up once a job has run this long.
inline constexpr std::chrono::milliseconds kProgressDelay{500};

// One job, from the click that starts it to its ending. While it lives the window takes no
// input; a job that takes longer than the progress delay brings up the progress window, whose
// "取消" stops it.
//
// run() looks synchronous to its caller: it lets the window's loop run until the worker is
// done, so the window keeps painting, and the order of events is the same as if the engine ran
// on the window's own thread.
class JobRunner {
public:
    using Phase = std::function<JobResult(const JobControl&)>;

    // How often the bar follows the worker while the window waits. The worker only bumps two
    // counters; the window reads them at its own pace, so a fast job never floods the queue.
    static constexpr std::chrono::milliseconds kProgressPace{40};

    explicit JobRunner(JobView& view, std::chrono::milliseconds progressDelay = kProgressDelay);
    ~JobRunner();
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    // Runs one phase on a worker thread and returns its result. A phase run after cancel()
    // does not start; it gives Cancelled at once.
    JobResult run(const Phase& phase);

    // Asks the running phase, and every later one, to stop. Any thread.
    void cancel();

    // The bar's position for `done` bytes of `total`, in steps of main_window::kProgressSteps.
    static int progressSteps(std::uint64_t done, std::uint64_t total);

private:
    void showProgressIfDue();
    void updateProgress();

    JobView& view_;
    const std::chrono::milliseconds delay_;
    std::chrono::steady_clock::time_point started_;
    bool progressShown_ = false;
    int shownSteps_ = -1;
    std::stop_source stop_;
    std::atomic<std::uint64_t> done_{0};
    std::atomic<std::uint64_t> total_{0};
};

}  // namespace velbrisk::ui
