// What the window tests read back from real windows: places, texts and colours.
#pragma once

#include <windows.h>

#include <string>

#include "../message_recorder.h"
#include "ui/Twips.h"
#include "ui/win32/Wide.h"

namespace velbrisk::testing {

// A control's rectangle in its parent's client area.
inline ui::PixelRect placeOf(HWND control) {
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

// The room that one line of text takes in the control's own font.
inline SIZE neededFor(HWND control, std::string_view text) {
    const std::wstring wide = ui::win32::widen(text);
    const HDC dc = GetDC(control);
    const HGDIOBJ old = SelectObject(dc, HFONT(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT bounds{0, 0, 0, 0};
    DrawTextW(dc, wide.c_str(), int(wide.size()), &bounds,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {bounds.right, bounds.bottom};
}

// What a parent hands a control to paint with: the text colour, and the brush's colour or the
// background colour behind opaque text.
struct Paint {
    COLORREF text;
    COLORREF brush;
    bool transparent;
    COLORREF background;
};

inline Paint paintOf(HWND control, UINT colourMessage) {
    const HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkMode(dc, OPAQUE);
    const auto brush =
        HBRUSH(SendMessageW(GetParent(control), colourMessage, WPARAM(dc), LPARAM(control)));
    LOGBRUSH logical{};
    GetObjectW(brush, sizeof logical, &logical);
    const Paint paint{GetTextColor(dc), logical.lbColor, GetBkMode(dc) == TRANSPARENT,
                      GetBkColor(dc)};
    DeleteDC(dc);
    return paint;
}

inline void pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
}

}  // namespace velbrisk::testing
