// The main window FrmMain drawn with Win32: its window, controls and layout, and what the logic
// asks of it.
#include "ui/win32/MainWindow.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <climits>

#include "resources/WindowsResources.h"
#include "ui/main/Layout.h"
#include "ui/win32/Brushes.h"
#include "ui/win32/ChooserDialog.h"
#include "ui/win32/ControlIds.h"
#include "ui/win32/Dpi.h"
#include "ui/win32/JobLoop.h"
#include "ui/win32/Wide.h"

namespace velbrisk::ui::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"VelbriskFrmMain";
constexpr wchar_t kFrameClass[] = L"VelbriskFrame";
// Fixed size: no sizing border, no maximise box.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = 0;
// The frame's etched border: two lines of one pixel at any dpi.
constexpr LONG kEtchedEdge = 2;

// The about frame: an etched box in the window's colour that hands its labels' colour and
// notice requests up to the window, which decides them for all of its labels.
LRESULT CALLBACK frameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CTLCOLORSTATIC:
        case WM_COMMAND:
            return SendMessageW(GetParent(frame), message, wParam, lParam);
        case WM_ERASEBKGND: {
            RECT area{};
            GetClientRect(frame, &area);
            FillRect(HDC(wParam), &area, lightYellowBrush());
            return TRUE;
        }
        case WM_PAINT: {
            PAINTSTRUCT paint;
            const HDC dc = BeginPaint(frame, &paint);
            RECT area{};
            GetClientRect(frame, &area);
            DrawEdge(dc, &area, EDGE_ETCHED, BF_RECT);
            EndPaint(frame, &paint);
            return 0;
        }
        default:
            return DefWindowProcW(frame, message, wParam, lParam);
    }
}

