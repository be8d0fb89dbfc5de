// The Win32 chooser, created for real over a folder of its own and driven with window messages:
// its places at 96 dpi, its three lists, the path box, OK, cancel and its modal run.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/win32/ChooserDialog.h"
#include "ui/win32/ControlIds.h"
#include "ui/win32/MainWindow.h"
#include "window_probe.h"

using namespace velbrisk::ui;
using namespace velbrisk::ui::win32;
using namespace velbrisk::testing;

namespace {

std::vector<std::string> entriesOf(HWND list, bool combo = false) {
    const UINT countMessage = combo ? CB_GETCOUNT : LB_GETCOUNT;
    const UINT lengthMessage = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
    const UINT textMessage = combo ? CB_GETLBTEXT : LB_GETTEXT;
    std::vector<std::string> entries;
    const auto count = SendMessageW(list, countMessage, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text(std::size_t(SendMessageW(list, lengthMessage, i, 0)) + 1, L'\0');
        text.resize(std::size_t(SendMessageW(list, textMessage, i, LPARAM(text.data()))));
        entries.push_back(narrow(text));
    }
    return entries;
}

class ChooserDialogTest : public ::testing::Test {
protected:
    ChooserDialogTest()
        : folder(L"选择测试"),
          made(prepare(folder)),
          dialog(
              GetModuleHandleW(nullptr), &recorder,
              [this](const std::string& path) { chosen = path; }, folder.utf8()) {}

    static bool prepare(const ScratchFolder& folder) {
        folder.write(L"A.EXE", "MZ");
        folder.write(L"setup.exe", "MZ");
        folder.write(L"中文.exe", "MZ");
        folder.write(L"readme.txt", "text");
        std::filesystem::create_directory(folder.path() / L"子目录");
        std::filesystem::create_directory(folder.path() / L"b.exe");
        folder.write(L"子目录\\内部.EXE", "MZ");
        return true;
    }

    HWND control(int id) const { return GetDlgItem(dialog.hwnd(), id); }

    void selectFile(int row, WORD notification = LBN_SELCHANGE) {
        SendMessageW(control(chooser_ids::kFile1), LB_SETCURSEL, WPARAM(row), 0);
        SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(chooser_ids::kFile1, notification),
                     LPARAM(control(chooser_ids::kFile1)));
    }

    void openFolderRow(int row) {
        SendMessageW(control(chooser_ids::kDir1), LB_SETCURSEL, WPARAM(row), 0);
        SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(chooser_ids::kDir1, LBN_DBLCLK),
                     LPARAM(control(chooser_ids::kDir1)));
    }

    void press(int button) {
        SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     LPARAM(control(button)));
    }

    ScratchFolder folder;
    bool made;
    MessageRecorder recorder;
    std::optional<std::string> chosen;
    ChooserDialog dialog;
};

