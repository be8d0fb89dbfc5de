// The terminal progress bar: its text, when it shows, and that it leaves a clean line behind.
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
};

const LineRow kLineRows[] = {
    {"nothing_yet", 0, 3 << 20, "[------------------------------]   0%  0.0 / 3.0 MiB"},
    {"a_third", 1 << 20, 3 << 20, "[##########--------------------]  33%  1.0 / 3.0 MiB"},
    {"all", 3 << 20, 3 << 20, "[##############################] 100%  3.0 / 3.0 MiB"},
    {"past_the_total_is_all", 5 << 20, 3 << 20,
     "[##############################] 100%  3.0 / 3.0 MiB"},
    {"no_total", 0, 0, "[##############################] 100%  0.0 / 0.0 MiB"},
    {"just_short_of_all", (3 << 20) - 1, 3 << 20,
     "[#############################-]  99%  3.0 / 3.0 MiB"},
    {"beyond_a_petabyte", std::uint64_t{1} << 62, std::uint64_t{1} << 63,
     "[###############---------------]  50%  4398046511104.0 / 8796093022208.0 MiB"},
};

class ProgressLine : public ::testing::TestWithParam<LineRow> {};

TEST_P(ProgressLine, Reads) {
    EXPECT_EQ(progressLine(GetParam().done, GetParam().total), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(Rows, ProgressLine, ::testing::ValuesIn(kLineRows), rowName);

class ProgressBarOnATerminal : public ::testing::Test {
protected:
    std::chrono::steady_clock::time_point now{};
    std::ostringstream terminal;
    ProgressBar bar{terminal, [this] { return now; }, 500ms, 100ms};
};

TEST_F(ProgressBarOnATerminal, AShortFileShowsNothing) {
    bar.begin("a.exe");
    now += 499ms;
    bar.update(1, 2);
    bar.end();
    EXPECT_EQ(terminal.str(), "");
}

TEST_F(ProgressBarOnATerminal, ALongFileIsDrawnInPlaceAndErased) {
    bar.begin("a.exe");
    now += 500ms;
    bar.update(0, 100);
    now += 50ms;
    bar.update(50, 100);  // too soon after the last drawing
    now += 50ms;
    bar.update(100, 100);
    bar.end();
    const std::string first = progressLine(0, 100);
    const std::string last = progressLine(100, 100);
    EXPECT_EQ(terminal.str(),
              "\r" + first + "\r" + last + "\r" + std::string(last.size(), ' ') + "\r");
}

TEST_F(ProgressBarOnATerminal, TheNextFileWaitsAgain) {
    bar.begin("a.exe");
    now += 1s;
    bar.update(1, 2);
    bar.end();
    terminal.str("");
    bar.begin("b.exe");
    now += 100ms;
    bar.update(1, 2);
    EXPECT_EQ(terminal.str(), "");
}

}  // namespace
}  // namespace velbrisk::cli
