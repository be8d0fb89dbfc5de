// The Win32 main window, created for real and driven with window messages: its places at 96 dpi,
// texts, colours, the routing of mouse moves and clicks, the drop, and a whole job.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "resources/ProductInfo.h"
#include "ui/main/FrmMain.h"
#include "ui/main/Layout.h"
#include "ui/win32/ControlIds.h"
#include "ui/win32/MainWindow.h"
#include "window_probe.h"

using namespace velbrisk::ui;
using namespace velbrisk::ui::win32;
using namespace velbrisk::testing;

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kYellow = RGB(255, 255, 192);
constexpr COLORREF kGreen = RGB(192, 255, 192);

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() : window(GetModuleHandleW(nullptr), seams()) {}

    MainWindow::Seams seams() {
        MainWindow::Seams seams;
        seams.boxes = &recorder;
        seams.chooserBoxes = &chooserRecorder;
        seams.openAddress = [this](HWND owner, const std::string& address) {
            opened.push_back({owner, address});
        };
        return seams;
    }

    HWND control(int id) const { return GetDlgItem(window.hwnd(), id); }
    HWND about(int index) const {
        return GetDlgItem(control(main_ids::kFrame1), main_ids::lblAbout(index));
    }
    HWND named(const std::string& name) const {
        if (name.starts_with("Lbl_About_")) {
            return about(std::stoi(name.substr(10)));
        }
        return name == "form" ? window.hwnd() : control(mainControlId(name));
    }
    std::array<COLORREF, 4> linkColours() const {
        std::array<COLORREF, 4> colours{};
        const int ids[] = {main_ids::kLabel, main_ids::kLbl_Com, main_ids::kLbl_Exit,
                           main_ids::kLabel3};
        for (int i = 0; i < 4; ++i) {
            colours[i] = paintOf(control(ids[i]), WM_CTLCOLORSTATIC).text;
        }
        return colours;
    }

    MessageRecorder recorder;
    MessageRecorder chooserRecorder;
    struct Opened {
        HWND owner;
        std::string address;
        friend bool operator==(const Opened&, const Opened&) = default;
    };
    std::vector<Opened> opened;
    MainWindow window;
};

TEST_F(MainWindowTest, IsAFixedWindowOfTheLayoutsSizeWithItsTitle) {
    const SIZE client = clientSize(window.hwnd());
    EXPECT_EQ(client.cx, 406);
    EXPECT_EQ(client.cy, 183);
    EXPECT_EQ(textOf(window.hwnd()),
              std::string("Velbrisk v1.0  软件作者:") + velbrisk::product::kAuthor);
    const LONG_PTR style = GetWindowLongPtrW(window.hwnd(), GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX) << "the maximise button stays off";
    EXPECT_FALSE(style & WS_THICKFRAME) << "the user cannot resize the window";
}

TEST_F(MainWindowTest, BoxesAndFrameSitAtTheirPixelsAt96Dpi) {
    struct Row {
        const char* name;
        Place place;
    };
    const Row rows[] = {
        {"Text", {8, 24, 337, 18}},
        {"SaveText", {8, 64, 337, 18}},
        {"Frame1", {8, 88, 393, 89}},
        {"Text1", {8, 240, 393, 18}},  // below the client area: never seen
    };
    for (const Row& row : rows) {
        Place expected = row.place;
        if (std::string_view(row.name).ends_with("Text")) {
            // A box is as tall as its layout says, or taller where the system's font needs it
            // (a Chinese system's is): never so short that the text is cut off.
            const HWND box = named(row.name);
            const HDC dc = GetDC(box);
            const HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageW(box, WM_GETFONT, 0, 0)));
            TEXTMETRICW metrics{};
            GetTextMetricsW(dc, &metrics);
            SelectObject(dc, old);
            ReleaseDC(box, dc);
            expected.height = std::max<int>(expected.height,
                                            metrics.tmHeight + metrics.tmExternalLeading + 4);
        }
        EXPECT_EQ(placeOf(named(row.name)), expected) << row.name;
    }
}

