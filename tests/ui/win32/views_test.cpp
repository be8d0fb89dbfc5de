// The Win32 windows, made for real and driven with the window messages the system sends.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "../message_recorder.h"
#include "app/win32/Module1.h"
#include "engine/utf16.h"
#include "tests/deadline.h"
#include "ui/Twips.h"
#include "ui/chooser/Layout.h"
#include "ui/main/Layout.h"
#include "ui/win32/ChooserDialog.h"
#include "ui/win32/ControlIds.h"
#include "ui/win32/Dpi.h"
#include "ui/win32/JobLoop.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/MessageBoxesWin32.h"
#include "ui/win32/Wide.h"

using namespace velbrisk;
using namespace velbrisk::ui;
using namespace velbrisk::ui::win32;
using namespace velbrisk::testing;
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Names = std::vector<std::string>;

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

std::string utf8(std::wstring_view text) {
    return narrow(text).value();
}

std::string textOf(HWND window) {
    return utf8(ui::win32::windowText(window));
}

ui::PixelRect clientArea(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return {0, 0, rect.right, rect.bottom};
}

RECT placeOf(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::vector<int> childrenMeeting(HWND parent, const RECT& area, HWND except = nullptr) {
    std::vector<int> met;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT place = placeOf(child);
        RECT common{};
        if (child != except && IntersectRect(&common, &place, &area)) {
            met.push_back(GetDlgCtrlID(child));
        }
    }
    return met;
}

// The pointer on any pixel reaches the one control the layout puts there.
void expectNoOverlap(HWND parent) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        EXPECT_EQ(childrenMeeting(parent, placeOf(child), child), std::vector<int>{})
            << "over control " << GetDlgCtrlID(child);
    }
}

// A control where its layout puts it at dpi, showing its text. Labels (Text) are as big as their
// text unless the control below stops them; one-line boxes (Taller) may be taller for their font.
enum class Fit { Place, Text, Taller };
void expectPlaced(HWND control, const ui::TwipsRect& place, std::string_view text, Fit fit,
                  int dpi = 96) {
    const RECT rect = placeOf(control);
    const ui::PixelRect actual{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    ui::PixelRect expected = ui::toPixels(place, dpi);
    if (fit == Fit::Text) {
        const HFONT font = HFONT(SendMessageW(control, WM_GETFONT, 0, 0));
        const SIZE extent = ui::win32::textExtent(font, ui::win32::wideText(text));
        expected.width = extent.cx;
        expected.height = std::min<int>(actual.height, extent.cy);
        if (actual.height < extent.cy) {
            const RECT below{rect.left, rect.bottom, rect.right, rect.bottom + 1};
            EXPECT_NE(childrenMeeting(GetParent(control), below), std::vector<int>{})
                << "cut short of its text with nothing below";
        }
    } else if (fit == Fit::Taller) {
        EXPECT_GE(actual.height, expected.height);
        expected.height = actual.height;
    }
    EXPECT_EQ(actual, expected);
    if (!text.empty()) {
        EXPECT_EQ(textOf(control), text);
    }
}

constexpr COLORREF kYellow = RGB(255, 255, 192);
constexpr COLORREF kGreen = RGB(192, 255, 192);

// The text's and the brush's colours the window hands a control (CLR_NONE: no brush).
std::pair<COLORREF, COLORREF> paintOf(HWND control, UINT message = WM_CTLCOLORSTATIC) {
    const HDC dc = CreateCompatibleDC(nullptr);
    const auto brush =
        HBRUSH(SendMessageW(GetParent(control), message, WPARAM(dc), LPARAM(control)));
    LOGBRUSH logical{};
    GetObjectW(brush, sizeof logical, &logical);
    const COLORREF text = GetTextColor(dc);
    DeleteDC(dc);
    return {text, logical.lbStyle == BS_NULL ? CLR_NONE : logical.lbColor};
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
    RECT suggested{100, 100, 800, 500};
    SendMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), LPARAM(&suggested));
    EXPECT_EQ(clientArea(window.hwnd()), toPixels({0, 0, kClientWidth, kClientHeight}, 144));
    for (const Control& control : kControls) {
        SCOPED_TRACE(control.name);
        using enum ControlKind;
        const Fit fit = control.kind == TextBox ? Fit::Taller : Fit::Place;
        expectPlaced(named(std::string(control.name)), control.place, control.text,
                     control.kind == Label || control.kind == LinkLabel ? Fit::Text : fit, 144);
    }
    expectNoOverlap(window.hwnd());
    expectNoOverlap(named("Frame1"));
}

