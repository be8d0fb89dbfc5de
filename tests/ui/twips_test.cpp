// Twips into pixels: the one conversion, rounding half away from zero as the system's MulDiv does.
#include "ui/Twips.h"

#include <gtest/gtest.h>

namespace velbrisk::ui {

// 7 twips are just under half a pixel at 96 dpi, 8 just over; 2000000 at 960 dpi overflows an int.
TEST(Twips, roundHalfAwayFromZeroAtAnyDpi) {
    const int rows[][3] = {
        {7, 96, 0}, {8, 96, 1}, {-8, 96, -1}, {6090, 144, 609}, {2000000, 960, 1333333}};
    for (const auto& [twips, dpi, pixels] : rows) {
        EXPECT_EQ(twipsToPixels(twips, dpi), pixels) << twips << " at " << dpi;
    }
    EXPECT_EQ(toPixels({120, 360, 5055, 270}, 192), (PixelRect{16, 48, 674, 36}));
}

}  // namespace velbrisk::ui