TEST_F(ChooserDialogTest, IsAFixedToolWindowOfTheLayoutsSize) {
    EXPECT_EQ(textOf(dialog.hwnd()), "选择要进行压缩的EXE文件");
    const SIZE client = clientSize(dialog.hwnd());
    EXPECT_EQ(client.cx, 289);
    EXPECT_EQ(client.cy, 284);
    const LONG_PTR style = GetWindowLongPtrW(dialog.hwnd(), GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(dialog.hwnd(), GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW) << "small title bar, not in the task bar";
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_FALSE(GetWindow(dialog.hwnd(), GW_OWNER)) << "no owner window";
}

TEST_F(ChooserDialogTest, ControlsSitAtTheirPixelsAt96Dpi) {
    struct Row {
        int id;
        const char* name;
        Place place;
        const char* text;
    };
    const Row rows[] = {
        {chooser_ids::kDir1, "Dir1", {0, 29, 289, 104}, nullptr},
        {chooser_ids::kFile1, "File1", {0, 133, 289, 90}, nullptr},
        {chooser_ids::kText1, "Text1", {0, 232, 289, 18}, ""},
        {chooser_ids::kCommand1, "Command1", {40, 256, 81, 25}, "确定(&O)"},
        {chooser_ids::kCommand2, "Command2", {152, 256, 81, 25}, "取消"},
    };
    for (const Row& row : rows) {
        const HWND handle = control(row.id);
        const Place place = placeOf(handle);
        EXPECT_EQ(place.left, row.place.left) << row.name;
        EXPECT_EQ(place.top, row.place.top) << row.name;
        EXPECT_EQ(place.width, row.place.width) << row.name;
        // A box grows rather than cut its text: at least its height, and room for a line.
        EXPECT_GE(place.height, row.place.height) << row.name;
        if (row.id != chooser_ids::kText1) {
            EXPECT_EQ(place.height, row.place.height) << row.name;
        }
        if (row.text) {
            EXPECT_EQ(textOf(handle), row.text) << row.name;
        }
    }
    const Place drive = placeOf(control(chooser_ids::kDrive1));
    EXPECT_EQ((Place{drive.left, drive.top, drive.width, 0}), (Place{0, 8, 289, 0}));
    EXPECT_GE(drive.height, neededFor(control(chooser_ids::kDrive1), L"c: [系统]").cy);
}

TEST_F(ChooserDialogTest, TheListsStartAtTheGivenFolder) {
    const std::string name = narrow(folder.path().filename().native());
    const std::vector<std::string> folders = entriesOf(control(chooser_ids::kDir1));
    ASSERT_GE(folders.size(), 3u);
    // The chain ends at the folder itself, then its subfolders; a folder named like a program
    // is a folder.
    EXPECT_EQ(folders[folders.size() - 3], name);
    EXPECT_EQ(folders[folders.size() - 2], "b.exe");
    EXPECT_EQ(folders[folders.size() - 1], "子目录");
    EXPECT_EQ(SendMessageW(control(chooser_ids::kDir1), LB_GETCURSEL, 0, 0),
              LRESULT(folders.size() - 3));
    EXPECT_EQ(entriesOf(control(chooser_ids::kFile1)),
              (std::vector<std::string>{"A.EXE", "setup.exe", "中文.exe"}));

    const std::vector<std::string> drives = entriesOf(control(chooser_ids::kDrive1), true);
    const auto current = SendMessageW(control(chooser_ids::kDrive1), CB_GETCURSEL, 0, 0);
    ASSERT_GE(current, 0);
    const std::wstring root = folder.path().root_name().native();
    const std::wstring drive{wchar_t(towlower(root[0])), L':'};
    EXPECT_TRUE(drives[std::size_t(current)].starts_with(narrow(drive)))
        << drives[std::size_t(current)];
    EXPECT_TRUE(textOf(control(chooser_ids::kText1)).empty());
}

TEST_F(ChooserDialogTest, PickingAFileFillsThePathBoxAndKeepsTheDialogOpen) {
    selectFile(2);
    EXPECT_EQ(textOf(control(chooser_ids::kText1)), narrow((folder.path() / L"中文.exe").native()));
    selectFile(0, LBN_DBLCLK);
    EXPECT_EQ(textOf(control(chooser_ids::kText1)), narrow((folder.path() / L"A.EXE").native()));
    EXPECT_TRUE(dialog.isOpen());
    EXPECT_FALSE(chosen);
}

TEST_F(ChooserDialogTest, OpeningAFolderListsItsFiles) {
    const auto folders = entriesOf(control(chooser_ids::kDir1));
    openFolderRow(int(folders.size()) - 1);
    EXPECT_EQ(entriesOf(control(chooser_ids::kFile1)), (std::vector<std::string>{"内部.EXE"}));
    EXPECT_EQ(entriesOf(control(chooser_ids::kDir1)).back(), "子目录");

    // Enter on the highlighted entry opens it too: here the folder above.
    const HWND dir = control(chooser_ids::kDir1);
    const auto chain = entriesOf(dir);
    SendMessageW(dir, LB_SETCURSEL, WPARAM(chain.size() - 2), 0);
    SendMessageW(dir, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(entriesOf(control(chooser_ids::kFile1)),
              (std::vector<std::string>{"A.EXE", "setup.exe", "中文.exe"}));
}

TEST_F(ChooserDialogTest, OkWithAnEmptyPathSaysSoAndStaysOpen) {
    press(chooser_ids::kCommand1);
    ASSERT_EQ(recorder.shown.size(), 1u);
    EXPECT_EQ(recorder.shown[0], (Message{MessageIcon::Error, "选择", "请选择一个EXE文件！"}));
    EXPECT_TRUE(dialog.isOpen());
    EXPECT_FALSE(chosen);
}

TEST_F(ChooserDialogTest, OkHandsOnWhateverThePathBoxHolds) {
    setTextOf(control(chooser_ids::kText1), "随便 typed");
    press(chooser_ids::kCommand1);
    EXPECT_EQ(chosen, "随便 typed");
    EXPECT_FALSE(dialog.isOpen());
}

TEST_F(ChooserDialogTest, CancelAndTheCloseBoxHandOnNothing) {
    selectFile(0);
    press(chooser_ids::kCommand2);
    EXPECT_FALSE(dialog.isOpen());
    EXPECT_FALSE(chosen);

    ChooserDialog other(
        GetModuleHandleW(nullptr), &recorder, [this](const std::string& path) { chosen = path; },
        folder.utf8());
    SendMessageW(other.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(other.isOpen());
    EXPECT_FALSE(chosen);
}

TEST_F(ChooserDialogTest, EnterAndEscInThePathBoxDoNothing) {
    ShowWindow(dialog.hwnd(), SW_SHOW);
    SetFocus(control(chooser_ids::kText1));
    setTextOf(control(chooser_ids::kText1), "C:\\x.exe");
    for (const WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        MSG message{control(chooser_ids::kText1), WM_KEYDOWN, key, 0, 0, {}};
        if (!IsDialogMessageW(dialog.hwnd(), &message)) {
            DispatchMessageW(&message);
        }
        pump();
    }
    EXPECT_TRUE(dialog.isOpen());
    EXPECT_FALSE(chosen);
}

// The modal run: the main window takes no input until the dialog closes.
struct ModalSeen {
    HWND blocked = nullptr;
    HWND dialog = nullptr;
    bool blockedWasEnabled = true;
};
ModalSeen* modal = nullptr;

TEST_F(ChooserDialogTest, TheModalRunHoldsTheMainWindowOff) {
    MainWindow window(GetModuleHandleW(nullptr), {});
    ModalSeen seen{window.hwnd(), dialog.hwnd()};
    modal = &seen;
    SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        modal->blockedWasEnabled = IsWindowEnabled(modal->blocked);
        PostMessageW(modal->dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_FALSE(dialog.runModal(window.hwnd()));
    EXPECT_FALSE(seen.blockedWasEnabled);
    EXPECT_TRUE(IsWindowEnabled(window.hwnd()));
    EXPECT_FALSE(chosen);
}

}  // namespace
