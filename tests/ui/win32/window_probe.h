// What the window tests read back from real windows: places, texts and colours.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "../message_recorder.h"
#include "engine/utf16.h"
#include "tests/deadline.h"
#include "ui/Twips.h"
#include "ui/win32/ControlIds.h"
#include "ui/win32/Dpi.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/Wide.h"

namespace velbrisk::testing {

// Text that the tests made, in UTF-8.
inline std::string utf8(std::wstring_view text) {
    return narrow(text).value();
}

inline std::string textOf(HWND window) {
    return utf8(ui::win32::windowText(window));
}

inline ui::PixelRect clientArea(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return {0, 0, rect.right, rect.bottom};
}

// A control's place in its parent's client area.
inline RECT placeOf(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The children of `parent` whose places meet `area`, `except` left out.
inline std::vector<int> childrenMeeting(HWND parent, const RECT& area, HWND except = nullptr) {
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
inline void expectNoOverlap(HWND parent) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        EXPECT_EQ(childrenMeeting(parent, placeOf(child), child), std::vector<int>{})
            << "over control " << GetDlgCtrlID(child);
    }
}

// Labels (Text) sit at their corner as big as their text, unless the control below stops them;
// one-line boxes (Taller) may be taller where their font needs it.
enum class Fit { Place, Text, Taller };

// A control where its layout puts it at dpi, showing the layout's text (if any).
inline void expectPlaced(HWND control, const ui::TwipsRect& place, std::string_view text, Fit fit,
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

}  // namespace velbrisk::testing

using namespace velbrisk::ui;
using namespace velbrisk::ui::win32;
using namespace velbrisk::testing;
