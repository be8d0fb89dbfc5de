// The main window FrmMain under the user's hands: window messages turned into the logic's
// handlers (clicks, mouse moves, the drop), and the colours and cursors of its controls.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <optional>
#include <vector>

#include "engine/utf16.h"
#include "ui/win32/Brushes.h"
#include "ui/win32/ControlIds.h"
#include "ui/win32/Dpi.h"
#include "ui/win32/JobLoop.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/Wide.h"

namespace velbrisk::ui::win32 {

LRESULT MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case JobLoop::kWakeMessage:
            // Only there to wake the job's loop, which looks at its own flag.
            return 0;
        case WM_MOUSEMOVE:
            // Only moves over the bare window come here: every control takes its own.
            logic_->Form_MouseMove();
            return 0;
        case WM_SETCURSOR:
            if (busy_) {
                SetCursor(currentCursor(false));
                return TRUE;
            }
            break;
        case WM_CTLCOLORSTATIC:
            return colourControl(HWND(lParam), HDC(wParam), false);
        case WM_CTLCOLOREDIT:
            return colourControl(HWND(lParam), HDC(wParam), true);
        case WM_ACTIVATE:
            // Like a dialog, the window gives the focus back to the box that had it.
            if (LOWORD(wParam) == WA_INACTIVE) {
                const HWND focus = GetFocus();
                if (focus && IsChild(window_, focus)) {
                    lastFocus_ = focus;
                }
            } else if (!HIWORD(wParam)) {
                SetFocus(lastFocus_ && IsWindowEnabled(lastFocus_) ? lastFocus_ : text_);
            }
            return 0;
        case WM_COMMAND:
            // Enter and Esc in a box come here as IDOK and IDCANCEL: the window has no default
            // button and no cancel button, so they do nothing.
            return 0;
        case WM_DPICHANGED:
            dpi_ = followDpiChange(window_, wParam, lParam);
            layOut();
            return 0;
        case WM_CLOSE:
            // The close box, or a request from outside to end the program, which may come
            // while a job runs and the window takes no input.
            logic_->EndProgram();
            return 0;
        case WM_DESTROY:
            if (!destroying_) {
                PostQuitMessage(0);
            }
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT MainWindow::colourControl(HWND control, HDC dc, bool editing) {
    for (std::size_t i = 0; i < links_.size(); ++i) {
        if (control == links_[i]) {
            SetTextColor(dc, colorRef(linkColours_[i]));
            SetBkMode(dc, TRANSPARENT);
            return LRESULT(lightYellowBrush());
        }
    }
    // A disabled or read-only box asks for the static colours: the source box stays green
    // while a job runs.
    if (control == text_ || control == saveText_) {
        SetTextColor(dc, GetSysColor(editing || IsWindowEnabled(control) ? COLOR_WINDOWTEXT
                                                                         : COLOR_GRAYTEXT));
        SetBkColor(dc, colorRef(kLightGreen));
        return LRESULT(lightGreenBrush());
    }
    if (!editing && control != probe_ &&
        (control == label1_ || control == label2_ || GetParent(control) == frame_)) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkMode(dc, TRANSPARENT);
        // The about labels fill nothing: the frame, colour and border, shows through.
        return GetParent(control) == frame_ ? LRESULT(GetStockObject(NULL_BRUSH))
                                            : LRESULT(lightYellowBrush());
    }
    return DefWindowProcW(window_, editing ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC, WPARAM(dc),
                          LPARAM(control));
}

LRESULT CALLBACK MainWindow::labelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR self) {
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(label, &MainWindow::labelProc, id);
        return DefSubclassProc(label, message, wParam, lParam);
    }
    return reinterpret_cast<MainWindow*>(self)->handleLabel(label, int(id), message, wParam,
                                                            lParam);
}

LRESULT MainWindow::handleLabel(HWND label, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool aboutLabel = id >= main_ids::lblAbout(0);
    const int aboutIndex = id - main_ids::lblAbout(0);
    switch (message) {
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                SetCursor(currentCursor(!aboutLabel || aboutLink_[std::size_t(aboutIndex)]));
                return TRUE;
            }
            break;
        case WM_MOUSEMOVE:
            hover(id);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            // A click is the button going down and coming up on the same label.
            pressed_ = id;
            SetCapture(label);
            return 0;
        case WM_LBUTTONUP: {
            const bool wasPressed = pressed_ == id;
            pressed_ = 0;
            if (GetCapture() == label) {
                ReleaseCapture();
            }
            RECT area{};
            GetClientRect(label, &area);
            const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (wasPressed && PtInRect(&area, at)) {
                // The click may end the program: nothing of the label is touched after it.
                click(id);
            }
            return 0;
        }
        case WM_CAPTURECHANGED:
            if (pressed_ == id) {
                pressed_ = 0;
            }
            break;
        default:
            break;
    }
    return DefSubclassProc(label, message, wParam, lParam);
}

void MainWindow::click(int id) {
    switch (id) {
        case main_ids::kLabel:
            logic_->Label_Click();
            return;
        case main_ids::kLbl_Com:
            logic_->Lbl_Com_Click();
            return;
        case main_ids::kLbl_Exit:
            logic_->Lbl_Exit_Click();
            return;
        case main_ids::kLabel3:
            logic_->Label3_Click();
            return;
        default:
            logic_->Lbl_About_Click(id - main_ids::lblAbout(0));
            return;
    }
}

void MainWindow::hover(int id) {
    switch (id) {
        case main_ids::kLabel:
            logic_->Label_MouseMove();
            return;
        case main_ids::kLbl_Com:
            logic_->Lbl_Com_MouseMove();
            return;
        case main_ids::kLbl_Exit:
            logic_->Lbl_Exit_MouseMove();
            return;
        case main_ids::kLabel3:
            logic_->Label3_MouseMove();
            return;
        default:
            // The about labels take their moves and do nothing with them.
            return;
    }
}

LRESULT CALLBACK MainWindow::textProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR self) {
    auto* window = reinterpret_cast<MainWindow*>(self);
    switch (message) {
        case WM_MOUSEMOVE:
            window->logic_->Text_MouseMove();
            break;
        case WM_DROPFILES:
            window->dropFiles(HDROP(wParam));
            return 0;
        case WM_NCDESTROY:
            RemoveWindowSubclass(box, &MainWindow::textProc, id);
            break;
        default:
            break;
    }
    return DefSubclassProc(box, message, wParam, lParam);
}

void MainWindow::dropFiles(HDROP drop) {
    // The shell's file list in its own order, full paths of any length.
    std::vector<std::optional<std::string>> files;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        const UINT copied = DragQueryFileW(drop, i, path.data(), length + 1);
        path.resize(copied);
        files.push_back(narrow(path));
    }
    DragFinish(drop);
    if (!files.empty()) {
        logic_->Text_OLEDragDrop(files);
    }
}

LRESULT CALLBACK MainWindow::probeProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR) {
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(box, &MainWindow::probeProc, id);
    }
    const LRESULT result = DefSubclassProc(box, message, wParam, lParam);
    if (message == WM_GETDLGCODE && wParam == VK_TAB) {
        // A box of several lines would keep Tab for itself; this one passes it on, so Tab
        // walks on to the output-name box.
        return result & ~LRESULT(DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
    }
    return result;
}

}  // namespace velbrisk::ui::win32
