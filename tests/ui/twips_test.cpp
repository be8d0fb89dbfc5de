// Twips into pixels: the one conversion, rounding as the system's MulDiv does.
#include "ui/Twips.h"

#include <gtest/gtest.h>

#include "table_rows.h"

namespace velbrisk::testing {
namespace {

struct TwipsRow {
    const char* name;
    int twips;
    int dpi;
    int pixels;
};
using ::velbrisk::testing::PrintTo;

class TwipsToPixels : public ::testing::TestWithParam<TwipsRow> {};

TEST_P(TwipsToPixels, roundsHalfAwayFromZero) {
    EXPECT_EQ(ui::twipsToPixels(GetParam().twips, GetParam().dpi), GetParam().pixels);
}

INSTANTIATE_TEST_SUITE_P(
    Units, TwipsToPixels,
    ::testing::Values(TwipsRow{"main_window_width_at_96", 6090, 96, 406},
                      TwipsRow{"folder_list_top_at_96_rounds_down", 440, 96, 29},
                      TwipsRow{"half_a_pixel_rounds_up", 7, 96, 0},
                      TwipsRow{"just_half_a_pixel", 8, 96, 1},
                      TwipsRow{"main_window_width_at_144", 6090, 144, 609},
                      TwipsRow{"odd_twips_at_120", 1215, 120, 101},
                      TwipsRow{"negative_rounds_away_from_zero", -8, 96, -1},
                      TwipsRow{"large_dpi_does_not_overflow", 2000000, 960, 1333333},
                      TwipsRow{"zero", 0, 96, 0}),
    rowName);

TEST(TwipsRect, eachEdgeOnItsOwn) {
    EXPECT_EQ(ui::toPixels({0, 440, 4335, 1560}), (ui::PixelRect{0, 29, 289, 104}));
    EXPECT_EQ(ui::toPixels({120, 360, 5055, 270}, 192), (ui::PixelRect{16, 48, 674, 36}));
}

}  // namespace
}  // namespace velbrisk::testing