TEST_F(MainWindowTest, LabelsStartAtTheirCornerAndFitTheirText) {
    const std::string author = velbrisk::product::kAuthor;
    struct Row {
        std::string name;
        int left, top;
        std::string text;
    };
    const Row rows[] = {
        {"Label1", 8, 8, "将被压缩的文件：(可拖动到下面)"},
        {"Label2", 8, 48, "压缩文件名：(注意:不能与被压缩文件名相同！)"},
        {"Label", 352, 24, "选择文件"},
        {"Lbl_Com", 352, 40, "开始压缩"},
        {"Lbl_Exit", 352, 56, "退出程序"},
        {"Label3", 352, 72, "使用帮助"},
        // The about panel, inside the frame.
        {"Lbl_About_0", 16, 16, "软件名称:Velbrisk"},
        {"Lbl_About_1", 16, 32, "软件作者:" + author},
        {"Lbl_About_2", 16, 48, "软件版本:v1.0"},
        {"Lbl_About_3", 16, 64, std::string("软件授权:") + velbrisk::product::kLicense},
        {"Lbl_About_4", 176, 16, std::string("作者邮箱:") + velbrisk::product::kMail},
        {"Lbl_About_5", 176, 32,
         std::string(velbrisk::product::kMailProvider) + "邮箱:" + velbrisk::product::kSecondMail},
        {"Lbl_About_6", 176, 48, std::string("作者主页:") + velbrisk::product::kHomePage},
    };
    for (const Row& row : rows) {
        const HWND label = named(row.name);
        ASSERT_TRUE(label) << row.name;
        EXPECT_EQ(textOf(label), row.text) << row.name;
        const Place place = placeOf(label);
        EXPECT_EQ(place.left, row.left) << row.name;
        EXPECT_EQ(place.top, row.top) << row.name;
        const SIZE needed = neededFor(label, widen(row.text));
        EXPECT_EQ(place.width, needed.cx) << row.name << ": fits its text, no more, no less";
        EXPECT_EQ(place.height, needed.cy) << row.name;
    }
}

TEST_F(MainWindowTest, BoxesAreTallEnoughForTheirFont) {
    for (const char* name : {"Text", "SaveText"}) {
        const HWND box = named(name);
        RECT client{};
        GetClientRect(box, &client);
        EXPECT_GE(client.bottom, neededFor(box, L"将被压缩Ég").cy) << name;
    }
}

TEST_F(MainWindowTest, ControlsArePaintedInTheirColours) {
    const COLORREF labelText = GetSysColor(COLOR_WINDOWTEXT);
    struct Row {
        const char* name;
        UINT message;
        COLORREF text;
        COLORREF brush;
    };
    const Row rows[] = {
        {"Label", WM_CTLCOLORSTATIC, kBlue, kYellow},
        {"Lbl_Com", WM_CTLCOLORSTATIC, kBlue, kYellow},
        {"Lbl_Exit", WM_CTLCOLORSTATIC, kBlue, kYellow},
        {"Label3", WM_CTLCOLORSTATIC, kBlue, kYellow},
        {"Label1", WM_CTLCOLORSTATIC, labelText, kYellow},
        {"Label2", WM_CTLCOLORSTATIC, labelText, kYellow},
        {"Lbl_About_4", WM_CTLCOLORSTATIC, labelText, kYellow},
        {"Lbl_About_0", WM_CTLCOLORSTATIC, labelText, kYellow},
    };
    for (const Row& row : rows) {
        const Paint paint = paintOf(named(row.name), row.message);
        EXPECT_EQ(paint.text, row.text) << row.name;
        EXPECT_TRUE(paint.transparent) << row.name << ": the window's colour shows behind it";
        EXPECT_EQ(paint.brush, row.brush) << row.name;
    }
    for (const char* box : {"Text", "SaveText"}) {
        const Paint paint = paintOf(named(box), WM_CTLCOLOREDIT);
        EXPECT_EQ(paint.background, kGreen) << box;
        EXPECT_EQ(paint.brush, kGreen) << box;
    }
    EXPECT_NE(paintOf(named("Text1"), WM_CTLCOLOREDIT).brush, kGreen)
        << "the probe box keeps the default colours";

    LOGBRUSH background{};
    GetObjectW(HBRUSH(GetClassLongPtrW(window.hwnd(), GCLP_HBRBACKGROUND)), sizeof background,
               &background);
    EXPECT_EQ(background.lbColor, kYellow);
}

