// The Win32 chooser, made for real over a folder of its own and driven with window messages.
#include <filesystem>
#include <optional>

#include "ui/chooser/Layout.h"
#include "ui/win32/ChooserDialog.h"
#include "window_probe.h"

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

namespace {

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
    EXPECT_EQ(entriesOf(control(chooser_ids::kFile1)), (Names{"A.EXE", "中文.exe"}));

    pick(chooser_ids::kFile1, 1, LBN_SELCHANGE);
    EXPECT_EQ(textOf(control(chooser_ids::kText1)), utf8((folder / L"中文.exe").native()));
    pick(chooser_ids::kDir1, int(folders.size()) - 1, LBN_DBLCLK);
    EXPECT_EQ(entriesOf(control(chooser_ids::kFile1)), (Names{"内部.EXE"}));
    // Enter on the folder above opens it again.
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
        EXPECT_EQ(chosen.has_value(), way == chooser_ids::kCommand1) << way;
    }
    EXPECT_EQ(chosen, "随便 typed");
}

}  // namespace
