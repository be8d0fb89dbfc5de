// The main window FrmMain drawn with Win32: its controls, colours, cursors, drop and job loop.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "ui/Colours.h"
#include "ui/Message.h"
#include "ui/main/FrmMain.h"
#include "ui/win32/MessageBoxesWin32.h"
#include "ui/win32/ObjectWindow.h"

namespace velbrisk::ui::win32 {

class JobLoop;

class MainWindow final : public MainView {
public:
    // What the window hands to the world outside it. A test replaces the message boxes with a
    // recorder and the shell call with one of its own.
    struct Seams {
        MessageBoxes* boxes = nullptr;         // null: the system's boxes, owned by the window
        MessageBoxes* chooserBoxes = nullptr;  // null: the system's boxes, owned by the chooser
        // Module1: hands an address to the shell, the window as owner.
        std::function<void(HWND owner, const std::string& address)> openAddress;
        std::chrono::milliseconds progressDelay = kProgressDelay;
    };

    // Creates the window, hidden, at the dpi of the monitor it is placed on. commandFile: the
    // file the program was started with, if any, for the source box.
    MainWindow(HINSTANCE instance, Seams seams, const std::string& commandFile = {});
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND hwnd() const { return window_; }

    // Shows the window with the source box focused.
    void show(int showCommand);

    // For the thread's message loop: true when the message was a key that moved the focus
    // between the window's boxes and needs no further dispatch.
    bool preTranslate(MSG& message);

    // MainView.
    std::string text() const override;
    std::string saveText() const override;
    void setText(const std::string& text) override;
    void setBusyCursor(bool busy) override;
    void setTextEnabled(bool enabled) override;
    void setLinkColour(int link, Rgb colour) override;
    void openAddress(const std::string& address) override;
    void openChooser(const std::function<void(const std::string&)>& chosen) override;
    void quit() override;

private:
    template <typename T>
    friend LRESULT CALLBACK objectWindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam);
    static LRESULT CALLBACK labelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR self);
    static LRESULT CALLBACK textProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR self);
    static LRESULT CALLBACK probeProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR self);

    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleLabel(HWND label, int id, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT colourControl(HWND control, HDC dc, bool editing);
    void createControls();
    void layOut();
    void click(int id);
    void hover(int id);
    void dropFiles(HDROP drop);
    bool pointerOverWindow() const;
    HCURSOR currentCursor(bool overLink) const;

    HINSTANCE instance_;
    Seams seams_;
    MessageBoxesWin32 systemBoxes_;
    std::unique_ptr<JobLoop> jobLoop_;
    std::unique_ptr<FrmMain> logic_;

    HWND window_ = nullptr;
    HWND label1_ = nullptr;
    HWND label2_ = nullptr;
    HWND text_ = nullptr;
    HWND saveText_ = nullptr;
    HWND frame_ = nullptr;
    HWND probe_ = nullptr;
    std::array<HWND, 4> links_{};
    std::array<HWND, main_window::kAboutCount> about_{};
    std::array<bool, main_window::kAboutCount> aboutLink_{};

    int dpi_ = 96;
    HFONT font_ = nullptr;
    HCURSOR hand_ = nullptr;
    std::array<Rgb, 4> linkColours_{kLinkRest, kLinkRest, kLinkRest, kLinkRest};
    bool busy_ = false;
    bool destroying_ = false;  // the object goes: no quit for the thread
    int pressed_ = 0;          // the label that the primary button went down on
    HWND lastFocus_ = nullptr;
};

}  // namespace velbrisk::ui::win32
