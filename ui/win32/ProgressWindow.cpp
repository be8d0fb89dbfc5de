// The progress window of a long job: "正在压缩…", a bar, and "取消", modal to the main window.
#include "ui/win32/ProgressWindow.h"

#include <commctrl.h>

#include <algorithm>

#include "resources/ProductInfo.h"
#include "ui/Twips.h"
#include "ui/main/Layout.h"
#include "ui/win32/ControlIds.h"
#include "ui/win32/Dpi.h"
#include "ui/win32/Wide.h"

namespace velbrisk::ui::win32 {

namespace {

constexpr wchar_t kClassName[] = L"VelbriskProgress";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

// The window's own layout, in twips like the others: the text over the bar, the button under
// its right end.
constexpr int kClientWidth = 5400;
constexpr int kClientHeight = 1560;
constexpr TwipsRect kLabelPlace{180, 180, 5040, 240};
constexpr TwipsRect kBarPlace{180, 540, 5040, 300};
constexpr TwipsRect kButtonPlace{4005, 1020, 1215, 375};

void place(HWND control, const TwipsRect& where, int dpi) {
    const RECT pixels = pixelRect(where, dpi);
    MoveWindow(control, pixels.left, pixels.top, pixels.right - pixels.left,
               pixels.bottom - pixels.top, TRUE);
}

}  // namespace

ProgressWindow::ProgressWindow(HWND owner, std::function<void()> cancel)
    : cancel_(std::move(cancel)) {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    registerWindowClass(instance, kClassName, &objectWindowProc<ProgressWindow>,
                        HBRUSH(COLOR_BTNFACE + 1));
    CreateWindowExW(kExStyle, kClassName, wideText(product::kName).c_str(), kStyle, 0, 0, 0, 0, owner,
                    nullptr, instance, this);
    dpi_ = windowDpi(window_);

    label_ = CreateWindowExW(0, L"STATIC", wideText(main_window::kProgressLabel).c_str(),
                             WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, window_,
                             HMENU(INT_PTR(progress_ids::kLabel)), instance, nullptr);
    bar_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window_,
                           HMENU(INT_PTR(progress_ids::kBar)), instance, nullptr);
    SendMessageW(bar_, PBM_SETRANGE32, 0, main_window::kProgressSteps);
    // IDCANCEL: Esc in the window presses it, as in any dialog.
    button_ = CreateWindowExW(0, L"BUTTON", wideText(main_window::kProgressCancel).c_str(),
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0,
                              window_, HMENU(INT_PTR(IDCANCEL)), instance, nullptr);
    layOut();

    // Centred over the main window, as a dialog of it.
    RECT ownerRect{};
    RECT ownRect{};
    GetWindowRect(owner, &ownerRect);
    GetWindowRect(window_, &ownRect);
    const int width = ownRect.right - ownRect.left;
    const int height = ownRect.bottom - ownRect.top;
    SetWindowPos(window_, nullptr, ownerRect.left + (ownerRect.right - ownerRect.left - width) / 2,
                 ownerRect.top + (ownerRect.bottom - ownerRect.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window_, SW_SHOW);
    SetFocus(button_);
}

ProgressWindow::~ProgressWindow() {
    if (window_) {
        DestroyWindow(window_);
    }
    if (font_) {
        DeleteObject(font_);
    }
}

void ProgressWindow::layOut() {
    if (font_) {
        DeleteObject(font_);
    }
    font_ = createInterfaceFont(dpi_);
    for (HWND control : {label_, button_}) {
        SendMessageW(control, WM_SETFONT, WPARAM(font_), TRUE);
    }
    // A large font may need a taller line than the text's place gives.
    RECT label = pixelRect(kLabelPlace, dpi_);
    label.bottom = std::max(label.bottom, LONG(label.top + lineHeight(font_)));
    MoveWindow(label_, label.left, label.top, label.right - label.left, label.bottom - label.top,
               TRUE);
    place(bar_, kBarPlace, dpi_);
    place(button_, kButtonPlace, dpi_);
    fitClientArea(window_, twipsToPixels(kClientWidth, dpi_), twipsToPixels(kClientHeight, dpi_));
}

void ProgressWindow::setSteps(int steps) {
    SendMessageW(bar_, PBM_SETPOS, WPARAM(std::clamp(steps, 0, main_window::kProgressSteps)), 0);
}

LRESULT ProgressWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL && cancel_) {
                cancel_();
            }
            return 0;
        case WM_CLOSE:
            // The close box stops the job like "取消"; the window goes when the job has ended.
            if (cancel_) {
                cancel_();
            }
            return 0;
        case WM_DPICHANGED:
            dpi_ = followDpiChange(window_, wParam, lParam);
            layOut();
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace velbrisk::ui::win32
