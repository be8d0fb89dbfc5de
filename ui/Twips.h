// Twips, the unit in which the windows' layouts are given, turned into pixels in this one place.
#pragma once

#include <QRect>

namespace velbrisk::ui {

// 1440 twips make an inch; at 96 dpi that is 15 twips to the pixel. Qt's logical pixels are
// 96 dpi pixels on every screen, so the layouts scale with the desktop as a whole.
inline constexpr int kTwipsPerPixel = 15;

constexpr int twips(int t) {
    return t / kTwipsPerPixel;
}

constexpr QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

}  // namespace velbrisk::ui
