// A job's window side in Win32: a message loop that a worker thread can wake, the progress
// window, and the main window's input held off meanwhile.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

#include "ui/main/JobRunner.h"

namespace velbrisk::ui::win32 {

class ProgressWindow;

class JobLoop final : public JobView {
public:
    // The note that wake() posts; the window it is posted to must take it and do nothing.
    static constexpr UINT kWakeMessage = WM_APP + 1;

    // window: the main window, which takes the wake notes, whose input is held off, and which
    // owns the progress window.
    explicit JobLoop(HWND window);
    ~JobLoop() override;
    JobLoop(const JobLoop&) = delete;
    JobLoop& operator=(const JobLoop&) = delete;

    // Keys meant for the progress window move its focus and press its button as in any dialog.
    void waitForWake(std::chrono::milliseconds timeout) override;
    void wake() override;
    // A quit that arrived while the input was held is put back once it is given back, so that
    // the program still ends.
    void holdInput(bool held) override;
    void showProgress(std::function<void()> cancel) override;
    void setProgress(int steps) override;
    void closeProgress() override;

private:
    HWND window_;
    std::unique_ptr<ProgressWindow> progress_;
    std::atomic<bool> woken_{false};
    bool quitSeen_ = false;
    WPARAM quitCode_ = 0;
};

}  // namespace velbrisk::ui::win32
