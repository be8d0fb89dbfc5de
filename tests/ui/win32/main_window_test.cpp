// The Win32 main window, made for real and driven with window messages as the system sends
// them: where its controls sit at two dpis, their colours, hover, cursors, clicks and the drop,
// and its side of a running job: the woken loop, held input, the progress window, the boxes.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <array>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ui/main/Layout.h"
#include "ui/win32/ControlIds.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/MessageBoxesWin32.h"
#include "window_probe.h"

using namespace std::chrono_literals;
using namespace velbrisk::ui;
using namespace velbrisk::ui::win32;
using namespace velbrisk::testing;

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kYellow = RGB(255, 255, 192);
constexpr COLORREF kGreen = RGB(192, 255, 192);

// A press of the primary button on a control and its release at a point of it.
void clickAt(HWND control, POINT release = {2, 2}) {
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(release.x, release.y));
}

HCURSOR cursorOver(HWND control) {
    SetCursor(nullptr);
    SendMessageW(control, WM_SETCURSOR, WPARAM(control), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
}

class MainWindowTest : public ::testing::Test {
protected:
    // A control by its layout name, an about label as "Lbl_About_<index>", the window as "form".
    HWND named(const std::string& name) const {
        if (name.starts_with("Lbl_About_")) {
            return GetDlgItem(named("Frame1"), main_ids::lblAbout(std::stoi(name.substr(10))));
        }
        return name == "form" ? window.hwnd() : GetDlgItem(window.hwnd(), mainControlId(name));
    }

    // Every control where the layout puts it at dpi: a label at its corner and as large as its
    // text, any other on its rectangle, a text box taller where its font needs it.
    void expectLaidOut(int dpi) const {
        SCOPED_TRACE(dpi);
        EXPECT_EQ(textOf(window.hwnd()), main_window::windowTitle());
        EXPECT_EQ(clientSize(window.hwnd()).cx, twipsToPixels(main_window::kClientWidth, dpi));
        EXPECT_EQ(clientSize(window.hwnd()).cy, twipsToPixels(main_window::kClientHeight, dpi));
        const auto expectAt = [&](const std::string& name, TwipsRect place, std::string_view text,
                                  bool label) {
            const HWND control = named(name);
            const PixelRect actual = placeOf(control);
            PixelRect expected = toPixels(place, dpi);
            if (label) {
                expected.width = neededFor(control, text).cx;
                expected.height = neededFor(control, text).cy;
            } else if (name.ends_with("Text")) {
                EXPECT_GE(actual.height, expected.height) << name;
                EXPECT_GE(clientSize(control).cy, neededFor(control, "将Ég").cy) << name;
                expected.height = actual.height;
            }
            EXPECT_EQ(actual, expected) << name;
            EXPECT_EQ(textOf(control), text) << name;
        };
        for (const main_window::Control& control : main_window::kControls) {
            expectAt(std::string(control.name), control.place, control.text,
                     control.kind == main_window::ControlKind::Label ||
                         control.kind == main_window::ControlKind::LinkLabel);
        }
        const auto entries = main_window::aboutEntries();
        for (int i = 0; i < main_window::kAboutCount; ++i) {
            expectAt("Lbl_About_" + std::to_string(i), entries[i].place, entries[i].text, true);
        }
    }

    MessageRecorder recorder;
    std::vector<std::pair<bool, std::string>> opened;  // owned by the window, the address
    MainWindow window{GetModuleHandleW(nullptr),
                      {.boxes = &recorder,
                       .openAddress = [this](HWND owner, const std::string& address) {
                           opened.emplace_back(owner == window.hwnd(), address);
                       }}};
};

TEST_F(MainWindowTest, ControlsSitWhereTheLayoutSaysAtTheMonitorsDpi) {
    expectLaidOut(96);
    RECT suggested{100, 100, 800, 500};
    SendMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), LPARAM(&suggested));
    expectLaidOut(144);
}

