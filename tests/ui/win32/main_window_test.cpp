// The Win32 main window, made for real and driven with the window messages the system sends.
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

#include "app/win32/Module1.h"
#include "ui/main/Layout.h"
#include "ui/win32/ControlIds.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/MessageBoxesWin32.h"
#include "tests/deadline.h"
#include "window_probe.h"

using namespace std::chrono_literals;
using namespace velbrisk::ui;
using namespace velbrisk::ui::win32;
using namespace velbrisk::testing;

// The shell's ShellExecuteW, replaced in this program by one that records what Module1 hands it.
static std::vector<std::pair<HWND, std::wstring>> shellCalls;
static HINSTANCE WINAPI shellCall(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR, LPCWSTR, INT) {
    shellCalls.emplace_back(owner, std::wstring(verb ? verb : L"(default)") + L" " + file);
    return HINSTANCE(33);
}
extern "C" {
decltype(&ShellExecuteW) __imp_ShellExecuteW = &shellCall;
}

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kYellow = RGB(255, 255, 192);
constexpr COLORREF kGreen = RGB(192, 255, 192);

// What the window hands a control to paint with: the text's colour and the brush's.
std::pair<COLORREF, COLORREF> paintOf(HWND control, UINT colourMessage = WM_CTLCOLORSTATIC) {
    const HDC dc = CreateCompatibleDC(nullptr);
    const auto brush =
        HBRUSH(SendMessageW(GetParent(control), colourMessage, WPARAM(dc), LPARAM(control)));
    LOGBRUSH logical{};
    GetObjectW(brush, sizeof logical, &logical);
    const COLORREF text = GetTextColor(dc);
    DeleteDC(dc);
    return {text, logical.lbColor};
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

    MessageRecorder recorder;
    MainWindow window{GetModuleHandleW(nullptr),
                      {.boxes = &recorder, .openAddress = &velbrisk::Module1::openAddress}};
};

TEST_F(MainWindowTest, ControlsSitWhereTheLayoutSaysAtTheMonitorsDpi) {
    using namespace main_window;
    for (const int dpi : {96, 144}) {
        SCOPED_TRACE(dpi);
        RECT suggested{100, 100, 800, 500};
        SendMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), LPARAM(&suggested));
        EXPECT_EQ(clientArea(window.hwnd()), toPixels({0, 0, kClientWidth, kClientHeight}, dpi));
        for (const Control& control : kControls) {
            SCOPED_TRACE(control.name);
            const bool label = control.kind == ControlKind::Label ||
                               control.kind == ControlKind::LinkLabel;
            const bool box = control.kind == ControlKind::TextBox;
            expectPlaced(named(std::string(control.name)), control.place, control.text,
                         label ? Fit::Text : box ? Fit::Taller : Fit::Place, dpi);
        }
    }
}

TEST_F(MainWindowTest, TheSourceBoxIsGreenEvenDisabledAndLabelsAreOnTheWindowsYellow) {
    const COLORREF plain = GetSysColor(COLOR_WINDOWTEXT);
    EXPECT_EQ(paintOf(named("Label1")), std::pair(plain, kYellow));
    LOGBRUSH form{};
    GetObjectW(HBRUSH(GetClassLongPtrW(window.hwnd(), GCLP_HBRBACKGROUND)), sizeof form, &form);
    EXPECT_EQ(form.lbColor, kYellow);
    EXPECT_EQ(paintOf(named("Text"), WM_CTLCOLOREDIT), std::pair(plain, kGreen));
    // Disabled during a job, it asks for a label's colours.
    EnableWindow(named("Text"), FALSE);
    EXPECT_EQ(paintOf(named("Text")), std::pair(GetSysColor(COLOR_GRAYTEXT), kGreen));
}

