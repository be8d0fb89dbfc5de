// The window thread's side of a running job: a message loop that a worker thread can wake.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>

namespace velbrisk::ui::win32 {

class JobLoop {
public:
    // The note that wake() posts; the window it is posted to must take it and do nothing.
    static constexpr UINT kWakeMessage = WM_APP + 1;

    explicit JobLoop(HWND window) : window_(window) {}

    // Any thread; never blocks.
    void wake();

    // Window thread: runs the thread's messages until wake() has been called since the last
    // return, or until timeout has passed. Keys meant for dialog, if any, move its focus and
    // press its buttons as in any dialog.
    void waitForWake(std::chrono::milliseconds timeout, HWND dialog);

    // A quit that arrived while the job ran is put back once the job is over, so that the
    // program still ends.
    void repostQuit();

private:
    HWND window_;
    std::atomic<bool> woken_{false};
    bool quitSeen_ = false;
    WPARAM quitCode_ = 0;
};

}  // namespace velbrisk::ui::win32
