// The solid brushes of the windows' colours, made once and kept for the life of the program.
#pragma once

#include <windows.h>

#include "ui/Colours.h"

namespace velbrisk::ui::win32 {

constexpr COLORREF colorRef(Rgb colour) {
    return RGB(colour.red, colour.green, colour.blue);
}

// A window class may paint with one of these as long as windows of it exist, so they are
// never deleted.
HBRUSH lightYellowBrush();
HBRUSH lightGreenBrush();

}  // namespace velbrisk::ui::win32
