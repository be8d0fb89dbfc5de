// The file chooser FrmOpen drawn with Win32: a modal tool window with the drive, folder and
// file lists, the path box and its two buttons.
#include "ui/win32/ChooserDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "ui/chooser/Layout.h"
#include "ui/win32/ControlIds.h"
#include "ui/win32/Dpi.h"
#include "ui/win32/Wide.h"

namespace velbrisk::ui::win32 {

namespace {

constexpr wchar_t kClassName[] = L"VelbriskFrmOpen";
// A fixed tool window: small title bar with only the close box. Overlapped, not a pop-up, so
// that the system places it as it places any new window; without an owner a tool window is
// not in the task bar.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;

// A step of the folder chain's staircase, and the folder picture, at 96 dpi.
constexpr int kIndentPixels = 8;
constexpr int kIconPixels = 16;

// The shell's small folder pictures. Some systems answer the stock-icon call without an icon;
// shell32's own icons 3 and 4 are the same closed and open folders.
HICON folderIcon(SHSTOCKICONID which, int shellIndex) {
    SHSTOCKICONINFO info{};
    info.cbSize = sizeof info;
    if (SUCCEEDED(SHGetStockIconInfo(which, SHGSI_ICON | SHGSI_SMALLICON, &info)) && info.hIcon) {
        return info.hIcon;
    }
    HICON small = nullptr;
    ExtractIconExW(L"shell32.dll", shellIndex, nullptr, &small, 1);
    return small;
}

// The text of entry `index` of a list (LB_ messages) or a drop-down list (CB_ messages).
std::wstring entryText(HWND list, UINT lengthMessage, UINT textMessage, UINT index) {
    const auto length = SendMessageW(list, lengthMessage, index, 0);
    std::wstring text(std::size_t(std::max<LRESULT>(length, 0)) + 1, L'\0');
    const auto copied = SendMessageW(list, textMessage, index, LPARAM(text.data()));
    text.resize(std::size_t(std::max<LRESULT>(copied, 0)));
    return text;
}

// An entry's text in its row, centred on it: a font whose line is taller than the row loses the
// blank above and below its letters rather than their feet.
void drawEntryText(HDC dc, RECT area, const std::wstring& text, bool selected) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    DrawTextW(dc, text.c_str(), int(text.size()), &area,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

// The depth and the open look of a folder entry, kept in the entry's item data.
LPARAM folderData(const ChooserView::FolderEntry& entry) {
    return LPARAM(entry.depth) << 1 | (entry.open ? 1 : 0);
}

}  // namespace

ChooserDialog::ChooserDialog(HINSTANCE instance, MessageBoxes* boxes,
                             std::function<void(const std::string&)> chosen,
                             const std::string& currentFolder)
    : instance_(instance) {
    registerWindowClass(instance_, kClassName, &objectWindowProc<ChooserDialog>,
                        HBRUSH(COLOR_BTNFACE + 1));
    logic_ = std::make_unique<FrmOpen>(*this, boxes ? *boxes : systemBoxes_, std::move(chosen),
                                       currentFolder);
    window_ = CreateWindowExW(kExStyle, kClassName, wideText(chooser::kTitle).c_str(), kStyle,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                              nullptr, instance_, this);
    systemBoxes_.setOwner(window_);
    openFolderIcon_ = folderIcon(SIID_FOLDEROPEN, 4);
    closedFolderIcon_ = folderIcon(SIID_FOLDER, 3);
    dpi_ = windowDpi(window_);
    createControls();
    layOut();
    logic_->Form_Load();
}

ChooserDialog::~ChooserDialog() {
    if (window_) {
        DestroyWindow(window_);
    }
    for (HICON icon : {openFolderIcon_, closedFolderIcon_}) {
        if (icon) {
            DestroyIcon(icon);
        }
    }
    if (font_) {
        DeleteObject(font_);
    }
}

void ChooserDialog::createControls() {
    const auto make = [this](const chooser::Control& control, const wchar_t* windowClass,
                             DWORD style, DWORD exStyle) {
        return CreateWindowExW(exStyle, windowClass, wideText(control.text).c_str(),
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, 0, 0, 0, 0, window_,
                               HMENU(INT_PTR(chooserControlId(control.name))), instance_, nullptr);
    };
    // Created in the focus order, which is the order Tab walks.
    // Drawn here, so that its text keeps to the closed box's height.
    drive_ = make(chooser::Drive1, WC_COMBOBOXW,
                  CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL, 0);
    dir_ =
        make(chooser::Dir1, WC_LISTBOXW,
             LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | WS_VSCROLL,
             WS_EX_CLIENTEDGE);
    file_ = make(chooser::File1, WC_LISTBOXW, LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL,
                 WS_EX_CLIENTEDGE);
    ok_ = make(chooser::Command1, WC_BUTTONW, BS_PUSHBUTTON, 0);
    cancel_ = make(chooser::Command2, WC_BUTTONW, BS_PUSHBUTTON, 0);
    path_ = make(chooser::Text1, WC_EDITW, ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
    SendMessageW(path_, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
    SetWindowSubclass(dir_, &ChooserDialog::listProc, chooser_ids::kDir1, DWORD_PTR(this));
    SetWindowSubclass(file_, &ChooserDialog::listProc, chooser_ids::kFile1, DWORD_PTR(this));
}

void ChooserDialog::layOut() {
    if (font_) {
        DeleteObject(font_);
    }
    font_ = createInterfaceFont(dpi_);
    const int line = lineHeight(font_);
    for (const chooser::Control& control : chooser::kControls) {
        const HWND handle = GetDlgItem(window_, chooserControlId(control.name));
        SendMessageW(handle, WM_SETFONT, WPARAM(font_), FALSE);
        const RECT place = pixelRect(control.place, dpi_);
        if (control.kind == chooser::ControlKind::DriveList) {
            // A drop-down list's height includes its open list; the closed box takes its
            // height from its entries, set below.
            MoveWindow(handle, place.left, place.top, place.right - place.left,
                       place.bottom - place.top + 12 * line, TRUE);
            continue;
        }
        MoveWindow(handle, place.left, place.top, place.right - place.left,
                   place.bottom - place.top, TRUE);
    }

    // The closed drive box exactly as high as its place, which the folder list starts right
    // under; a font with a taller line than its field has is cut rather than cover the list.
    // Each round corrects the height last set, not the one the box reports: Wine's reports two
    // pixels more than it was given.
    const int wanted = twipsToPixels(chooser::Drive1.place.height, dpi_);
    int field = int(SendMessageW(drive_, CB_GETITEMHEIGHT, WPARAM(-1), 0));
    for (int round = 0; round < 3; ++round) {
        RECT closed{};
        GetWindowRect(drive_, &closed);
        const int closedHeight = closed.bottom - closed.top;
        if (closedHeight <= 0 || closedHeight == wanted) {
            break;
        }
        field = std::max(1, field + (wanted - closedHeight));
        SendMessageW(drive_, CB_SETITEMHEIGHT, WPARAM(-1), field);
    }

    SendMessageW(drive_, CB_SETITEMHEIGHT, 0, line + 2);
    const int icon = MulDiv(kIconPixels, dpi_, 96);
    SendMessageW(dir_, LB_SETITEMHEIGHT, 0, std::max(line, icon) + 2);

    fitClientArea(window_, twipsToPixels(chooser::kClientWidth, dpi_),
                  twipsToPixels(chooser::kClientHeight, dpi_));
}

bool ChooserDialog::runModal(HWND blocked) {
    // Modal to the whole program: the main window takes no input until the dialog is gone.
    if (blocked) {
        EnableWindow(blocked, FALSE);
    }
    ShowWindow(window_, SW_SHOW);
    SetFocus(drive_);
    MSG message;
    while (!closed_) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) {
                // The program is ending; its own loop must see the quit too.
                PostQuitMessage(int(message.wParam));
            }
            break;
        }
        if (!IsDialogMessageW(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    // The main window takes input again before the dialog goes, so that the system hands the
    // activation back to it.
    if (blocked) {
        EnableWindow(blocked, TRUE);
    }
    ShowWindow(window_, SW_HIDE);
    if (blocked) {
        SetActiveWindow(blocked);
    }
    return accepted_;
}

void ChooserDialog::showDrives(const std::vector<std::string>& entries, int current) {
    SendMessageW(drive_, CB_RESETCONTENT, 0, 0);
    for (const std::string& entry : entries) {
        SendMessageW(drive_, CB_ADDSTRING, 0, LPARAM(wideText(entry).c_str()));
    }
    SendMessageW(drive_, CB_SETCURSEL, WPARAM(current), 0);
}

void ChooserDialog::showFolders(const std::vector<FolderEntry>& entries, int current) {
    SendMessageW(dir_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(dir_, LB_RESETCONTENT, 0, 0);
    for (const FolderEntry& entry : entries) {
        const auto row = SendMessageW(dir_, LB_ADDSTRING, 0, LPARAM(wideText(entry.text).c_str()));
        SendMessageW(dir_, LB_SETITEMDATA, WPARAM(row), folderData(entry));
    }
    SendMessageW(dir_, LB_SETCURSEL, WPARAM(current), 0);
    SendMessageW(dir_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(dir_, nullptr, TRUE);
}

void ChooserDialog::showFiles(const std::vector<std::string>& names) {
    SendMessageW(file_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(file_, LB_RESETCONTENT, 0, 0);
    for (const std::string& name : names) {
        SendMessageW(file_, LB_ADDSTRING, 0, LPARAM(wideText(name).c_str()));
    }
    SendMessageW(file_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(file_, nullptr, TRUE);
}

std::string ChooserDialog::pathText() const {
    return windowTextUtf8(path_);
}

void ChooserDialog::setPathText(const std::string& text) {
    setWindowText(path_, text);
}

void ChooserDialog::close(bool accepted) {
    closed_ = true;
    accepted_ = accepted;
}

LRESULT ChooserDialog::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            command(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_CLOSE:
            logic_->Command2_Click();
            return 0;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->hwndItem == dir_) {
                drawFolder(*item);
                return TRUE;
            }
            if (item->hwndItem == drive_) {
                drawDrive(*item);
                return TRUE;
            }
            break;
        }
        case WM_DPICHANGED:
            dpi_ = followDpiChange(window_, wParam, lParam);
            layOut();
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void ChooserDialog::command(int id, int notification) {
    const auto selected = [](HWND list) { return int(SendMessageW(list, LB_GETCURSEL, 0, 0)); };
    switch (id) {
        case chooser_ids::kDrive1:
            // While the list is open the arrow keys only walk it; the pick is the entry it
            // closes on.
            if ((notification == CBN_SELCHANGE &&
                 !SendMessageW(drive_, CB_GETDROPPEDSTATE, 0, 0)) ||
                notification == CBN_CLOSEUP) {
                logic_->Drive1_Change(int(SendMessageW(drive_, CB_GETCURSEL, 0, 0)));
            }
            return;
        case chooser_ids::kDir1:
            if (notification == LBN_DBLCLK && selected(dir_) >= 0) {
                logic_->Dir1_DblClick(selected(dir_));
            }
            return;
        case chooser_ids::kFile1:
            if (notification == LBN_SELCHANGE && selected(file_) >= 0) {
                logic_->File1_Click(selected(file_));
            } else if (notification == LBN_DBLCLK && selected(file_) >= 0) {
                logic_->File1_DblClick(selected(file_));
            }
            return;
        case chooser_ids::kCommand1:
            if (notification == BN_CLICKED) {
                logic_->Command1_Click();
            }
            return;
        case chooser_ids::kCommand2:
            if (notification == BN_CLICKED) {
                logic_->Command2_Click();
            }
            return;
        default:
            // Enter and Esc come as IDOK and IDCANCEL: the dialog has neither a default nor a
            // cancel button, so they do nothing.
            return;
    }
}

void ChooserDialog::drawFolder(const DRAWITEMSTRUCT& item) {
    if (item.itemID == UINT(-1)) {
        return;
    }
    const bool selected = item.itemState & ODS_SELECTED;
    const HDC dc = item.hDC;
    FillRect(dc, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const LPARAM data = SendMessageW(dir_, LB_GETITEMDATA, item.itemID, 0);
    const int depth = int(data >> 1);
    const bool open = data & 1;

    const int icon = MulDiv(kIconPixels, dpi_, 96);
    int left = item.rcItem.left + 2 + depth * MulDiv(kIndentPixels, dpi_, 96);
    const HICON picture = open ? openFolderIcon_ : closedFolderIcon_;
    if (picture) {
        const int top = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - icon) / 2;
        DrawIconEx(dc, left, top, picture, icon, icon, 0, nullptr, DI_NORMAL);
    }
    left += icon + 4;

    RECT area = item.rcItem;
    area.left = left;
    drawEntryText(dc, area, entryText(dir_, LB_GETTEXTLEN, LB_GETTEXT, item.itemID), selected);
    if (item.itemState & ODS_FOCUS) {
        DrawFocusRect(dc, &item.rcItem);
    }
}

void ChooserDialog::drawDrive(const DRAWITEMSTRUCT& item) {
    const bool selected = item.itemState & ODS_SELECTED;
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (item.itemID != UINT(-1)) {
        RECT area = item.rcItem;
        area.left += 2;
        drawEntryText(item.hDC, area, entryText(drive_, CB_GETLBTEXTLEN, CB_GETLBTEXT, item.itemID),
                      selected);
    }
    if (item.itemState & ODS_FOCUS) {
        DrawFocusRect(item.hDC, &item.rcItem);
    }
}

LRESULT CALLBACK ChooserDialog::listProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self) {
    auto* dialog = reinterpret_cast<ChooserDialog*>(self);
    switch (message) {
        case WM_GETDLGCODE:
            // Enter goes to the list, for the logic to act on, rather than to the dialog.
            if (wParam == VK_RETURN) {
                return DefSubclassProc(list, message, wParam, lParam) | DLGC_WANTALLKEYS;
            }
            break;
        case WM_KEYDOWN: {
            static_assert(VK_RETURN == kKeyReturn, "the lists hand on their key codes as they come");
            const int row = int(SendMessageW(list, LB_GETCURSEL, 0, 0));
            if (id == chooser_ids::kDir1 ? dialog->logic_->Dir1_KeyDown(int(wParam), row)
                                         : dialog->logic_->File1_KeyDown(int(wParam), row)) {
                return 0;
            }
            break;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(list, &ChooserDialog::listProc, id);
            break;
        default:
            break;
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

}  // namespace velbrisk::ui::win32
