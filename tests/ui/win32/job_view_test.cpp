// The main window's side of a running job: the loop that the worker wakes, the held input, the
// progress window, and the real message boxes behind the seam.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <thread>

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

using Clock = std::chrono::steady_clock;

class JobViewTest : public ::testing::Test {
protected:
    JobViewTest() : window(GetModuleHandleW(nullptr), seams()) {}

    MainWindow::Seams seams() {
        MainWindow::Seams seams;
        seams.boxes = &recorder;
        return seams;
    }

    // The windows of this thread of a class, visible or not.
    static std::vector<HWND> windowsOfClass(const wchar_t* className) {
        struct Search {
            const wchar_t* className;
            std::vector<HWND> found;
        } search{className, {}};
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND window, LPARAM data) -> BOOL {
                auto* search = reinterpret_cast<Search*>(data);
                wchar_t name[64] = {};
                GetClassNameW(window, name, 64);
                if (std::wstring_view(name) == search->className) {
                    search->found.push_back(window);
                }
                return TRUE;
            },
            LPARAM(&search));
        return search.found;
    }

    MessageRecorder recorder;
    MainWindow window;
};

TEST_F(JobViewTest, AWakeFromAnotherThreadEndsTheWait) {
    const auto started = Clock::now();
    std::jthread worker([this] {
        std::this_thread::sleep_for(50ms);
        window.wake();
    });
    window.waitForWake(10s);
    const auto waited = Clock::now() - started;
    EXPECT_GE(waited, 40ms);
    EXPECT_LT(waited, 5s) << "the wake, not the timeout, ended the wait";
}

TEST_F(JobViewTest, AWakeBeforeTheWaitEndsItAtOnceAndOnlyOnce) {
    window.wake();
    auto started = Clock::now();
    window.waitForWake(10s);
    EXPECT_LT(Clock::now() - started, 2s);

    started = Clock::now();
    window.waitForWake(150ms);
    const auto waited = Clock::now() - started;
    EXPECT_GE(waited, 140ms) << "the earlier wake was used up";
    EXPECT_LT(waited, 5s);
}

TEST_F(JobViewTest, TheWindowKeepsRunningItsMessagesWhileItWaits) {
    // A timer of the thread stands for painting and the progress window's input.
    static bool ran = false;
    ran = false;
    const UINT_PTR timer =
        SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) { ran = true; });
    window.waitForWake(300ms);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(ran);
}

TEST_F(JobViewTest, AQuitDuringTheJobIsKeptForTheProgramsLoop) {
    window.holdInput(true);
    PostQuitMessage(7);
    window.waitForWake(100ms);
    window.holdInput(false);
    MSG quit{};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 7u);
}

TEST_F(JobViewTest, HeldInputDisablesTheWholeWindow) {
    window.holdInput(true);
    EXPECT_FALSE(IsWindowEnabled(window.hwnd()));
    window.holdInput(false);
    EXPECT_TRUE(IsWindowEnabled(window.hwnd()));
}

TEST_F(JobViewTest, TheBusyCursorIsOverTheLinksToo) {
    const HWND link = GetDlgItem(window.hwnd(), main_ids::kLbl_Com);
    const auto cursorOver = [](HWND place) {
        SetCursor(nullptr);
        SendMessageW(place, WM_SETCURSOR, WPARAM(place), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    window.setBusyCursor(true);
    EXPECT_EQ(cursorOver(window.hwnd()), LoadCursorW(nullptr, IDC_WAIT));
    EXPECT_EQ(cursorOver(link), LoadCursorW(nullptr, IDC_WAIT));
    window.setBusyCursor(false);
    EXPECT_NE(cursorOver(link), LoadCursorW(nullptr, IDC_WAIT));
}

TEST_F(JobViewTest, OnlyTheSourceBoxIsDisabled) {
    const HWND text = GetDlgItem(window.hwnd(), main_ids::kText);
    window.setTextEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(text));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window.hwnd(), main_ids::kSaveText)));
    EXPECT_TRUE(IsWindowEnabled(window.hwnd()));
    window.setTextEnabled(true);
    EXPECT_TRUE(IsWindowEnabled(text));
}

