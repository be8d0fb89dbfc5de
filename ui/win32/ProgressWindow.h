// The progress window of a long job: "正在压缩…", a bar, and "取消", modal to the main window.
#pragma once

#include <windows.h>

#include <functional>

#include "ui/win32/ObjectWindow.h"

namespace velbrisk::ui::win32 {

class ProgressWindow {
public:
    // Shows the window centred over owner. cancel runs on this thread for "取消", for Esc and
    // for the close box; the window stays until it is destroyed.
    ProgressWindow(HWND owner, std::function<void()> cancel);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    HWND hwnd() const { return window_; }

    // 0 to main_window::kProgressSteps.
    void setSteps(int steps);

private:
    template <typename T>
    friend LRESULT CALLBACK objectWindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void layOut();

    std::function<void()> cancel_;
    HWND window_ = nullptr;
    int dpi_ = 96;
    HWND label_ = nullptr;
    HWND bar_ = nullptr;
    HWND button_ = nullptr;
    HFONT font_ = nullptr;
};

}  // namespace velbrisk::ui::win32
