// Tests of the scan's arithmetic and of its zero test, on the edges of the probes and of the words.
#include "engine/tail_scan.h"
#include "engine/trim.h"
#include "test_files.h"

namespace velbrisk::testing {
namespace {

using testing::PrintTo;  // found by argument-dependent lookup only when declared here

// A source of `length` bytes, its last data at `lastDataOffset`: the probe loop's cut
// {i, a = i - 10, L - a + 1}, or, where a program declares its data to end at `declaredEnd`, the
// safe cut that keeps it.
struct CutCase {
    const char* name;
    std::int64_t length, lastDataOffset, declaredEnd;
    std::optional<Cut> expected;
};
constexpr std::int64_t kTop = INT64_MAX;
const CutCase kCuts[] = {
    {"worked_example", 1000, 700, 0, Cut{300, 290, 711}},
    {"no_blank_tail", 1000, 999, 0, Cut{10, 0, 1001}},
    {"probe_position_would_be_zero", 30, 0, 0, std::nullopt},
    {"last_probe_position_one", 31, 0, 0, Cut{30, 20, 12}},
    {"over_four_gib", 5'000'000'000, 4'294'967'296, 0,
     Cut{705'032'710, 705'032'700, 4'294'967'301}},
    {"top_of_the_range_data_near_end", kTop, kTop - 15, 0, Cut{20, 10, kTop - 9}},
    {"top_of_the_range_no_blank_tail", kTop, kTop - 1, 0, std::nullopt},
    {"declared_end_past_the_cut", 1000, 700, 712, Cut{300, 289, 712}},
    {"declared_end_at_the_source_end", 1000, 700, 1000, std::nullopt},
    // The probe cut keeps the program, its extra zero byte too, and stays as it is.
    {"declared_end_kept_by_the_probe_cut", 1000, 999, 1000, Cut{10, 0, 1001}},
};

class CutTable : public ::testing::TestWithParam<CutCase> {};

TEST_P(CutTable, KeepsTheDataAndTheProgramsOwnBytes) {
    const CutCase& row = GetParam();
    std::optional<Cut> cut = findCut(row.length, row.lastDataOffset);
    if (cut && row.declaredEnd != 0) {
        cut = safeCut(row.length, *cut, row.declaredEnd);
    }
    EXPECT_EQ(cut, row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, CutTable, ::testing::ValuesIn(kCuts), rowName);

// The one byte that is not zero holds only its high bit; -1: none.
struct ZeroCase {
    const char* name;
    std::size_t length;
    std::ptrdiff_t dataAt;
};
const ZeroCase kZeroRuns[] = {{"all_zero_many_pieces", 9000, -1},
                              {"data_in_the_first_piece", 9000, 3},
                              {"data_last_of_a_piece", 8193, 4096},
                              {"data_very_last", 1025, 1024},
                              // The zero test takes 64 bytes a step in four lanes of 16.
                              {"data_in_the_second_lane", 4096, 64 + 17},
                              {"data_in_the_third_lane", 4096, 128 + 40},
                              {"data_in_the_fourth_lane", 4096, 192 + 63}};

class LastNonZeroTable : public ::testing::TestWithParam<ZeroCase> {};

TEST_P(LastNonZeroTable, FindsTheLastDataByte) {
    std::string bytes(GetParam().length, '\0');
    if (GetParam().dataAt >= 0) {
        bytes[static_cast<std::size_t>(GetParam().dataAt)] = '\x80';
    }
    EXPECT_EQ(lastNonZero(std::as_bytes(std::span{bytes})), GetParam().dataAt);
}

INSTANTIATE_TEST_SUITE_P(Rows, LastNonZeroTable, ::testing::ValuesIn(kZeroRuns), rowName);

}  // namespace
}  // namespace velbrisk::testing
