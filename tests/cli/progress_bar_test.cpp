// The terminal progress bar: its text, when it shows, and the clean line it leaves behind.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/ProgressBar.h"
#include "table_rows.h"

namespace velbrisk::cli {
namespace {

using namespace std::chrono_literals;
using velbrisk::testing::PrintTo;
using velbrisk::testing::rowName;

struct LineRow {
    const char* name;
    std::uint64_t done;
    std::uint64_t total;
    std::string line;
    std::size_t columns = 0;  // the terminal's width; 0: no limit
};

const LineRow kLineRows[] = {
    {"just_short_of_all", (3 << 20) - 1, 3 << 20,
     "[#############################-]  99%  3.0 / 3.0 MiB"},
    {"past_the_total_is_all", 5 << 20, 3 << 20,
     "[##############################] 100%  3.0 / 3.0 MiB"},
    {"no_total", 0, 0, "[##############################] 100%  0.0 / 0.0 MiB"},
    {"beyond_a_petabyte", std::uint64_t{1} << 62, std::uint64_t{1} << 63,
     "[###############---------------]  50%  4398046511104.0 / 8796093022208.0 MiB"},
    // A line as wide as the terminal wraps there, and the next one no longer starts at its start.
    {"twenty_columns_drop_the_counts", 1 << 20, 2 << 20, "[######------]  50%", 20},
    {"too_narrow_for_a_bar", 1 << 20, 2 << 20, "50%", 16},
};

class ProgressLine : public ::testing::TestWithParam<LineRow> {};

TEST_P(ProgressLine, Reads) {
    EXPECT_EQ(progressLine(GetParam().done, GetParam().total, GetParam().columns), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(Rows, ProgressLine, ::testing::ValuesIn(kLineRows), rowName);

// A file done within the delay shows nothing; a longer one is redrawn in place at most once an
// interval and blanked at its end; the next file waits out the delay again.
TEST(ProgressBar, DrawsOnlyLongFilesAndLeavesTheLineBlank) {
    std::chrono::steady_clock::time_point now{};
    std::ostringstream terminal;
    ProgressBar bar(
        terminal, [&now] { return now; }, 500ms, 100ms);
    const auto update = [&](std::chrono::milliseconds later, std::uint64_t done) {
        now += later;
        bar.update(done, 100);
    };
    bar.begin("short.exe");
    update(499ms, 50);
    bar.end();
    EXPECT_EQ(terminal.str(), "");
    bar.begin("long.exe");
    update(500ms, 0);
    update(50ms, 50);
    update(50ms, 100);
    bar.end();
    bar.begin("next.exe");
    update(100ms, 50);
    const std::string last = progressLine(100, 100);
    EXPECT_EQ(terminal.str(), "\r" + progressLine(0, 100) + "\r" + last + "\r" +
                                  std::string(last.size(), ' ') + "\r");
}

}  // namespace
}  // namespace velbrisk::cli