TEST_F(MainWindowTest, ControlsAskForTheirColours) {
    const COLORREF plain = GetSysColor(COLOR_WINDOWTEXT);
    // A disabled box asks for a label's colours, and must stay green.
    EnableWindow(named("SaveText"), FALSE);
    struct Row {
        const char* name;
        UINT message;
        COLORREF text;
        COLORREF brush;
    };
    const Row rows[] = {
        {"Lbl_Com", WM_CTLCOLORSTATIC, kBlue, kYellow},
        {"Label1", WM_CTLCOLORSTATIC, plain, kYellow},
        {"Lbl_About_4", WM_CTLCOLORSTATIC, plain, kYellow},
        {"Text", WM_CTLCOLOREDIT, plain, kGreen},
        {"SaveText", WM_CTLCOLORSTATIC, GetSysColor(COLOR_GRAYTEXT), kGreen},
    };
    for (const Row& row : rows) {
        const Paint paint = paintOf(named(row.name), row.message);
        EXPECT_EQ(paint.text, row.text) << row.name;
        EXPECT_EQ(paint.brush, row.brush) << row.name;
        // Labels let the window's yellow show through; a box's text sits on green.
        EXPECT_TRUE(row.brush == kGreen ? paint.background == kGreen : paint.transparent)
            << row.name;
    }
    LOGBRUSH background{};
    GetObjectW(HBRUSH(GetClassLongPtrW(window.hwnd(), GCLP_HBRBACKGROUND)), sizeof background,
               &background);
    EXPECT_EQ(background.lbColor, kYellow);
}

