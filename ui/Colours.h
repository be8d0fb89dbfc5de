// Colours of the windows as plain red, green and blue, for either front to paint with.
#pragma once

#include <cstdint>

namespace velbrisk::ui {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kLightYellow{255, 255, 192};  // the main window and its about frame
inline constexpr Rgb kLightGreen{192, 255, 192};   // the two visible text boxes
inline constexpr Rgb kLinkRest{0, 0, 255};         // a link label away from the pointer
inline constexpr Rgb kLinkHover{255, 0, 0};        // the link label under the pointer

}  // namespace velbrisk::ui
