// The one UTF-8/UTF-16 converter: well-formed text both ways, and every kind of damage refused.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "engine/utf16.h"
#include "table_rows.h"

namespace velbrisk {
namespace {

using testing::PrintTo;
using testing::rowName;

struct TextRow {
    const char* name;
    std::string utf8;
    Utf16 utf16;
};

const TextRow kWellFormed[] = {
    {"empty", "", {}},
    {"ascii", "a.exe", {'a', '.', 'e', 'x', 'e'}},
    {"two_and_three_bytes", "\u00e9\u6d4b", {0x00E9, 0x6D4B}},
    {"last_before_the_surrogates", "\ufffd\ud7ff", {0xFFFD, 0xD7FF}},
    {"astral_pair", "\U0001F600", {0xD83D, 0xDE00}},
    {"highest_code_point", "\U0010FFFF", {0xDBFF, 0xDFFF}},
};

class Converts : public ::testing::TestWithParam<TextRow> {};

TEST_P(Converts, BothWays) {
    EXPECT_EQ(widen(GetParam().utf8), std::optional<Utf16>{GetParam().utf16});
    EXPECT_EQ(narrow(GetParam().utf16), std::optional<std::string>{GetParam().utf8});
}

INSTANTIATE_TEST_SUITE_P(Rows, Converts, ::testing::ValuesIn(kWellFormed), rowName);

struct Utf8Row {
    const char* name;
    std::string utf8;
};

const Utf8Row kIllFormedUtf8[] = {
    {"stray_continuation_byte", "a\x80.exe"},
    {"sequence_cut_short_at_the_end", "a\xe6\xb5"},
    {"sequence_broken_by_ascii", "\xe6\x41\xb5"},
    {"overlong_slash", "\xc0\xaf"},
    {"overlong_four_bytes", "\xf0\x8f\xbf\xbf"},
    {"encoded_high_surrogate", "\xed\xa0\x80"},
    {"past_the_last_code_point", "\xf4\x90\x80\x80"},
    {"byte_that_never_starts_one", "\xf8\x88\x80\x80\x80"},
    {"nul_inside", std::string("a\0b", 3)},
};

class RefusesUtf8 : public ::testing::TestWithParam<Utf8Row> {};

TEST_P(RefusesUtf8, RatherThanReplace) {
    EXPECT_EQ(widen(GetParam().utf8), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Rows, RefusesUtf8, ::testing::ValuesIn(kIllFormedUtf8), rowName);

struct Utf16Row {
    const char* name;
    Utf16 utf16;
};

const Utf16Row kIllFormedUtf16[] = {
    {"lone_high_surrogate_at_the_end", {'a', 0xD83D}},
    {"high_surrogate_before_a_letter", {0xD83D, 'a'}},
    {"low_surrogate_first", {0xDE00, 0xDE00}},
    {"nul_inside", {'a', 0, 'b'}},
};

class RefusesUtf16 : public ::testing::TestWithParam<Utf16Row> {};

TEST_P(RefusesUtf16, RatherThanReplace) {
    EXPECT_EQ(narrow(GetParam().utf16), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Rows, RefusesUtf16, ::testing::ValuesIn(kIllFormedUtf16), rowName);

}  // namespace
}  // namespace velbrisk
