// The progress bar that velbrisk-trim draws on a terminal while a long file is trimmed.
#include "cli/ProgressBar.h"

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

std::string progressLine(std::uint64_t done, std::uint64_t total) {
    if (done > total) {
        done = total;
    }
    // Widened before multiplying: a byte count times 100 overflows 64 bits past 184 PB.
    const auto share = [&](unsigned long long scale) {
        return total == 0 ? scale
                          : static_cast<unsigned long long>(static_cast<long double>(done) * scale /
                                                            total);
    };
    const auto filled = static_cast<std::size_t>(share(kBarWidth));
    std::string line = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '-') + "] ";
    const std::string percent = std::to_string(share(100)) + "%";
    line += std::string(4 - percent.size(), ' ') + percent;
    line += "  " + mebibytes(done) + " / " + mebibytes(total) + " MiB";
    return line;
}

ProgressBar::ProgressBar(std::ostream& terminal, Clock clock, std::chrono::milliseconds delay,
                         std::chrono::milliseconds interval)
    : terminal_(terminal), clock_(std::move(clock)), delay_(delay), interval_(interval) {}

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
    std::string line = progressLine(done, total);
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
