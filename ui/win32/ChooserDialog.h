// The file chooser FrmOpen drawn with Win32: a modal tool window with the drive, folder and
// file lists, the path box and its two buttons.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Message.h"
#include "ui/chooser/FrmOpen.h"
#include "ui/win32/MessageBoxesWin32.h"
#include "ui/win32/ObjectWindow.h"

namespace velbrisk::ui::win32 {

class ChooserDialog final : public ChooserView {
public:
    // Builds the dialog, hidden, with its lists at currentFolder. boxes: null for the system's
    // message boxes, owned by the dialog. chosen receives the path on OK.
    ChooserDialog(HINSTANCE instance, MessageBoxes* boxes,
                  std::function<void(const std::string&)> chosen,
                  const std::string& currentFolder = os::currentFolder());
    ~ChooserDialog() override;
    ChooserDialog(const ChooserDialog&) = delete;
    ChooserDialog& operator=(const ChooserDialog&) = delete;

    HWND hwnd() const { return window_; }

    // Shows the dialog and runs its messages until it closes; `blocked` (the main window)
    // takes no input meanwhile. True when it closed through OK.
    bool runModal(HWND blocked);

    // ChooserView.
    void showDrives(const std::vector<std::string>& entries, int current) override;
    void showFolders(const std::vector<FolderEntry>& entries, int current) override;
    void showFiles(const std::vector<std::string>& names) override;
    std::string pathText() const override;
    void setPathText(const std::string& text) override;
    void close(bool accepted) override;

private:
    template <typename T>
    friend LRESULT CALLBACK objectWindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam);
    static LRESULT CALLBACK listProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR self);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void command(int id, int notification);
    void createControls();
    void layOut();
    void drawFolder(const DRAWITEMSTRUCT& item);
    void drawDrive(const DRAWITEMSTRUCT& item);

    HINSTANCE instance_;
    MessageBoxesWin32 systemBoxes_;
    std::unique_ptr<FrmOpen> logic_;
    HWND window_ = nullptr;
    HWND drive_ = nullptr;
    HWND dir_ = nullptr;
    HWND file_ = nullptr;
    HWND path_ = nullptr;
    HWND ok_ = nullptr;
    HWND cancel_ = nullptr;
    HFONT font_ = nullptr;
    HICON openFolderIcon_ = nullptr;
    HICON closedFolderIcon_ = nullptr;
    int dpi_ = 96;
    bool closed_ = false;
    bool accepted_ = false;
};

}  // namespace velbrisk::ui::win32
