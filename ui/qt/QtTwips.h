// The layouts' twips as Qt rectangles, through the one conversion in ui/Twips.h.
#pragma once

#include <QRect>

#include "ui/Twips.h"

namespace velbrisk::ui {

// Qt's logical pixels are 96 dpi pixels on every screen, so the layouts scale with the desktop
// as a whole.
constexpr int twips(int t) {
    return twipsToPixels(t);
}

constexpr QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

constexpr QRect qtRect(const TwipsRect& rect) {
    return twipsRect(rect.left, rect.top, rect.width, rect.height);
}

}  // namespace velbrisk::ui
