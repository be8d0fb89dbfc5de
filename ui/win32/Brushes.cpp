// The solid brushes of the windows' colours, made once and kept for the life of the program.
#include "ui/win32/Brushes.h"

namespace velbrisk::ui::win32 {

HBRUSH lightYellowBrush() {
    static const HBRUSH brush = CreateSolidBrush(colorRef(kLightYellow));
    return brush;
}

HBRUSH lightGreenBrush() {
    static const HBRUSH brush = CreateSolidBrush(colorRef(kLightGreen));
    return brush;
}

}  // namespace velbrisk::ui::win32