TEST_F(JobViewTest, TheProgressWindowShowsTheJobAndItsCancel) {
    int cancels = 0;
    window.showProgress([&] { ++cancels; });
    const auto found = windowsOfClass(L"VelbriskProgress");
    ASSERT_EQ(found.size(), 1u);
    const HWND progress = found[0];
    EXPECT_TRUE(IsWindowVisible(progress));
    EXPECT_EQ(GetWindow(progress, GW_OWNER), window.hwnd());
    EXPECT_EQ(textOf(progress), "Velbrisk");
    EXPECT_EQ(textOf(GetDlgItem(progress, progress_ids::kLabel)), "正在压缩…");
    const HWND cancel = GetDlgItem(progress, IDCANCEL);
    EXPECT_EQ(textOf(cancel), "取消");
    // The window is made before its size is known: its client area must still come out whole,
    // with the button inside it.
    const SIZE client = clientSize(progress);
    EXPECT_EQ(client.cx, 360);
    EXPECT_EQ(client.cy, 104);
    EXPECT_EQ(placeOf(cancel), (Place{267, 68, 81, 25}));

    const HWND bar = GetDlgItem(progress, progress_ids::kBar);
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), main_window::kProgressSteps);
    window.setProgress(2500);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 2500);

    SendMessageW(progress, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(cancel));
    EXPECT_EQ(cancels, 1);
    SendMessageW(progress, WM_CLOSE, 0, 0);
    EXPECT_EQ(cancels, 2) << "the close box stops the job too";
    EXPECT_TRUE(IsWindow(progress)) << "the window stays until the job has ended";

    window.closeProgress();
    EXPECT_FALSE(IsWindow(progress));
    window.closeProgress();  // harmless when there is none
}

TEST_F(JobViewTest, EscInTheProgressWindowPressesCancel) {
    int cancels = 0;
    window.showProgress([&] { ++cancels; });
    const HWND progress = windowsOfClass(L"VelbriskProgress").at(0);
    std::jthread worker([&] {
        std::this_thread::sleep_for(30ms);
        window.wake();
    });
    PostMessageW(GetDlgItem(progress, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0);
    window.waitForWake(5s);
    EXPECT_EQ(cancels, 1);
    window.closeProgress();
}

// The system's boxes, read while they are up: the thread's timer runs inside their own loop.
struct BoxSeen {
    bool found = false;
    HWND owner = nullptr;
    std::string title;
    std::string text;
    int defaultButton = 0;
    bool hasNo = false;
    int press = IDOK;
};
BoxSeen* seen = nullptr;

void CALLBACK readBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) -> BOOL {
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (std::wstring_view(name) == L"#32770" && IsWindowVisible(window)) {
                *reinterpret_cast<HWND*>(found) = window;
                return FALSE;
            }
            return TRUE;
        },
        LPARAM(&box));
    if (!box) {
        return;
    }
    KillTimer(nullptr, timer);
    seen->found = true;
    seen->owner = GetWindow(box, GW_OWNER);
    seen->title = textOf(box);
    seen->text = textOf(GetDlgItem(box, 0xFFFF));
    // The default button is the one with the focus when the box comes up.
    seen->defaultButton = GetDlgCtrlID(GetFocus());
    seen->hasNo = GetDlgItem(box, IDNO) != nullptr;
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(seen->press, BN_CLICKED), 0);
}

TEST(MessageBoxesWin32, AMessageIsTheSystemsBoxOwnedByTheWindow) {
    MainWindow window(GetModuleHandleW(nullptr), {});
    MessageBoxesWin32 boxes(window.hwnd());
    BoxSeen box;
    seen = &box;
    SetTimer(nullptr, 0, 20, readBox);
    boxes.showMessage({MessageIcon::Error, "Velbrisk", "请输入压缩文件名！"});
    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.owner, window.hwnd());
    EXPECT_EQ(box.title, "Velbrisk");
    EXPECT_EQ(box.text, "请输入压缩文件名！");
    EXPECT_FALSE(box.hasNo);
}

TEST(MessageBoxesWin32, AQuestionDefaultsToNoAndAnswersWhatWasPressed) {
    MainWindow window(GetModuleHandleW(nullptr), {});
    MessageBoxesWin32 boxes(window.hwnd());
    for (const int press : {IDYES, IDNO}) {
        BoxSeen box;
        box.press = press;
        seen = &box;
        SetTimer(nullptr, 0, 20, readBox);
        const bool yes = boxes.askYesNo({MessageIcon::Warning, "Velbrisk", "是否仍要压缩？"});
        ASSERT_TRUE(box.found);
        EXPECT_EQ(yes, press == IDYES);
        EXPECT_EQ(box.defaultButton, IDNO);
        EXPECT_EQ(box.text, "是否仍要压缩？");
    }
}

TEST(MessageBoxesWin32, StylesCarryTheIcons) {
    struct Row {
        MessageIcon icon;
        UINT style;
    };
    for (const Row& row : {Row{MessageIcon::Information, MB_OK | MB_ICONINFORMATION},
                           Row{MessageIcon::Warning, MB_OK | MB_ICONWARNING},
                           Row{MessageIcon::Error, MB_OK | MB_ICONERROR}}) {
        EXPECT_EQ(MessageBoxesWin32::messageStyle(row.icon), row.style);
    }
    EXPECT_EQ(MessageBoxesWin32::questionStyle(MessageIcon::Warning),
              UINT(MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2));
}

}  // namespace