TEST_F(MainWindowTest, MovesReachTheControlUnderThePointer) {
    // Above any other window on the screen, which would take the moves.
    SetWindowPos(window.hwnd(), HWND_TOPMOST, 40, 40, 0, 0, SWP_NOSIZE);
    window.show(SW_SHOWNORMAL);
    pump();
    const auto moveOver = [&](const std::string& name) {
        const HWND target = named(name);
        const SIZE size = clientSize(target);
        // The window's middle is covered by its controls; its corner is bare.
        POINT point = name == "form" ? POINT{2, 2} : POINT{size.cx / 2, size.cy / 2};
        MapWindowPoints(target, nullptr, &point, 1);
        ASSERT_EQ(WindowFromPoint(point), target) << name;
        ScreenToClient(target, &point);
        SendMessageW(target, WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
    };
    struct Row {
        std::vector<std::string> moves;
        std::array<COLORREF, 4> colours;  // of Label, Lbl_Com, Lbl_Exit, Label3
    };
    const Row rows[] = {
        {{"Lbl_Com"}, {kBlue, kRed, kBlue, kBlue}},
        {{"Lbl_Exit"}, {kBlue, kBlue, kRed, kBlue}},
        {{"Label3"}, {kBlue, kBlue, kBlue, kRed}},
        {{"Lbl_Com", "form"}, {kBlue, kBlue, kBlue, kBlue}},
        {{"Lbl_Exit", "Text"}, {kBlue, kBlue, kBlue, kBlue}},
        {{"Label", "Label1", "SaveText", "Lbl_About_4"}, {kRed, kBlue, kBlue, kBlue}},
    };
    for (const Row& row : rows) {
        moveOver("form");
        for (const std::string& move : row.moves) {
            moveOver(move);
        }
        std::array<COLORREF, 4> colours{};
        for (std::size_t i = 0; i < colours.size(); ++i) {
            const HWND link = named(std::string(main_window::kLinks[i].name));
            colours[i] = paintOf(link, WM_CTLCOLORSTATIC).text;
        }
        EXPECT_EQ(colours, row.colours) << row.moves.back();
    }
}

TEST_F(MainWindowTest, TheHandIsOverLinksAndTheHourglassEverywhereWhileBusy) {
    const HCURSOR hand = cursorOver(named("Label"));
    EXPECT_NE(hand, LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(cursorOver(named("Lbl_About_6")), hand);
    EXPECT_NE(cursorOver(named("Lbl_About_0")), hand);
    window.setBusyCursor(true);
    for (const char* place : {"form", "Lbl_Com", "Lbl_About_0"}) {
        EXPECT_EQ(cursorOver(named(place)), LoadCursorW(nullptr, IDC_WAIT)) << place;
    }
}

TEST_F(MainWindowTest, AClickIsAPressAndAReleaseOnOneLabel) {
    clickAt(named("Label3"), {-30, 2});
    SendMessageW(named("Lbl_Com"), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_TRUE(recorder.shown.empty()) << "released off the label it went down on";

    clickAt(named("Lbl_Com"));
    clickAt(named("Label3"));
    ASSERT_EQ(recorder.shown.size(), 2u);
    EXPECT_EQ(recorder.shown[0].text, "请先选择要压缩的文件！");
    EXPECT_EQ(recorder.shown[1].title, "使用帮助");
    for (int index = 0; index < main_window::kAboutCount; ++index) {
        clickAt(named("Lbl_About_" + std::to_string(index)));
    }
    const auto entries = main_window::aboutEntries();
    EXPECT_EQ(opened, (std::vector<std::pair<bool, std::string>>{{true, entries[4].address},
                                                                  {true, entries[6].address}}));
}

TEST_F(MainWindowTest, TheSourceBoxTakesTheFirstDroppedFile) {
    EXPECT_TRUE(GetWindowLongPtrW(named("Text"), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    EXPECT_FALSE(GetWindowLongPtrW(named("SaveText"), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    // As the shell hands a drop over: a header, then the paths, each ended by a null.
    const std::wstring first = L"D:\\" + std::wstring(300, L'长') + L"\\压缩前.exe";
    const std::wstring files = first + L'\0' + L"C:\\b.exe" + L'\0' + L'\0';
    const HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + files.size() * sizeof(wchar_t));
    auto* header = static_cast<DROPFILES*>(GlobalLock(drop));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::memcpy(header + 1, files.data(), files.size() * sizeof(wchar_t));
    GlobalUnlock(drop);
    SendMessageW(named("Text"), WM_DROPFILES, WPARAM(drop), 0);
    EXPECT_EQ(textOf(named("Text")), narrow(first));
}

TEST_F(MainWindowTest, AWakeFromTheWorkerEndsOneWait) {
    using Clock = std::chrono::steady_clock;
    auto started = Clock::now();
    std::jthread worker([this] {
        std::this_thread::sleep_for(100ms);
        window.wake();
    });
    window.waitForWake(10s);
    EXPECT_LT(Clock::now() - started, 5s) << "the wake, not the time, ended the wait";

    started = Clock::now();
    window.waitForWake(150ms);
    EXPECT_GE(Clock::now() - started, 140ms) << "the wake was used up";
}

TEST_F(MainWindowTest, HeldInputKeepsTheWindowOffAndAQuitForLater) {
    window.setTextEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window.hwnd(), main_ids::kText)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window.hwnd(), main_ids::kSaveText)));

    window.holdInput(true);
    PostQuitMessage(7);
    window.waitForWake(100ms);
    window.showProgress([] {});
    window.closeProgress();
    EXPECT_FALSE(IsWindowEnabled(window.hwnd())) << "still held after the progress window";
    window.holdInput(false);
    EXPECT_TRUE(IsWindowEnabled(window.hwnd()));
    MSG quit{};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 7u);
}

TEST_F(MainWindowTest, TheProgressWindowShowsTheJobAndItsCancelStopsIt) {
    int cancels = 0;
    window.showProgress([&] { ++cancels; });
    const HWND progress = FindWindowW(L"VelbriskProgress", nullptr);
    ASSERT_TRUE(progress && IsWindowVisible(progress));
    EXPECT_EQ(GetWindow(progress, GW_OWNER), window.hwnd());
    EXPECT_EQ(textOf(GetDlgItem(progress, progress_ids::kLabel)), main_window::kProgressLabel);
    const HWND cancel = GetDlgItem(progress, IDCANCEL);
    EXPECT_EQ(textOf(cancel), main_window::kProgressCancel);

    const HWND bar = GetDlgItem(progress, progress_ids::kBar);
    window.setProgress(main_window::kProgressSteps / 4);
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), main_window::kProgressSteps);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), main_window::kProgressSteps / 4);

    SendMessageW(progress, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(cancel));
    SendMessageW(progress, WM_CLOSE, 0, 0);
    // Esc arrives through the job's loop, as the keys do while a job runs.
    std::jthread worker([&] {
        std::this_thread::sleep_for(50ms);
        window.wake();
    });
    PostMessageW(cancel, WM_KEYDOWN, VK_ESCAPE, 0);
    window.waitForWake(5s);
    EXPECT_EQ(cancels, 3) << "the button, the close box and Esc";
    EXPECT_TRUE(IsWindow(progress)) << "the window stays until the job has ended";
    window.closeProgress();
    EXPECT_FALSE(IsWindow(progress));
}

// The system's question box, answered by a timer of the thread, which runs inside its loop.
TEST_F(MainWindowTest, AQuestionIsTheSystemsBoxOnTheWindowWithNoAsItsDefault) {
    static HWND owner = nullptr;
    static int focused = 0;
    SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR timer, DWORD) {
        const HWND box = FindWindowW(L"#32770", nullptr);
        if (box) {
            KillTimer(nullptr, timer);
            owner = GetWindow(box, GW_OWNER);
            focused = GetDlgCtrlID(GetFocus());
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
        }
    });
    MessageBoxesWin32 boxes(window.hwnd());
    EXPECT_TRUE(boxes.askYesNo({MessageIcon::Warning, "Velbrisk", "是否仍要压缩？"}));
    EXPECT_EQ(owner, window.hwnd());
    EXPECT_EQ(focused, IDNO);
}

}  // namespace
