// Pixels at a window's own dpi: the layouts' twips, the interface font, text extents.
#pragma once

#include <windows.h>

#include <string_view>

#include "ui/Twips.h"

namespace velbrisk::ui::win32 {

// The dpi of the monitor a window is on (96 at 100%).
int windowDpi(HWND window);

// A layout's twips as pixels at dpi: each edge and length through MulDiv(t, dpi, 1440).
RECT pixelRect(const TwipsRect& place, int dpi);

// For WM_DPICHANGED: moves window to the place that the system suggests, keeping its size for
// its layout to set at the new dpi, which it returns.
int followDpiChange(HWND window, WPARAM wParam, LPARAM lParam);

// Sizes window so that its client area is width x height pixels, whatever its frame takes at
// the dpi it is on now.
void fitClientArea(HWND window, int width, int height);

// The system's default interface font at 9 point at dpi: on Chinese Windows SimSun, whose line
// is the 12 pixels of the layouts' label rows. The caller deletes it.
HFONT createInterfaceFont(int dpi);

// The size of one line of text in font, "&" taken literally.
SIZE textExtent(HFONT font, std::wstring_view text);

// The height of a line of text in font, with its leading.
int lineHeight(HFONT font);

}  // namespace velbrisk::ui::win32