TEST_F(MainWindowTest, TheDisabledSourceBoxStaysGreen) {
    EnableWindow(named("Text"), FALSE);
    // A disabled edit box asks for the static colours.
    EXPECT_EQ(paintOf(named("Text"), WM_CTLCOLORSTATIC).brush, kGreen);
}

// Mouse moves as the system routes them: to the window under the pointer.
TEST_F(MainWindowTest, MovesGoToTheControlUnderThePointerAndColourTheLinks) {
    // Above any other program's windows on the same screen, which would take the moves.
    SetWindowPos(window.hwnd(), HWND_TOPMOST, 40, 40, 0, 0, SWP_NOSIZE);
    window.show(SW_SHOWNORMAL);
    pump();
    const auto moveOver = [&](const std::string& place) {
        POINT point{2, 2};
        HWND target = window.hwnd();
        if (place != "form") {
            RECT rect{};
            target = named(place);
            GetClientRect(target, &rect);
            // The frame's middle is covered by its labels; its corner is bare.
            point = place == "Frame1" ? POINT{4, rect.bottom - 4}
                                      : POINT{rect.right / 2, rect.bottom / 2};
        }
        MapWindowPoints(target, nullptr, &point, 1);
        const HWND under = WindowFromPoint(point);
        EXPECT_EQ(under, target) << place << " is the window under the pointer";
        ScreenToClient(under, &point);
        SendMessageW(under, WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
    };
    struct Row {
        const char* name;
        std::vector<std::string> moves;
        std::array<COLORREF, 4> colours;
    };
    const Row rows[] = {
        {"start", {}, {kBlue, kBlue, kBlue, kBlue}},
        {"Label", {"Label"}, {kRed, kBlue, kBlue, kBlue}},
        {"Lbl_Com", {"Lbl_Com"}, {kBlue, kRed, kBlue, kBlue}},
        {"Lbl_Exit", {"Lbl_Exit"}, {kBlue, kBlue, kRed, kBlue}},
        {"Label3", {"Label3"}, {kBlue, kBlue, kBlue, kRed}},
        {"form after a link", {"Lbl_Com", "form"}, {kBlue, kBlue, kBlue, kBlue}},
        {"Text after Lbl_Exit", {"Lbl_Exit", "Text"}, {kBlue, kBlue, kBlue, kBlue}},
        {"Text after Label3", {"Label3", "Text"}, {kBlue, kBlue, kBlue, kRed}},
        {"quiet controls keep the red",
         {"Label", "Label1", "Label2", "SaveText", "Frame1", "Lbl_About_4", "Lbl_About_0"},
         {kRed, kBlue, kBlue, kBlue}},
    };
    for (const Row& row : rows) {
        moveOver("form");
        for (const std::string& move : row.moves) {
            moveOver(move);
        }
        EXPECT_EQ(linkColours(), row.colours) << row.name;
    }
}

TEST_F(MainWindowTest, LinkLabelsShowTheHandAndTheAboutLinksToo) {
    const auto cursorOver = [](HWND control) {
        SetCursor(nullptr);
        SendMessageW(control, WM_SETCURSOR, WPARAM(control), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    const HCURSOR hand = cursorOver(named("Label"));
    ASSERT_TRUE(hand);
    EXPECT_NE(hand, LoadCursorW(nullptr, IDC_ARROW));
    for (const char* link : {"Lbl_Com", "Lbl_Exit", "Label3", "Lbl_About_4", "Lbl_About_6"}) {
        EXPECT_EQ(cursorOver(named(link)), hand) << link;
    }
    for (const char* plain : {"Lbl_About_0", "Lbl_About_5", "Label1"}) {
        EXPECT_NE(cursorOver(named(plain)), hand) << plain;
    }
}

TEST_F(MainWindowTest, ClicksReachTheirCommands) {
    clickAt(named("Lbl_Com"));
    ASSERT_EQ(recorder.shown.size(), 1u);
    EXPECT_EQ(recorder.shown[0],
              (Message{MessageIcon::Error, "Velbrisk", "请先选择要压缩的文件！"}));

    clickAt(named("Label3"));
    ASSERT_EQ(recorder.shown.size(), 2u);
    EXPECT_EQ(recorder.shown[1],
              (Message{MessageIcon::Information, "使用帮助", FrmMain::helpText()}));

    for (int index = 0; index < main_window::kAboutCount; ++index) {
        clickAt(about(index));
    }
    const auto entries = main_window::aboutEntries();
    EXPECT_EQ(opened, (std::vector<Opened>{{window.hwnd(), entries[4].address},
                                           {window.hwnd(), entries[6].address}}))
        << "only the mail and home-page labels open anything, owned by the window";
}

TEST_F(MainWindowTest, APressReleasedOffTheLabelIsNoClick) {
    const HWND help = named("Label3");
    SendMessageW(help, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(help, WM_LBUTTONUP, 0, MAKELPARAM(-30, 2));
    // A release on a label the button did not go down on is no click either.
    SendMessageW(named("Lbl_Com"), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_TRUE(recorder.shown.empty());
}

TEST_F(MainWindowTest, ExitClosesTheWindowAndEndsTheLoop) {
    clickAt(named("Lbl_Exit"));
    EXPECT_FALSE(window.hwnd());
    MSG quit{};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
}

// An HDROP as the shell hands it over: a DROPFILES header and the wide paths after it.
HGLOBAL dropOf(const std::vector<std::wstring>& files) {
    std::size_t chars = 1;
    for (const std::wstring& file : files) {
        chars += file.size() + 1;
    }
    const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    auto* next = reinterpret_cast<wchar_t*>(header + 1);
    for (const std::wstring& file : files) {
        next = std::copy(file.begin(), file.end(), next) + 1;
    }
    GlobalUnlock(memory);
    return memory;
}

TEST_F(MainWindowTest, OnlyTheSourceBoxTakesDroppedFiles) {
    const auto acceptsFiles = [](HWND window) {
        return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
    };
    EXPECT_TRUE(acceptsFiles(named("Text")));
    EXPECT_FALSE(acceptsFiles(named("SaveText")));
    EXPECT_FALSE(acceptsFiles(window.hwnd()));
    EXPECT_FALSE(acceptsFiles(named("Frame1")));
}

TEST_F(MainWindowTest, ADropFillsTheSourceBoxWithTheFirstFile) {
    const std::wstring longFolder = L"C:\\" + std::wstring(300, L'长') + L"\\";
    struct Row {
        const char* name;
        std::vector<std::wstring> files;
        std::string expected;
    };
    const Row rows[] = {
        {"one program", {L"C:\\tools\\app.EXE"}, "C:\\tools\\app.EXE"},
        {"the first of two", {L"C:\\a.exe", L"C:\\b.exe"}, "C:\\a.exe"},
        {"a first that is no program", {L"C:\\read.txt", L"C:\\b.exe"}, "before"},
        {"Chinese names", {L"D:\\工具\\压缩前.exe"}, "D:\\工具\\压缩前.exe"},
        {"longer than MAX_PATH", {longFolder + L"x.exe"}, narrow(longFolder + L"x.exe")},
    };
    const HWND text = named("Text");
    for (const Row& row : rows) {
        setTextOf(text, "before");
        SendMessageW(text, WM_DROPFILES, WPARAM(dropOf(row.files)), 0);
        EXPECT_EQ(textOf(text), row.expected) << row.name;
    }
}

TEST_F(MainWindowTest, TabWalksFromTheSourceBoxThroughTheProbeBoxToTheOutputName) {
    SetWindowPos(window.hwnd(), HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE);
    window.show(SW_SHOWNORMAL);
    SetForegroundWindow(window.hwnd());
    pump();
    ASSERT_EQ(GetFocus(), named("Text"));
    const auto tab = [&] {
        MSG key{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
        EXPECT_TRUE(window.preTranslate(key));
        return GetFocus();
    };
    EXPECT_EQ(tab(), named("Text1"));
    EXPECT_EQ(tab(), named("SaveText"));
}

TEST_F(MainWindowTest, AClickOnStartWritesTheTrimmedCopyAndSaysSo) {
    const ScratchFolder folder(L"压缩测试");
    // 100 bytes of data, then 1000 zeros: the first probe with data is 1000 bytes from the
    // end (offsets 99 and 100), so the copy keeps 1100 - 990 + 1 bytes.
    const auto source =
        folder.write(L"原程序.exe", std::string(100, 'x') + std::string(1000, '\0'));
    setTextOf(named("Text"), narrow(source.native()));
    setTextOf(named("SaveText"), "小");

    bool busyWhenShown = false;
    recorder.onShown = [&] { busyWhenShown = !IsWindowEnabled(named("Text")); };
    clickAt(named("Lbl_Com"));

    ASSERT_EQ(recorder.shown.size(), 1u);
    EXPECT_EQ(recorder.shown[0], (Message{MessageIcon::Information, "Velbrisk", "压缩完毕！"}));
    EXPECT_TRUE(busyWhenShown) << "the source box is enabled only after the message";
    EXPECT_TRUE(IsWindowEnabled(named("Text")));
    EXPECT_TRUE(IsWindowEnabled(window.hwnd())) << "the window takes input again";
    const auto output = folder.path() / L"小.exe";
    ASSERT_TRUE(std::filesystem::exists(output));
    EXPECT_EQ(std::filesystem::file_size(output), 111u);
}

TEST_F(MainWindowTest, AJobThatFailsSaysWhy) {
    const ScratchFolder folder(L"无源");
    setTextOf(named("Text"), narrow((folder.path() / L"没有.exe").native()));
    setTextOf(named("SaveText"), "out");
    clickAt(named("Lbl_Com"));
    ASSERT_EQ(recorder.shown.size(), 1u);
    EXPECT_EQ(recorder.shown[0].icon, MessageIcon::Error);
    EXPECT_TRUE(recorder.shown[0].text.starts_with("找不到要压缩的文件！"))
        << recorder.shown[0].text;
    EXPECT_FALSE(std::filesystem::exists(folder.path() / L"out.exe"));
}

TEST_F(MainWindowTest, LayoutFollowsTheMonitorsDpi) {
    RECT suggested{100, 100, 800, 500};
    SendMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), LPARAM(&suggested));
    const SIZE client = clientSize(window.hwnd());
    // MulDiv rounds half away from zero: 2745 twips at 144 dpi are 274.5 pixels.
    EXPECT_EQ(client.cx, 609);
    EXPECT_EQ(client.cy, 275);
    EXPECT_EQ(placeOf(named("SaveText")).left, 12);
    EXPECT_EQ(placeOf(named("SaveText")).top, 96);
    EXPECT_EQ(placeOf(named("SaveText")).width, 506);
    EXPECT_EQ(placeOf(named("Frame1")), (Place{12, 132, 590, 134}));
    EXPECT_EQ(placeOf(named("Lbl_About_6")).left, 264);
}

}  // namespace
