// What the window tests read back from real windows: places, texts, colours, and messages
// sent as the system would send them.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../message_recorder.h"
#include "ui/win32/Wide.h"

namespace velbrisk::testing {

struct Place {
    int left, top, width, height;
    friend bool operator==(const Place&, const Place&) = default;
};

inline std::ostream& operator<<(std::ostream& out, const Place& place) {
    return out << place.left << ',' << place.top << ' ' << place.width << 'x' << place.height;
}

// A control's rectangle in its parent's client area.
inline Place placeOf(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

inline SIZE clientSize(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return {rect.right, rect.bottom};
}

inline std::string textOf(HWND window) {
    return ui::win32::narrow(ui::win32::windowText(window));
}

inline void setTextOf(HWND window, const std::string& text) {
    ui::win32::setWindowText(window, text);
}

// The text that a control's font needs for text, and the control's own client size.
inline SIZE neededFor(HWND control, const std::wstring& text) {
    const HDC dc = GetDC(control);
    const HGDIOBJ old = SelectObject(dc, HFONT(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT bounds{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), int(text.size()), &bounds,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {bounds.right, bounds.bottom};
}

// The colours a parent hands a control to paint with: text colour, whether the text is drawn
// without a background of its own, the background colour behind text, and the brush's colour.
struct Paint {
    COLORREF text;
    bool transparent;
    COLORREF background;
    COLORREF brush;
};

inline Paint paintOf(HWND control, UINT colourMessage) {
    const HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkColor(dc, RGB(4, 5, 6));
    SetBkMode(dc, OPAQUE);
    const auto brush =
        HBRUSH(SendMessageW(GetParent(control), colourMessage, WPARAM(dc), LPARAM(control)));
    LOGBRUSH logical{};
    GetObjectW(brush, sizeof logical, &logical);
    const Paint paint{GetTextColor(dc), GetBkMode(dc) == TRANSPARENT, GetBkColor(dc),
                      logical.lbColor};
    DeleteDC(dc);
    return paint;
}

// Runs the thread's pending messages.
inline void pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(int(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// A press and release of the primary button at a point of the control.
inline void clickAt(HWND control, int x = 2, int y = 2) {
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// A folder of its own under the system's temporary folder, removed with what it holds.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& name) {
        wchar_t temp[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, temp);
        path_ =
            std::filesystem::path(temp) / (name + L"-" + std::to_wstring(GetCurrentProcessId()) +
                                           L"-" + std::to_wstring(GetTickCount64()));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string utf8() const { return ui::win32::narrow(path_.native()); }

    std::filesystem::path write(const std::wstring& name, const std::string& bytes) const {
        const std::filesystem::path file = path_ / name;
        const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(handle, bytes.data(), DWORD(bytes.size()), &written, nullptr);
        CloseHandle(handle);
        return file;
    }

private:
    std::filesystem::path path_;
};

}  // namespace velbrisk::testing