// The home page's text runs on to the frame's right border, in one line, and leaves the border
// showing; the labels fill nothing of the frame.
TEST_F(MainWindowTest, AboutLabelsLeaveTheFramesBorderShowing) {
    window.show(SW_SHOWNORMAL);
    const HWND frame = named("Frame1");
    const HWND homePage = named("Lbl_About_" + std::to_string(main_window::kAboutHomePage));
    RedrawWindow(window.hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT inside{};
    GetClientRect(frame, &inside);
    const RECT label = placeOf(homePage);
    const HDC dc = GetDC(frame);
    const COLORREF border = GetPixel(dc, inside.right - 2, inside.bottom - 4);
    EXPECT_NE(border, kYellow);
    int inked = 0;
    for (LONG row = label.top; row < label.bottom; ++row) {
        EXPECT_EQ(GetPixel(dc, inside.right - 2, row), border) << "row " << row;
        for (LONG column = label.right - 20; column < label.right; ++column) {
            inked += GetPixel(dc, column, row) != kYellow;
        }
    }
    ReleaseDC(frame, dc);
    EXPECT_GT(inked, 0) << "the text's end is wrapped away";
    EXPECT_EQ(paintOf(homePage).second, CLR_NONE);
}

// Colours; moves, presses and releases reach the logic; the hand on links, the hourglass if busy.
TEST_F(MainWindowTest, ColoursMovesClicksAndCursors) {
    LOGBRUSH form{};
    GetObjectW(HBRUSH(GetClassLongPtrW(window.hwnd(), GCLP_HBRBACKGROUND)), sizeof form, &form);
    EXPECT_EQ(form.lbColor, kYellow);
    EXPECT_EQ(paintOf(named("Text"), WM_CTLCOLOREDIT).second, kGreen);
    // Under each control, the links Label, Lbl_Com, Lbl_Exit and Label3: r(ed) or b(lue).
    const std::pair<const char*, std::string> walk[] = {
        {"Label", "rbbb"},    {"Lbl_About_4", "rbbb"}, {"Lbl_Com", "brbb"}, {"form", "bbbb"},
        {"Lbl_Exit", "bbrb"}, {"Text", "bbbb"},        {"Label3", "bbbr"}};
    for (const auto& [over, expected] : walk) {
        SendMessageW(named(over), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        std::string links;
        for (const auto& link : main_window::kLinks) {
            const COLORREF colour = paintOf(named(std::string(link.name))).first;
            links += colour == RGB(255, 0, 0) ? 'r' : (colour == RGB(0, 0, 255) ? 'b' : '?');
        }
        EXPECT_EQ(links, expected) << over;
    }

    SendMessageW(named("Label3"), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(named("Label3"), WM_LBUTTONUP, 0, MAKELPARAM(-30, 2));
    SendMessageW(named("Lbl_Com"), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_TRUE(recorder.shown.empty()) << "released off the label it went down on";
    SendMessageW(named("Label3"), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(named("Label3"), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(recorder.shown.size(), 1u);
    // An about link goes to the shell's default verb.
    SendMessageW(named("Lbl_About_6"), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(named("Lbl_About_6"), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    const std::wstring address = wideText(main_window::aboutEntries()[6].address);
    EXPECT_EQ(shellCalls, (decltype(shellCalls){{window.hwnd(), L"(default) " + address}}));

    const HCURSOR hand = cursorOver(named("Label"));
    EXPECT_EQ(cursorOver(named("Lbl_About_6")), hand);
    EXPECT_NE(cursorOver(named("Lbl_About_0")), hand);
    window.setBusyCursor(true);
    EXPECT_EQ(cursorOver(window.hwnd()), LoadCursorW(nullptr, IDC_WAIT));
    EXPECT_EQ(cursorOver(named("Lbl_Com")), LoadCursorW(nullptr, IDC_WAIT));
}

// A name with a lone surrogate reaches the logic as one that did not convert, and is refused.
TEST_F(MainWindowTest, TheSourceBoxTakesTheFirstDroppedFile) {
    EXPECT_TRUE(GetWindowLongPtrW(named("Text"), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    // As the shell hands it over: a header, then the paths, each ended by a null.
    const auto drop = [&](const std::wstring& files) {
        const HGLOBAL list = GlobalAlloc(GHND, sizeof(DROPFILES) + files.size() * sizeof(wchar_t));
        auto* header = static_cast<DROPFILES*>(GlobalLock(list));
        *header = {sizeof(DROPFILES), {}, FALSE, TRUE};
        std::memcpy(header + 1, files.data(), files.size() * sizeof(wchar_t));
        GlobalUnlock(list);
        SendMessageW(named("Text"), WM_DROPFILES, WPARAM(list), 0);
    };
    const std::wstring first = L"D:\\" + std::wstring(300, L'长') + L"\\压缩前.exe";
    drop(first + L'\0' + L"C:\\b.exe" + L'\0' + L'\0');
    EXPECT_EQ(textOf(named("Text")), utf8(first));
    drop(std::wstring(L"C:\\a\xD800.exe") + L'\0' + L'\0');
    EXPECT_EQ(textOf(named("Text")), utf8(first));
    EXPECT_EQ(recorder.shown.size(), 1u) << "the name that did not convert went unrefused";
}

TEST_F(MainWindowTest, AJobHoldsTheWindowAndShowsItsProgress) {
    const Deadline deadline("the progress window's wakes and the worker to end");
    window.setTextEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(named("Text")));
    JobLoop job(window.hwnd());
    job.holdInput(true);
    int cancels = 0;
    job.showProgress([&] { ++cancels; });
    const HWND progress = FindWindowW(L"VelbriskProgress", nullptr);
    ASSERT_TRUE(progress && IsWindowVisible(progress));
    const HWND bar = GetDlgItem(progress, progress_ids::kBar);
    job.setProgress(main_window::kProgressSteps / 4);
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), main_window::kProgressSteps);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), main_window::kProgressSteps / 4);

    SendMessageW(progress, WM_COMMAND, IDCANCEL, 0);
    SendMessageW(progress, WM_CLOSE, 0, 0);
    PostMessageW(GetDlgItem(progress, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0);
    PostQuitMessage(7);
    const auto started = std::chrono::steady_clock::now();
    std::jthread worker([&job] {
        std::this_thread::sleep_for(100ms);
        job.wake();
    });
    job.waitForWake(10s);
    job.waitForWake(150ms);
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_TRUE(waited >= 240ms && waited < 5s) << "one wake ends one wait, after 100 ms";
    EXPECT_EQ(cancels, 3) << "the button, the close box and Esc";

    job.closeProgress();
    EXPECT_FALSE(IsWindow(progress));
    EXPECT_FALSE(IsWindowEnabled(window.hwnd())) << "still held after the progress window";
    job.holdInput(false);
    EXPECT_TRUE(IsWindowEnabled(window.hwnd()));
    MSG quit{};
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && quit.wParam == 7);
}

// The system's own dialog, answered from a timer: Enter takes the default answer, not the first;
// Esc and closeQuestion (0), as the program ends, the one for doing nothing.
TEST(MessageBoxesWin32Test, AQuestionEndsWithTheAnswerEachWayGives) {
    static MessageBoxesWin32 boxes;
    static WPARAM way;
    const Question question{{MessageIcon::Warning, "Velbrisk", "?"}, {"甲", "乙", "丙"}, 1, 2};
    using Way = std::pair<WPARAM, std::size_t>;  // the way, and the answer it must take
    for (const auto& [pressed, taken] : {Way{VK_RETURN, 1}, Way{VK_ESCAPE, 2}, Way{0, 2}}) {
        way = pressed;
        const Deadline deadline("the question to end by way " + std::to_string(pressed));
        SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR timer, DWORD) {
            KillTimer(nullptr, timer);
            const HWND box = FindWindowW(L"#32770", L"Velbrisk");
            way ? void(PostMessageW(box, WM_KEYDOWN, way, 0)) : boxes.closeQuestion();
        });
        EXPECT_EQ(boxes.ask(question), taken) << pressed;
    }
}

Names entriesOf(HWND list) {
    Names entries;
    for (LRESULT i = 0; i < SendMessageW(list, LB_GETCOUNT, 0, 0); ++i) {
        std::wstring text(std::size_t(SendMessageW(list, LB_GETTEXTLEN, i, 0)), L'\0');
        SendMessageW(list, LB_GETTEXT, i, LPARAM(text.data()));
        entries.push_back(utf8(text));
    }
    return entries;
}

fs::path madeFolder() {
    const fs::path folder = fs::temp_directory_path() / L"选择测试";
    fs::remove_all(folder);
    fs::create_directories(folder / L"子目录");
    for (const wchar_t* file : {L"A.EXE", L"中文.exe", L"子目录\\内部.EXE"}) {
        CloseHandle(CreateFileW((folder / file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                0, nullptr));
    }
    return folder;
}

class ChooserDialogTest : public ::testing::Test {
protected:
    ~ChooserDialogTest() override { fs::remove_all(folder); }

    HWND control(int id) const { return GetDlgItem(dialog.hwnd(), id); }

    void pick(int list, int row, WORD notification) {
        SendMessageW(control(list), LB_SETCURSEL, WPARAM(row), 0);
        SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(list, notification),
                     LPARAM(control(list)));
    }

    const fs::path folder = madeFolder();
    MessageRecorder recorder;
    std::optional<std::string> chosen;
    ChooserDialog dialog{GetModuleHandleW(nullptr), &recorder,
                         [this](const std::string& path) { chosen = path; }, utf8(folder.native())};
};

TEST_F(ChooserDialogTest, ControlsSitWhereTheLayoutSays) {
    using namespace chooser;
    EXPECT_EQ(textOf(dialog.hwnd()), kTitle);
    EXPECT_EQ(clientArea(dialog.hwnd()), toPixels({0, 0, kClientWidth, kClientHeight}));
    for (const Control& layout : kControls) {
        SCOPED_TRACE(layout.name);
        expectPlaced(control(chooserControlId(layout.name)), layout.place, layout.text, Fit::Place);
    }
    // The closed drive box ends above the folder list, whatever the font's line.
    expectNoOverlap(dialog.hwnd());
}

TEST_F(ChooserDialogTest, ListsShowTheFolderOpenFoldersAndPickFiles) {
    const HWND dir = control(chooser_ids::kDir1);
    const Names folders = entriesOf(dir);
    const auto marked = std::size_t(SendMessageW(dir, LB_GETCURSEL, 0, 0));
    EXPECT_EQ(folders.at(marked), utf8(folder.filename().native()));
    pick(chooser_ids::kFile1, 1, LBN_SELCHANGE);
    EXPECT_EQ(textOf(control(chooser_ids::kText1)), utf8((folder / L"中文.exe").native()));
    pick(chooser_ids::kDir1, int(folders.size()) - 1, LBN_DBLCLK);
    EXPECT_EQ(entriesOf(control(chooser_ids::kFile1)), (Names{"内部.EXE"}));
    // Enter on the folder above opens it again, listing its files.
    SendMessageW(dir, LB_SETCURSEL, WPARAM(entriesOf(dir).size() - 2), 0);
    SendMessageW(dir, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(entriesOf(control(chooser_ids::kFile1)), (Names{"A.EXE", "中文.exe"}));
}

// Each way out ends the modal run, which holds the main window off till then: OK with the path
// box handed on, 取消 and the close box (0) with nothing.
TEST_F(ChooserDialogTest, OkHandsOnThePathBoxCancelAndTheCloseBoxNothing) {
    static int button, blockedWasEnabled;
    MainWindow window(GetModuleHandleW(nullptr), {});
    for (const int way : {0, chooser_ids::kCommand2, chooser_ids::kCommand1}) {
        ChooserDialog other(GetModuleHandleW(nullptr), &recorder,
                            [this](const std::string& path) { chosen = path; });
        SetWindowTextW(GetDlgItem(other.hwnd(), chooser_ids::kText1), L"随便 typed");
        button = way;
        const Deadline deadline("the chooser to end by way " + std::to_string(way));
        SetTimer(other.hwnd(), 1, 20, [](HWND chooser, UINT, UINT_PTR timer, DWORD) {
            KillTimer(chooser, timer);
            blockedWasEnabled = IsWindowEnabled(FindWindowW(L"VelbriskFrmMain", nullptr));
            // A button's click is its id with BN_CLICKED (0) above it.
            PostMessageW(chooser, button ? WM_COMMAND : WM_CLOSE, button, 0);
        });
        EXPECT_EQ(other.runModal(window.hwnd()), way == chooser_ids::kCommand1) << way;
        EXPECT_FALSE(blockedWasEnabled) << way;
        EXPECT_TRUE(IsWindowEnabled(window.hwnd())) << way;
        EXPECT_EQ(chosen.value_or("-"), way == chooser_ids::kCommand1 ? "随便 typed" : "-") << way;
    }
}

}  // namespace
