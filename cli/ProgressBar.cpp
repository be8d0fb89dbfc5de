// The progress bar that velbrisk-trim draws on a terminal while a long file is trimmed.
#include "cli/ProgressBar.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace velbrisk::cli {

namespace {

constexpr int kBarWidth = 30;

std::string mebibytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

}  // namespace

std::string progressLine(std::uint64_t done, std::uint64_t total, std::size_t columns) {
    if (done > total) {
        done = total;
    }
    // Widened before multiplying: a byte count times 100 overflows 64 bits past 184 PB.
    const auto share = [&](unsigned long long scale) {
        return total == 0 ? scale
                          : static_cast<unsigned long long>(static_cast<long double>(done) * scale /
                                                            total);
    };
    const auto bar = [&](std::size_t width) {
        const auto filled = static_cast<std::size_t>(share(width));
        return "[" + std::string(filled, '#') + std::string(width - filled, '-') + "] ";
    };
    std::string percent = std::to_string(share(100)) + "%";
    percent.insert(0, 4 - percent.size(), ' ');
    const std::string counts = "  " + mebibytes(done) + " / " + mebibytes(total) + " MiB";
    const std::size_t room = columns == 0 ? SIZE_MAX : columns - 1;
    constexpr std::size_t kFrame = 3;  // "[", "] "
    constexpr std::size_t kNarrowest = 10;
    if (kFrame + kBarWidth + percent.size() + counts.size() <= room) {
        return bar(kBarWidth) + percent + counts;
    }
    if (kFrame + kNarrowest + percent.size() <= room) {
        return bar(std::min<std::size_t>(kBarWidth, room - kFrame - percent.size())) + percent;
    }
    return percent.substr(percent.find_first_not_of(' '));
}

ProgressBar::ProgressBar(std::ostream& terminal, Clock clock, std::chrono::milliseconds delay,
                         std::chrono::milliseconds interval, Columns columns)
    : terminal_(terminal),
      clock_(std::move(clock)),
      delay_(delay),
      interval_(interval),
      columns_(std::move(columns)) {}

void ProgressBar::begin(std::string_view) {
    const std::lock_guard lock(mutex_);
    started_ = clock_();
    shown_.clear();
}

void ProgressBar::update(std::uint64_t done, std::uint64_t total) {
    const std::lock_guard lock(mutex_);
    const auto now = clock_();
    if (now - started_ < delay_ || (!shown_.empty() && now - drawn_ < interval_)) {
        return;
    }
    std::string line = progressLine(done, total, columns_ ? columns_() : 0);
    if (line == shown_) {
        return;
    }
    // A shorter line must cover the longer one before it.
    const std::size_t width = line.size();
    if (shown_.size() > width) {
        line += std::string(shown_.size() - width, ' ');
    }
    terminal_ << '\r' << line << std::flush;
    line.resize(width);
    shown_ = std::move(line);
    drawn_ = now;
}

void ProgressBar::end() {
    const std::lock_guard lock(mutex_);
    if (!shown_.empty()) {
        terminal_ << '\r' << std::string(shown_.size(), ' ') << '\r' << std::flush;
        shown_.clear();
    }
}

}  // namespace velbrisk::cli
