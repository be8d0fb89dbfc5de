// A job's window side in Win32: a message loop that a worker thread can wake, the progress
// window, and the main window's input held off meanwhile.
#include "ui/win32/JobLoop.h"

#include "ui/win32/ProgressWindow.h"

namespace velbrisk::ui::win32 {

JobLoop::JobLoop(HWND window) : window_(window) {}

JobLoop::~JobLoop() = default;

void JobLoop::wake() {
    // The flag first: the loop may find it without the message, never the message without it.
    woken_.store(true);
    PostMessageW(window_, kWakeMessage, 0, 0);
}

void JobLoop::waitForWake(std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        MSG message;
        while (!woken_.load() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quitSeen_ = true;
                quitCode_ = message.wParam;
                continue;
            }
            const HWND dialog = progress_ ? progress_->hwnd() : nullptr;
            if (dialog && IsWindow(dialog) && IsDialogMessageW(dialog, &message)) {
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (woken_.exchange(false)) {
            return;
        }
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return;
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, DWORD(left), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void JobLoop::holdInput(bool held) {
    EnableWindow(window_, !held);
    if (!held && quitSeen_) {
        quitSeen_ = false;
        PostQuitMessage(int(quitCode_));
    }
}

void JobLoop::showProgress(std::function<void()> cancel) {
    progress_ = std::make_unique<ProgressWindow>(window_, std::move(cancel));
}

void JobLoop::setProgress(int steps) {
    if (progress_) {
        progress_->setSteps(steps);
    }
}

void JobLoop::closeProgress() {
    if (!progress_) {
        return;
    }
    // The system hands the activation to the owner of a window that goes only if the owner
    // takes input: without this the main window would end up behind some other program's.
    const bool held = !IsWindowEnabled(window_);
    if (held) {
        EnableWindow(window_, TRUE);
    }
    progress_.reset();
    if (held) {
        EnableWindow(window_, FALSE);
    }
}

}  // namespace velbrisk::ui::win32
