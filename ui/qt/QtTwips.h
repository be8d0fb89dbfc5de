// The layouts' twips as Qt rectangles, through the one conversion in ui/Twips.h.
#pragma once

#include <QRect>

#include "ui/Twips.h"

namespace velbrisk::ui::qt {

// Qt's logical pixels are 96 dpi pixels on every screen, so the layouts scale with the desktop
// as a whole.
constexpr int twips(int t) {
    return twipsToPixels(t);
}

constexpr QRect qtRect(const TwipsRect& rect) {
    const PixelRect pixels = toPixels(rect);
    return QRect(pixels.left, pixels.top, pixels.width, pixels.height);
}

}  // namespace velbrisk::ui::qt