TEST_F(MainWindowTest, MovesOverEachControlReachTheLogic) {
    struct Step {
        const char* over;
        std::array<COLORREF, 4> links;  // Label, Lbl_Com, Lbl_Exit, Label3
    };
    const Step walk[] = {
        {"Label", {kRed, kBlue, kBlue, kBlue}},
        {"Lbl_About_4", {kRed, kBlue, kBlue, kBlue}},
        {"Lbl_Com", {kBlue, kRed, kBlue, kBlue}},
        {"form", {kBlue, kBlue, kBlue, kBlue}},
        {"Lbl_Exit", {kBlue, kBlue, kRed, kBlue}},
        {"Text", {kBlue, kBlue, kBlue, kBlue}},
        {"Label3", {kBlue, kBlue, kBlue, kRed}},
    };
    for (const Step& step : walk) {
        SendMessageW(named(step.over), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        std::array<COLORREF, 4> links{};
        for (std::size_t i = 0; i < links.size(); ++i) {
            links[i] = paintOf(named(std::string(main_window::kLinks[i].name))).first;
        }
        EXPECT_EQ(links, step.links) << step.over;
    }
}

TEST_F(MainWindowTest, TheHandIsOverLinksAndTheHourglassEverywhereWhileBusy) {
    const HCURSOR hand = cursorOver(named("Label"));
    EXPECT_NE(hand, LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(cursorOver(named("Lbl_About_6")), hand);
    EXPECT_NE(cursorOver(named("Lbl_About_0")), hand);
    window.setBusyCursor(true);
    EXPECT_EQ(cursorOver(window.hwnd()), LoadCursorW(nullptr, IDC_WAIT));
    EXPECT_EQ(cursorOver(named("Lbl_Com")), LoadCursorW(nullptr, IDC_WAIT));
}

TEST_F(MainWindowTest, AClickIsAPressAndAReleaseOnOneLabel) {
    SendMessageW(named("Label3"), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(named("Label3"), WM_LBUTTONUP, 0, MAKELPARAM(-30, 2));
    SendMessageW(named("Lbl_Com"), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_TRUE(recorder.shown.empty()) << "released off the label it went down on";
    SendMessageW(named("Label3"), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(named("Label3"), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(recorder.shown.at(0).title, "使用帮助");
    // An about link goes to the shell's default verb, the window as owner.
    SendMessageW(named("Lbl_About_6"), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(named("Lbl_About_6"), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    const std::wstring address = widen(main_window::aboutEntries()[6].address);
    EXPECT_EQ(shellCalls, (decltype(shellCalls){{window.hwnd(), L"(default) " + address}}));
}

TEST_F(MainWindowTest, TheSourceBoxTakesTheFirstDroppedFile) {
    EXPECT_TRUE(GetWindowLongPtrW(named("Text"), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    // As the shell hands a drop over: a header, then the paths, each ended by a null.
    const std::wstring first = L"D:\\" + std::wstring(300, L'长') + L"\\压缩前.exe";
    const std::wstring files = first + L'\0' + L"C:\\b.exe" + L'\0' + L'\0';
    const HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + files.size() * sizeof(wchar_t));
    auto* header = static_cast<DROPFILES*>(GlobalLock(drop));
    *header = {sizeof(DROPFILES), {}, FALSE, TRUE};
    std::memcpy(header + 1, files.data(), files.size() * sizeof(wchar_t));
    GlobalUnlock(drop);
    SendMessageW(named("Text"), WM_DROPFILES, WPARAM(drop), 0);
    EXPECT_EQ(textOf(named("Text")), narrow(first));
}

TEST_F(MainWindowTest, AJobHoldsTheWindowAndShowsItsProgress) {
    const Deadline deadline("the progress window's wakes and the worker to end");
    window.setTextEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(named("Text")));
    window.holdInput(true);
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
    PostMessageW(cancel, WM_KEYDOWN, VK_ESCAPE, 0);
    PostQuitMessage(7);
    const auto started = std::chrono::steady_clock::now();
    std::jthread worker([this] {
        std::this_thread::sleep_for(100ms);
        window.wake();
    });
    window.waitForWake(10s);
    window.waitForWake(150ms);
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_TRUE(waited >= 240ms && waited < 5s) << "one wake ends one wait, after 100 ms";
    EXPECT_EQ(cancels, 3) << "the button, the close box and Esc";

    EXPECT_TRUE(IsWindow(progress)) << "the window stays until the job has ended";
    window.closeProgress();
    EXPECT_FALSE(IsWindow(progress));
    EXPECT_FALSE(IsWindowEnabled(window.hwnd())) << "still held after the progress window";
    window.holdInput(false);
    EXPECT_TRUE(IsWindowEnabled(window.hwnd()));
    MSG quit{};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 7u);
}

// Enter on the question must not give away the bytes it asks about.
TEST(MessageBoxesWin32Test, AQuestionHasNoAsItsDefault) {
    EXPECT_EQ(MessageBoxesWin32::questionStyle(MessageIcon::Warning) & MB_DEFMASK, MB_DEFBUTTON2);
}

}  // namespace
