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

// The bar's text for `done` of `total` bytes: plain ASCII, so that its width is its length.
std::string progressLine(std::uint64_t done, std::uint64_t total);

// Draws on one line of a terminal, rewritten in place, and leaves the line blank when the file
// is done. A file that takes less than `delay` shows nothing; the line is redrawn at most every
// `interval`.
class ProgressBar : public FileProgress {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    explicit ProgressBar(std::ostream& terminal, Clock clock = std::chrono::steady_clock::now,
                         std::chrono::milliseconds delay = std::chrono::milliseconds(500),
                         std::chrono::milliseconds interval = std::chrono::milliseconds(100));

    void begin(std::string_view sourcePath) override;
    void update(std::uint64_t done, std::uint64_t total) override;
    void end() override;

private:
    std::mutex mutex_;
    std::ostream& terminal_;
    Clock clock_;
    std::chrono::milliseconds delay_;
    std::chrono::milliseconds interval_;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point drawn_;
    std::string shown_;  // the text on the line now; empty when nothing is drawn
};

}  // namespace velbrisk::cli
