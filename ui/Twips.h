// Twips, the unit in which the windows' layouts are given, turned into pixels in this one place.
#pragma once

#include <cstdint>

namespace velbrisk::ui {

// 1440 twips make an inch; at 96 dpi that is 15 twips to the pixel. Qt's logical pixels are
// 96 dpi pixels on every screen; a Win32 window passes the dpi of its monitor.
inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kDefaultDpi = 96;

// Rounds half away from zero, as the system's MulDiv does, so that both fronts agree on every
// pixel.
constexpr int twipsToPixels(int twips, int dpi = kDefaultDpi) {
    const std::int64_t scaled = std::int64_t{twips} * dpi;
    const std::int64_t half = kTwipsPerInch / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kTwipsPerInch
                                        : -((-scaled + half) / kTwipsPerInch));
}

struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend constexpr bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend constexpr bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Each edge and length converted on its own, as the layouts were drawn: a control keeps the
// width it was given wherever it sits.
constexpr PixelRect toPixels(const TwipsRect& rect, int dpi = kDefaultDpi) {
    return {twipsToPixels(rect.left, dpi), twipsToPixels(rect.top, dpi),
            twipsToPixels(rect.width, dpi), twipsToPixels(rect.height, dpi)};
}

}  // namespace velbrisk::ui
