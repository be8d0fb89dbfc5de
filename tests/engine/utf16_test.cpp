// The one UTF-8/UTF-16 converter: well-formed text both ways, and every kind of damage refused.
#include "engine/utf16.h"
#include "test_files.h"

namespace velbrisk::testing {
namespace {

using testing::PrintTo;  // found by argument-dependent lookup only when declared here

// Damage on one side: the other is nothing, and converting the damaged side must give nothing.
struct TextRow {
    const char* name;
    std::optional<std::string> utf8;
    std::optional<Utf16> utf16;
};
constexpr auto kRefused = std::nullopt;

const TextRow kTexts[] = {
    {"empty", "", Utf16{}},
    {"ascii", "a.exe", Utf16{'a', '.', 'e', 'x', 'e'}},
    {"two_and_three_bytes", "\u00e9\u6d4b", Utf16{0x00E9, 0x6D4B}},
    {"last_before_the_surrogates", "\ufffd\ud7ff", Utf16{0xFFFD, 0xD7FF}},
    {"astral_pair", "\U0001F600", Utf16{0xD83D, 0xDE00}},
    {"highest_code_point", "\U0010FFFF", Utf16{0xDBFF, 0xDFFF}},
    {"stray_continuation_byte", "a\x80.exe", kRefused},
    {"sequence_cut_short_at_the_end", "a\xe6\xb5", kRefused},
    {"sequence_broken_by_ascii", "\xe6\x41\xb5", kRefused},
    {"overlong_slash", "\xc0\xaf", kRefused},
    {"overlong_four_bytes", "\xf0\x8f\xbf\xbf", kRefused},
    {"encoded_high_surrogate", "\xed\xa0\x80", kRefused},
    {"past_the_last_code_point", "\xf4\x90\x80\x80", kRefused},
    {"byte_that_never_starts_one", "\xf8\x88\x80\x80\x80", kRefused},
    {"utf8_nul_inside", std::string("a\0b", 3), kRefused},
    {"lone_high_surrogate_at_the_end", kRefused, Utf16{'a', 0xD83D}},
    {"high_surrogate_before_a_letter", kRefused, Utf16{0xD83D, 'a'}},
    {"low_surrogate_first", kRefused, Utf16{0xDE00, 0xDE00}},
    {"utf16_nul_inside", kRefused, Utf16{'a', 0, 'b'}},
};

class Converts : public ::testing::TestWithParam<TextRow> {};

TEST_P(Converts, BothWaysOrRefuses) {
    if (GetParam().utf8) {
        EXPECT_EQ(widen(*GetParam().utf8), GetParam().utf16);
    }
    if (GetParam().utf16) {
        EXPECT_EQ(narrow(*GetParam().utf16), GetParam().utf8);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, Converts, ::testing::ValuesIn(kTexts), rowName);

}  // namespace
}  // namespace velbrisk::testing
