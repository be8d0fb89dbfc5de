// Twips into pixels: the one conversion, rounding half away from zero as the system's MulDiv does.
#include "ui/Twips.h"

#include <gtest/gtest.h>

namespace velbrisk::testing {
namespace {

TEST(Twips, roundHalfAwayFromZeroAtAnyDpi) {
    struct Row {
        int twips, dpi, pixels;
    };
    // 7 twips are just under half a pixel at 96 dpi, 8 just over; 2000000 at 960 dpi overflows
    // an int on the way.
    for (const Row& row : {Row{7, 96, 0}, Row{8, 96, 1}, Row{-8, 96, -1}, Row{6090, 144, 609},
                           Row{2000000, 960, 1333333}}) {
        EXPECT_EQ(ui::twipsToPixels(row.twips, row.dpi), row.pixels) << row.twips << " at " << row.dpi;
    }
    EXPECT_EQ(ui::toPixels({120, 360, 5055, 270}, 192), (ui::PixelRect{16, 48, 674, 36}));
}

}  // namespace
}  // namespace velbrisk::testing
