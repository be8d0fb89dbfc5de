// Pixels at a window's own dpi: the layouts' twips, the interface font, text extents.
#include "ui/win32/Dpi.h"

namespace velbrisk::ui::win32 {

namespace {

// A screen device context for measuring, with font selected for as long as it lives.
class Measure {
public:
    explicit Measure(HFONT font) : dc_(GetDC(nullptr)), old_(SelectObject(dc_, font)) {}
    ~Measure() {
        SelectObject(dc_, old_);
        ReleaseDC(nullptr, dc_);
    }
    Measure(const Measure&) = delete;
    Measure& operator=(const Measure&) = delete;
    HDC dc() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace

int windowDpi(HWND window) {
    const UINT dpi = window ? GetDpiForWindow(window) : 0;
    return dpi ? int(dpi) : int(GetDpiForSystem());
}

RECT pixelRect(const TwipsRect& place, int dpi) {
    const PixelRect pixels = toPixels(place, dpi);
    return {pixels.left, pixels.top, pixels.left + pixels.width, pixels.top + pixels.height};
}

int followDpiChange(HWND window, WPARAM wParam, LPARAM lParam) {
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(window, nullptr, suggested->left, suggested->top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return HIWORD(wParam);
}

void fitClientArea(HWND window, int width, int height) {
    // Measured rather than worked out from the frame's metrics: the frame that the system
    // draws is the one that counts, at whatever dpi it drew it. A window still too small for
    // its frame has no client area to measure by, so a second round settles it.
    for (int round = 0; round < 2; ++round) {
        RECT frame{};
        RECT client{};
        GetWindowRect(window, &frame);
        GetClientRect(window, &client);
        if (client.right == width && client.bottom == height) {
            return;
        }
        SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + width - client.right,
                     frame.bottom - frame.top + height - client.bottom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

HFONT createInterfaceFont(int dpi) {
    // The stock interface font names the face that the system's language maps it to (SimSun
    // on Chinese Windows); its size is at the system's dpi, and the layouts want 9 point.
    LOGFONTW font{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfHeight = -MulDiv(9, dpi, 72);
    font.lfWidth = 0;
    return CreateFontIndirectW(&font);
}

SIZE textExtent(HFONT font, std::wstring_view text) {
    Measure measure(font);
    RECT bounds{0, 0, 0, 0};
    DrawTextW(measure.dc(), text.data(), int(text.size()), &bounds,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    return {bounds.right - bounds.left, bounds.bottom - bounds.top};
}

int lineHeight(HFONT font) {
    Measure measure(font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(measure.dc(), &metrics);
    return metrics.tmHeight + metrics.tmExternalLeading;
}

}  // namespace velbrisk::ui::win32
