// Tests of the scan's arithmetic and its zero test, against the probe loop done the long way.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/tail_scan.h"
#include "engine/trim.h"
#include "table_rows.h"

namespace velbrisk {
namespace {

using testing::PrintTo;

// The probe loop as the program has always run it, with the whole probe tested: scan positions
// 10, 20, ... while i <= L; the probe covers offsets L - i - 1 to L - 1; the first probe that is
// not all zeros cuts a = i - 10; a probe position L - i below 1 ends the loop as no find.
std::optional<Cut> probeLoopModel(const std::string& bytes) {
    const auto length = static_cast<std::int64_t>(bytes.size());
    for (std::int64_t i = 10; i <= length; i += 10) {
        if (length - i < 1) {
            return std::nullopt;
        }
        bool blank = true;
        for (std::int64_t k = length - i - 1; k <= length - 1; ++k) {
            blank = blank && bytes[static_cast<std::size_t>(k)] == '\0';
        }
        if (!blank) {
            return Cut{i, i - 10, length - (i - 10) + 1};
        }
    }
    return std::nullopt;
}

std::int64_t lastNonZeroOf(const std::string& bytes) {
    return lastNonZero(std::as_bytes(std::span{bytes.data(), bytes.size()}));
}

struct CutCase {
    const char* name;
    std::int64_t length;
    std::int64_t lastDataOffset;
    std::optional<Cut> expected;
};

class FindCutTable : public ::testing::TestWithParam<CutCase> {};

TEST_P(FindCutTable, GivesTheProbeLoopsCut) {
    const CutCase& row = GetParam();
    EXPECT_EQ(findCut(row.length, row.lastDataOffset), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FindCutTable,
    ::testing::Values(CutCase{"worked_example", 1000, 700, Cut{300, 290, 711}},
                      CutCase{"data_at_first_probe_start", 1000, 989, Cut{10, 0, 1001}},
                      CutCase{"no_blank_tail", 1000, 999, Cut{10, 0, 1001}},
                      CutCase{"data_just_before_first_probe", 1000, 988, Cut{20, 10, 991}},
                      CutCase{"data_between_two_probe_pairs", 1000, 705, Cut{300, 290, 711}},
                      CutCase{"length_not_multiple_of_ten", 1005, 700, Cut{310, 300, 706}},
                      CutCase{"all_zero", 1000, -1, std::nullopt},
                      CutCase{"empty", 0, -1, std::nullopt},
                      CutCase{"nine_bytes", 9, 8, std::nullopt},
                      CutCase{"ten_bytes_exactly", 10, 9, std::nullopt},
                      CutCase{"ten_bytes_data_first_byte", 10, 0, std::nullopt},
                      CutCase{"eleven_bytes_data_first_byte", 11, 0, Cut{10, 0, 12}},
                      CutCase{"eleven_bytes_data_last_byte", 11, 10, Cut{10, 0, 12}},
                      CutCase{"probe_position_would_be_zero", 30, 0, std::nullopt},
                      CutCase{"last_probe_position_one", 31, 0, Cut{30, 20, 12}},
                      CutCase{"data_too_near_start_of_short_tail", 25, 3, std::nullopt},
                      CutCase{"over_four_gib", 5'000'000'000, 4'294'967'296,
                              Cut{705'032'710, 705'032'700, 4'294'967'301}},
                      CutCase{"top_of_the_range", INT64_MAX, 0, std::nullopt},
                      CutCase{"top_of_the_range_data_near_end", INT64_MAX, INT64_MAX - 15,
                              Cut{20, 10, INT64_MAX - 9}},
                      CutCase{"top_of_the_range_no_blank_tail", INT64_MAX, INT64_MAX - 1,
                              std::nullopt}),
    [](const auto& info) { return std::string{info.param.name}; });

struct ZeroCase {
    const char* name;
    std::string bytes;
    std::int64_t expected;
};

class LastNonZeroTable : public ::testing::TestWithParam<ZeroCase> {};

TEST_P(LastNonZeroTable, FindsTheLastDataByte) {
    EXPECT_EQ(lastNonZeroOf(GetParam().bytes), GetParam().expected);
}

std::string zerosWith(std::size_t length, std::size_t at) {
    std::string bytes(length, '\0');
    bytes[at] = '\x80';
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LastNonZeroTable,
    ::testing::Values(ZeroCase{"empty", "", -1}, ZeroCase{"one_zero", std::string(1, '\0'), -1},
                      ZeroCase{"one_data", "x", 0},
                      ZeroCase{"all_zero_many_chunks", std::string(1000, '\0'), -1},
                      ZeroCase{"data_in_short_head", zerosWith(1000, 3), 3},
                      ZeroCase{"data_first_of_last_chunk", zerosWith(1024, 960), 960},
                      ZeroCase{"data_last_of_a_chunk", zerosWith(1024, 959), 959},
                      ZeroCase{"data_very_last", zerosWith(1025, 1024), 1024},
                      ZeroCase{"high_bit_only", zerosWith(130, 64), 64}),
    [](const auto& info) { return std::string{info.param.name}; });

// Random tails: mostly zeros with a few data bytes near the end, at every length up to a few
// hundred, so that each probe boundary and chunk boundary is crossed many times.
TEST(FindCutProperty, MatchesTheProbeLoopOnRandomTails) {
    std::mt19937_64 random(20240611);
    for (int round = 0; round < 20000; ++round) {
        const std::size_t length = random() % 400;
        std::string bytes(length, '\0');
        const int dataBytes = static_cast<int>(random() % 4);
        for (int k = 0; k < dataBytes && length > 0; ++k) {
            // Favour the tail, where the probes are.
            const std::size_t back = random() % std::min<std::size_t>(length, 1 + random() % 120);
            bytes[length - 1 - back] = static_cast<char>(1 + random() % 255);
        }
        const auto expected = probeLoopModel(bytes);
        const auto found = findCut(static_cast<std::int64_t>(length), lastNonZeroOf(bytes));
        ASSERT_EQ(found, expected) << "round " << round << ", length " << length;
    }
}

}  // namespace
}  // namespace velbrisk
