// Tests of the scan's arithmetic and of its zero test, on the edges of the probes and of the words.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "engine/tail_scan.h"
#include "engine/trim.h"
#include "table_rows.h"

namespace velbrisk {
namespace {

using namespace testing;  // the helpers of the engine's tests
using testing::PrintTo;   // found by argument-dependent lookup only when declared here

struct CutCase {
    const char* name;
    std::int64_t length;
    std::int64_t lastDataOffset;
    std::optional<Cut> expected;  // {i, a = i - 10, L - a + 1}
};

class FindCutTable : public ::testing::TestWithParam<CutCase> {};

TEST_P(FindCutTable, GivesTheProbeLoopsCut) {
    EXPECT_EQ(findCut(GetParam().length, GetParam().lastDataOffset), GetParam().expected);
}

constexpr std::int64_t kTop = INT64_MAX;

INSTANTIATE_TEST_SUITE_P(
    Rows, FindCutTable,
    ::testing::Values(CutCase{"worked_example", 1000, 700, Cut{300, 290, 711}},
                      CutCase{"no_blank_tail", 1000, 999, Cut{10, 0, 1001}},
                      CutCase{"probe_position_would_be_zero", 30, 0, std::nullopt},
                      CutCase{"last_probe_position_one", 31, 0, Cut{30, 20, 12}},
                      CutCase{"over_four_gib", 5'000'000'000, 4'294'967'296,
                              Cut{705'032'710, 705'032'700, 4'294'967'301}},
                      CutCase{"top_of_the_range_data_near_end", kTop, kTop - 15,
                              Cut{20, 10, kTop - 9}},
                      CutCase{"top_of_the_range_no_blank_tail", kTop, kTop - 1, std::nullopt}),
    rowName);

struct SafeCutCase {
    const char* name;
    Cut cut;                   // of a source of 1000 bytes
    std::int64_t declaredEnd;  // 0: no program
    std::optional<Cut> expected;
};

class SafeCutTable : public ::testing::TestWithParam<SafeCutCase> {};

TEST_P(SafeCutTable, KeepsTheProgramsOwnBytes) {
    EXPECT_EQ(safeCut(1000, GetParam().cut, GetParam().declaredEnd), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SafeCutTable,
    ::testing::Values(
        SafeCutCase{"declared_end_past_the_cut", {300, 290, 711}, 712, Cut{300, 289, 712}},
        SafeCutCase{"declared_end_at_the_source_end", {300, 290, 711}, 1000, std::nullopt},
        // The probe cut keeps the program, its extra zero byte too, and stays as it is.
        SafeCutCase{"nothing_cut", {10, 0, 1001}, 1000, Cut{10, 0, 1001}}),
    rowName);

struct ZeroCase {
    const char* name;
    std::size_t length;
    std::ptrdiff_t dataAt;  // the one byte that is not zero (0x80: only its high bit), or -1
};

class LastNonZeroTable : public ::testing::TestWithParam<ZeroCase> {};

TEST_P(LastNonZeroTable, FindsTheLastDataByte) {
    std::string bytes(GetParam().length, '\0');
    if (GetParam().dataAt >= 0) {
        bytes[static_cast<std::size_t>(GetParam().dataAt)] = '\x80';
    }
    EXPECT_EQ(lastNonZero(std::as_bytes(std::span{bytes})), GetParam().dataAt);
}

INSTANTIATE_TEST_SUITE_P(Rows, LastNonZeroTable,
                         ::testing::Values(ZeroCase{"all_zero_many_pieces", 9000, -1},
                                           ZeroCase{"data_in_the_first_piece", 9000, 3},
                                           ZeroCase{"data_last_of_a_piece", 8193, 4096},
                                           ZeroCase{"data_very_last", 1025, 1024}),
                         rowName);

}  // namespace
}  // namespace velbrisk
