// Tests of the scan's arithmetic and of its zero test, on the edges of the probes and of the words.
#include "engine/tail_scan.h"
#include "engine/trim.h"
#include "test_files.h"

namespace velbrisk::testing {
namespace {

using testing::PrintTo;  // found by argument-dependent lookup only when declared here

// A source of `length` bytes, its last data at `lastDataOffset`; expected {i, a = i - 10, L - a +
// 1}.
struct CutCase {
    const char* name;
    std::int64_t length, lastDataOffset;
    std::optional<Cut> expected;
};
constexpr std::int64_t kTop = INT64_MAX;
const CutCase kCuts[] = {
    {"worked_example", 1000, 700, Cut{300, 290, 711}},
    {"no_blank_tail", 1000, 999, Cut{10, 0, 1001}},
    {"probe_position_would_be_zero", 30, 0, std::nullopt},
    {"last_probe_position_one", 31, 0, Cut{30, 20, 12}},
    {"over_four_gib", 5'000'000'000, 4'294'967'296, Cut{705'032'710, 705'032'700, 4'294'967'301}},
    {"top_of_the_range_data_near_end", kTop, kTop - 15, Cut{20, 10, kTop - 9}},
    {"top_of_the_range_no_blank_tail", kTop, kTop - 1, std::nullopt},
};

class FindCutTable : public ::testing::TestWithParam<CutCase> {};

TEST_P(FindCutTable, GivesTheProbeLoopsCut) {
    EXPECT_EQ(findCut(GetParam().length, GetParam().lastDataOffset), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, FindCutTable, ::testing::ValuesIn(kCuts), rowName);

// The probe cut of a 1000-byte source, and the end its program declares (0: none).
struct SafeCutCase {
    const char* name;
    Cut cut;
    std::int64_t declaredEnd;
    std::optional<Cut> expected;
};
const SafeCutCase kSafeCuts[] = {
    {"declared_end_past_the_cut", {300, 290, 711}, 712, Cut{300, 289, 712}},
    {"declared_end_at_the_source_end", {300, 290, 711}, 1000, std::nullopt},
    // The probe cut keeps the program, its extra zero byte too, and stays as it is.
    {"nothing_cut", {10, 0, 1001}, 1000, Cut{10, 0, 1001}},
};

class SafeCutTable : public ::testing::TestWithParam<SafeCutCase> {};

TEST_P(SafeCutTable, KeepsTheProgramsOwnBytes) {
    EXPECT_EQ(safeCut(1000, GetParam().cut, GetParam().declaredEnd), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, SafeCutTable, ::testing::ValuesIn(kSafeCuts), rowName);

// The one byte that is not zero holds only its high bit; -1: none.
struct ZeroCase {
    const char* name;
    std::size_t length;
    std::ptrdiff_t dataAt;
};
const ZeroCase kZeroRuns[] = {{"all_zero_many_pieces", 9000, -1},
                              {"data_in_the_first_piece", 9000, 3},
                              {"data_last_of_a_piece", 8193, 4096},
                              {"data_very_last", 1025, 1024}};

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