HWND child(HWND parent, const wchar_t* windowClass, std::string_view text, DWORD style,
           DWORD exStyle, int id) {
    return CreateWindowExW(exStyle, windowClass, wideText(text).c_str(),
                           WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent, HMENU(INT_PTR(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

void move(HWND control, const RECT& place) {
    MoveWindow(control, place.left, place.top, place.right - place.left, place.bottom - place.top,
               TRUE);
}

// Labels are placed by their top-left corner and then fit their text, but never reach past `most`.
void fitLabel(HWND label, HFONT font, const TwipsRect& place, SIZE most, int dpi) {
    const SIZE size = textExtent(font, windowText(label));
    MoveWindow(label, twipsToPixels(place.left, dpi), twipsToPixels(place.top, dpi),
               std::min(size.cx, most.cx), std::min(size.cy, most.cy), TRUE);
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, Seams seams, const std::string& commandFile)
    : instance_(instance), seams_(std::move(seams)) {
    registerWindowClass(instance_, kWindowClass, &objectWindowProc<MainWindow>, lightYellowBrush(),
                        LoadIconW(instance_, MAKEINTRESOURCEW(VELBRISK_ICON_ID)));
    // The frame paints its own background.
    registerWindowClass(instance_, kFrameClass, frameProc, nullptr);
    hand_ = LoadCursorW(instance_, MAKEINTRESOURCEW(VELBRISK_HAND_CURSOR_ID));
    if (!hand_) {
        // A program built without the resource script (the window tests) still shows a hand.
        hand_ = LoadCursorW(nullptr, IDC_HAND);
    }
    window_ = CreateWindowExW(kExStyle, kWindowClass, wideText(main_window::windowTitle()).c_str(),
                              kStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                              nullptr, nullptr, instance_, this);
    systemBoxes_.setOwner(window_);
    jobLoop_ = std::make_unique<JobLoop>(window_);
    logic_ = std::make_unique<FrmMain>(*this, *jobLoop_,
                                       seams_.boxes ? *seams_.boxes : systemBoxes_,
                                       seams_.progressDelay);
    createControls();
    dpi_ = windowDpi(window_);
    layOut();
    logic_->Form_Load(commandFile);
}

MainWindow::~MainWindow() {
    jobLoop_->closeProgress();
    if (window_) {
        destroying_ = true;
        DestroyWindow(window_);
    }
    if (font_) {
        DeleteObject(font_);
    }
}

void MainWindow::createControls() {
    using namespace main_window;
    label1_ = child(window_, L"STATIC", Label1.text, SS_LEFT | SS_NOTIFY | SS_NOPREFIX, 0,
                    main_ids::kLabel1);
    // A flat one-pixel border, as the Linux window draws it, leaves the text the most room.
    text_ =
        child(window_, L"EDIT", "", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, main_ids::kText);
    // The probe box follows the source box in the focus order, though it is never seen.
    probe_ = child(window_, L"EDIT", "", WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL,
                   WS_EX_CLIENTEDGE, main_ids::kText1);
    label2_ = child(window_, L"STATIC", Label2.text, SS_LEFT | SS_NOTIFY | SS_NOPREFIX, 0,
                    main_ids::kLabel2);
    saveText_ = child(window_, L"EDIT", "", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0,
                      main_ids::kSaveText);
    for (std::size_t i = 0; i < kLinks.size(); ++i) {
        const int id = mainControlId(kLinks[i].name);
        links_[i] =
            child(window_, L"STATIC", kLinks[i].text, SS_LEFT | SS_NOTIFY | SS_NOPREFIX, 0, id);
        SetWindowSubclass(links_[i], &MainWindow::labelProc, UINT_PTR(id), DWORD_PTR(this));
    }
    // The frame paints under its labels, which draw only their text over it.
    frame_ = child(window_, kFrameClass, "", 0, 0, main_ids::kFrame1);
    const auto entries = aboutEntries();
    for (int i = 0; i < kAboutCount; ++i) {
        // One line, cut at the frame's border rather than wrapped onto a line no one sees.
        about_[i] = child(frame_, L"STATIC", entries[i].text,
                          SS_LEFTNOWORDWRAP | SS_NOTIFY | SS_NOPREFIX, 0, main_ids::lblAbout(i));
        aboutLink_[i] = entries[i].link;
        SetWindowSubclass(about_[i], &MainWindow::labelProc, UINT_PTR(main_ids::lblAbout(i)),
                          DWORD_PTR(this));
    }

    // Paths may be as long as the system's long paths; the box's own limit is far shorter.
    SendMessageW(text_, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
    SendMessageW(saveText_, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
    SetWindowSubclass(text_, &MainWindow::textProc, main_ids::kText, DWORD_PTR(this));
    SetWindowSubclass(probe_, &MainWindow::probeProc, main_ids::kText1, DWORD_PTR(this));
    // Only the source box takes dropped files.
    DragAcceptFiles(text_, TRUE);
}

void MainWindow::layOut() {
    using namespace main_window;
    if (font_) {
        DeleteObject(font_);
    }
    font_ = createInterfaceFont(dpi_);
    const int line = lineHeight(font_);
    const auto setFont = [this](HWND control) {
        SendMessageW(control, WM_SETFONT, WPARAM(font_), FALSE);
    };

    for (const Control& control : kControls) {
        const HWND handle = GetDlgItem(window_, mainControlId(control.name));
        setFont(handle);
        RECT place = pixelRect(control.place, dpi_);
        switch (control.kind) {
            case ControlKind::Label:
            case ControlKind::LinkLabel:
                fitLabel(handle, font_, control.place, {LONG_MAX, roomBelow(control, dpi_)}, dpi_);
                continue;
            case ControlKind::TextBox:
                // A box grows downwards rather than cut its text off at a large font.
                place.bottom = std::max(place.bottom, LONG(place.top + line + 4));
                place.bottom = std::min(place.bottom, LONG(place.top + roomBelow(control, dpi_)));
                break;
            case ControlKind::Frame:
            case ControlKind::ProbeBox:
                break;
        }
        move(handle, place);
    }
    // A long about text stops short of the frame's right border, which it would otherwise cover.
    RECT inside{};
    GetClientRect(frame_, &inside);
    const auto entries = aboutEntries();
    for (int i = 0; i < kAboutCount; ++i) {
        setFont(about_[i]);
        const LONG left = twipsToPixels(entries[i].place.left, dpi_);
        fitLabel(about_[i], font_, entries[i].place,
                 {inside.right - kEtchedEdge - left, aboutRoomBelow(i, dpi_)}, dpi_);
    }

    fitClientArea(window_, twipsToPixels(kClientWidth, dpi_), twipsToPixels(kClientHeight, dpi_));
    // The about labels draw only their text: the frame beneath them is painted again with them.
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void MainWindow::show(int showCommand) {
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
    SetFocus(text_);
}

bool MainWindow::preTranslate(MSG& message) {
    // Tab and Shift+Tab walk the boxes in their order; Enter and Esc in a box do nothing.
    return window_ && IsDialogMessageW(window_, &message);
}

std::string MainWindow::text() const {
    return windowTextUtf8(text_);
}

std::string MainWindow::saveText() const {
    return windowTextUtf8(saveText_);
}

void MainWindow::setText(const std::string& text) {
    setWindowText(text_, text);
}

bool MainWindow::pointerOverWindow() const {
    POINT pointer{};
    GetCursorPos(&pointer);
    const HWND under = WindowFromPoint(pointer);
    return under && (under == window_ || IsChild(window_, under));
}

HCURSOR MainWindow::currentCursor(bool overLink) const {
    if (busy_) {
        return LoadCursorW(nullptr, IDC_WAIT);
    }
    return overLink ? hand_ : LoadCursorW(nullptr, IDC_ARROW);
}

void MainWindow::setBusyCursor(bool busy) {
    busy_ = busy;
    if (pointerOverWindow()) {
        SetCursor(currentCursor(false));
    }
}

void MainWindow::setTextEnabled(bool enabled) {
    EnableWindow(text_, enabled);
    if (enabled && GetActiveWindow() == window_ && !GetFocus()) {
        // The source box lost the focus when it was disabled.
        SetFocus(text_);
    }
}

void MainWindow::setLinkColour(int link, Rgb colour) {
    if (link < 0 || link >= int(links_.size())) {
        return;
    }
    linkColours_[std::size_t(link)] = colour;
    InvalidateRect(links_[std::size_t(link)], nullptr, TRUE);
}

void MainWindow::openAddress(const std::string& address) {
    if (seams_.openAddress) {
        seams_.openAddress(window_, address);
    }
}

void MainWindow::openChooser(const std::function<void(const std::string&)>& chosen) {
    ChooserDialog dialog(instance_, seams_.chooserBoxes, chosen);
    dialog.runModal(window_);
}

void MainWindow::quit() {
    // The window goes at once, and with it the program: its loop ends on the quit that
    // WM_DESTROY posts.
    DestroyWindow(window_);
}

}  // namespace velbrisk::ui::win32
