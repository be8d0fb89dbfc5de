// The window thread's side of a running job: a message loop that a worker thread can wake.
#include "ui/win32/JobLoop.h"

namespace velbrisk::ui::win32 {

void JobLoop::wake() {
    // The flag first: the loop may find it without the message, never the message without it.
    woken_.store(true);
    PostMessageW(window_, kWakeMessage, 0, 0);
}

void JobLoop::waitForWake(std::chrono::milliseconds timeout, HWND dialog) {
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

void JobLoop::repostQuit() {
    if (quitSeen_) {
        quitSeen_ = false;
        PostQuitMessage(int(quitCode_));
    }
}

}  // namespace velbrisk::ui::win32
