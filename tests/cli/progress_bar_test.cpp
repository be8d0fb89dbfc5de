// The terminal progress bar: its text, when it shows, and the clean line it leaves behind.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/ProgressBar.h"

namespace velbrisk::cli {
namespace {

using namespace std::chrono_literals;

TEST(ProgressLine, Reads) {
    struct Row {
        const char* name;
        std::uint64_t done, total;
        std::string line;
        std::size_t columns = 0;  // the terminal's width; 0: no limit
    };
    const std::uint64_t mib = 1 << 20, huge = std::uint64_t{1} << 62;
    for (const Row& row : {
             Row{"just short of all", 3 * mib - 1, 3 * mib,
                 "[#############################-]  99%  3.0 / 3.0 MiB"},
             Row{"past the total is all", 5 * mib, 3 * mib,
                 "[##############################] 100%  3.0 / 3.0 MiB"},
             Row{"no total", 0, 0, "[##############################] 100%  0.0 / 0.0 MiB"},
             Row{"beyond a petabyte", huge, 2 * huge,
                 "[###############---------------]  50%  4398046511104.0 / 8796093022208.0 MiB"},
             // A line as wide as the terminal wraps, and the next no longer starts at its start.
             Row{"twenty columns drop the counts", mib, 2 * mib, "[######------]  50%", 20},
             Row{"too narrow for a bar", mib, 2 * mib, "50%", 16},
         }) {
        EXPECT_EQ(progressLine(row.done, row.total, row.columns), row.line) << row.name;
    }
}

// A file done within the delay shows nothing; a longer one is redrawn in place at most once an
// interval and blanked at its end; the next file waits out the delay again.
TEST(ProgressBar, DrawsOnlyLongFilesAndLeavesTheLineBlank) {
    std::chrono::steady_clock::time_point now{};
    std::ostringstream terminal;
    std::size_t columns = 0;
    ProgressBar bar(
        terminal, [&now] { return now; }, 500ms, 100ms, [&columns] { return columns; });
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
    columns = 20;  // a narrowed terminal: the shorter line covers the longer one, no further
    update(50ms, 100);
    bar.end();
    bar.begin("next.exe");
    update(100ms, 50);
    const std::string first = progressLine(0, 100), last = progressLine(100, 100, 20);
    EXPECT_EQ(terminal.str(), "\r" + first + "\r" + last +
                                  std::string(first.size() - last.size(), ' ') + "\r" +
                                  std::string(last.size(), ' ') + "\r");
}

}  // namespace
}  // namespace velbrisk::cli
