// The progress bar that velbrisk-trim draws on a terminal while a long file is trimmed.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>

#include "cli/TrimBatch.h"

namespace velbrisk::cli {

// The bar's text for `done` of `total` bytes: plain ASCII, so that its width is its length. On a
// terminal `columns` wide (0: no limit) it keeps clear of the last column, where a terminal may
// wrap, and gives up first the byte counts, then the bar's width, then the bar.
std::string progressLine(std::uint64_t done, std::uint64_t total, std::size_t columns = 0);

// Draws on one line of a terminal, rewritten in place, and leaves the line blank when the file
// is done. A file that takes less than `delay` shows nothing; the line is redrawn at most every
// `interval`.
class ProgressBar : public FileProgress {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // The terminal's width now, which the user may change while a file is trimmed; 0: unknown.
    using Columns = std::function<std::size_t()>;

    explicit ProgressBar(std::ostream& terminal, Clock clock = std::chrono::steady_clock::now,
                         std::chrono::milliseconds delay = std::chrono::milliseconds(500),
                         std::chrono::milliseconds interval = std::chrono::milliseconds(100),
                         Columns columns = {});

    void begin(std::string_view sourcePath) override;
    void update(std::uint64_t done, std::uint64_t total) override;
    void end() override;

private:
    std::mutex mutex_;
    std::ostream& terminal_;
    Clock clock_;
    std::chrono::milliseconds delay_;
    std::chrono::milliseconds interval_;
    Columns columns_;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point drawn_;
    std::string shown_;  // the text on the line now; empty when nothing is drawn
};

}  // namespace velbrisk::cli
