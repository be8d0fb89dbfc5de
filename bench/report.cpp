// The bench's tables and its verdict on each target.
#include <algorithm>
#include <cstdio>
#include <optional>

#include "bench.h"

namespace velbrisk::bench {
namespace {

// printf's formatting, into a string.
template <class... Values>
std::string format(const char* pattern, Values... values) {
    char text[512];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

std::string ms(double seconds) {
    return format("%.3f", seconds * 1e3);
}

std::string ratio(double a, double b) {
    return format("%.2f", b > 0 ? a / b : 0.0);
}

double mibPerSecond(std::int64_t bytes, double seconds) {
    return seconds > 0 ? static_cast<double>(bytes) / kMiB / seconds : 0;
}

double scanSpeed(const InputResult* row) {
    return mibPerSecond(row->tail, row->median(kScan));
}

std::string probeLoopText(const InputResult& row) {
    if (row.runs(kProbeLoop) == 0 && row.probeLoopCutShort == 0) {
        return "-";
    }
    // A run cut short counts only when no run has finished: it then shows the cap.
    if (row.runs(kProbeLoop) == 0) {
        return format("> %.0f s (stopped at i=%lld)", row.probeLoopCutShort,
                      static_cast<long long>(row.probeLoopReached));
    }
    return format("%.3f s (%d run%s)%s", row.median(kProbeLoop), row.runs(kProbeLoop),
                  row.runs(kProbeLoop) == 1 ? "" : "s", row.probeLoopAgrees ? "" : " CUT DIFFERS");
}

// Prints PASS or FAIL with the figures; counts a failure.
void verdict(bool pass, const std::string& what, int& failures) {
    std::printf("%s  %s\n", pass ? "PASS" : "FAIL", what.c_str());
    failures += pass ? 0 : 1;
}

// The row of that name, if it was measured: a job that failed or hung leaves its row without
// figures, which is a failure of its own.
const InputResult* measuredRow(const std::vector<InputResult>& rows, const std::string& name,
                               int& failures) {
    for (const InputResult& row : rows) {
        if (row.shape.name == name && row.runs(kScan) > 0 && row.runs(kCopy) > 0) {
            return &row;
        }
        if (row.shape.name == name) {
            verdict(false, name + ": not measured, no ratio", failures);
        }
    }
    return nullptr;
}

// The engine's time against a yardstick's, the sum of one or two series: "(a) copy / cp =
// 110.358 ms / 115.784 ms = 0.95 <= 1.10 (fastest runs: 0.94)".
void ratioTarget(const InputResult& row, const std::string& what, Series engine, Series yardstick,
                 std::optional<Series> plus, int& failures) {
    const double mine = row.median(engine),
                 theirs = row.median(yardstick) + (plus ? row.median(*plus) : 0);
    const double bestTheirs = row.fastest(yardstick) + (plus ? row.fastest(*plus) : 0);
    verdict(mine <= 1.10 * theirs,
            row.shape.name + " " + what + " = " + ms(mine) + " ms / " + ms(theirs) +
                " ms = " + ratio(mine, theirs) +
                " <= 1.10 (fastest runs: " + ratio(row.fastest(engine), bestTheirs) + ")",
            failures);
}

}  // namespace

void printTables(const std::vector<InputResult>& rows) {
    std::printf(
        "Scan: the engine's scanSource against a plain read of the tail (the blank tail and "
        "the probe that ends it, 1 MiB blocks), and the original probe loop\n");
    std::printf("%-13s %-21s %12s %12s %12s %10s %10s %6s %10s %4s  %s\n", "input", "holds",
                "kept bytes", "tail bytes", "scan read B", "scan ms", "read ms", "s/r",
                "scan MiB/s", "runs", "original loop");
    for (const InputResult& row : rows) {
        const std::string holds =
            sizeText(row.shape.dataBytes) + " + " +
            (row.shape.tailBytes == 0 ? std::string("0") : sizeText(row.shape.tailBytes)) +
            (row.shape.sparseTail ? " hole" : "");
        const double scan = row.median(kScan), read = row.median(kRead);
        std::printf("%-13s %-21s %12lld %12lld %12lld %10s %10s %6s %10.0f %4d  %s\n",
                    row.shape.name.c_str(), holds.c_str(), static_cast<long long>(row.kept),
                    static_cast<long long>(row.tail), static_cast<long long>(row.scanned),
                    ms(scan).c_str(), ms(read).c_str(), ratio(scan, read).c_str(), scanSpeed(&row),
                    row.runs(kScan), probeLoopText(row).c_str());
    }
    std::printf(
        "\nCopy and whole job: writeTrimmed against cp of a file of exactly the kept bytes; "
        "trimFile against cp + tail read; peak resident memory of trimFile in a child\n");
    std::printf("%-13s %10s %9s %10s %6s %10s %6s %10s %10s %8s %12s %9s %8s %4s\n", "input",
                "copy ms", "check ms", "cp ms", "c/cp", "cp+sync", "c/c+s", "whole ms", "cp+read",
                "w/(c+r)", "w/progress", "progress#", "peak MiB", "runs");
    for (const InputResult& row : rows) {
        const double copy = row.median(kCopy), cp = row.median(kCp), cpSync = row.median(kCpSync);
        const double whole = row.median(kWhole), cpRead = cp + row.median(kRead);
        std::printf("%-13s %10s %9s %10s %6s %10s %6s %10s %10s %8s %12s %9llu %8.1f %4d\n",
                    row.shape.name.c_str(), ms(copy).c_str(), ms(row.median(kCheck)).c_str(),
                    ms(cp).c_str(),
                    ratio(copy, cp).c_str(), ms(cpSync).c_str(), ratio(copy, cpSync).c_str(),
                    ms(whole).c_str(), ms(cpRead).c_str(), ratio(whole, cpRead).c_str(),
                    ms(row.median(kWholeWithProgress)).c_str(),
                    static_cast<unsigned long long>(row.progressCalls), row.peak.peakKiB / 1024.0,
                    row.runs(kCopy));
    }
    std::printf(
        "(scan read B: bytes the scan read through read calls, from /proc/self/io; copy ms: "
        "writeTrimmed without its last checks; check ms: those checks (the bytes cut read again, "
        "the source looked at) before the copy is put in place; cp+sync: cp, then fsync of its output and of the folder, what a copy that must survive a "
        "power cut costs; progress#: progress reports in one whole job; peak: ru_maxrss of a "
        "forked child that ran one trimFile, which started at %.1f MiB)\n\n",
        rows.empty() ? 0.0 : rows.front().peak.startKiB / 1024.0);
}

int printTargets(const std::vector<InputResult>& rows, const std::vector<std::string>& strays) {
    std::printf("Targets\n");
    int failures = 0;
    for (const std::string& stray : strays) {
        verdict(false, "a file left behind in the scratch folder: " + stray, failures);
    }
    for (const InputResult& row : rows) {
        for (const std::string& problem : row.problems) {
            verdict(false, row.shape.name + ": " + problem, failures);
        }
        if (!row.progressSound) {
            verdict(
                false,
                row.shape.name + ": progress reports not monotonic or not ending at done == total",
                failures);
        }
    }
    for (const char* name : {"(a)", "(b)"}) {
        if (const InputResult* row = measuredRow(rows, name, failures)) {
            ratioTarget(*row, "scan / tail read", kScan, kRead, std::nullopt, failures);
            ratioTarget(*row, "copy / cp", kCopy, kCp, std::nullopt, failures);
            ratioTarget(*row, "whole / (cp + read)", kWhole, kCp, kRead, failures);
        }
    }
    // The scan's throughput on the tails of 1 MiB and more stays within a factor of two when it
    // grows linearly. The plain read's own throughput changes with the caches as the tail grows;
    // the ratio to it shows the same.
    std::vector<const InputResult*> longTails;
    std::vector<double> bestSpeeds, toRead;
    for (const InputResult& row : rows) {
        if (row.shape.name.starts_with("(c)") && row.shape.tailBytes >= kMiB &&
            row.runs(kScan) > 0) {
            longTails.push_back(&row);
            bestSpeeds.push_back(mibPerSecond(row.tail, row.fastest(kScan)));
            toRead.push_back(row.median(kScan) / row.median(kRead));
        }
    }
    if (!longTails.empty()) {
        const auto [slow, fast] = std::minmax_element(
            longTails.begin(), longTails.end(),
            [](const InputResult* a, const InputResult* b) { return scanSpeed(a) < scanSpeed(b); });
        verdict(scanSpeed(*fast) <= 2 * scanSpeed(*slow),
                format("(c) scan throughput from the 1 MiB to the largest tail: fastest %.0f MiB/s "
                       "(%s) / slowest %.0f MiB/s (%s) = %.2f <= 2",
                       scanSpeed(*fast), (*fast)->shape.name.c_str(), scanSpeed(*slow),
                       (*slow)->shape.name.c_str(), scanSpeed(*fast) / scanSpeed(*slow)),
                failures);
        const auto [slowBest, fastBest] = std::minmax_element(bestSpeeds.begin(), bestSpeeds.end());
        const auto [lowest, highest] = std::minmax_element(toRead.begin(), toRead.end());
        std::printf(
            "      (fastest runs: %.0f / %.0f MiB/s = %.2f; scan / tail read on those tails "
            "runs from %.2f to %.2f)\n",
            *fastBest, *slowBest, *slowBest > 0 ? *fastBest / *slowBest : 0.0, *lowest, *highest);
    }
    const InputResult* hole = measuredRow(rows, "(d)", failures);
    const InputResult* alone = measuredRow(rows, "(d) 4M alone", failures);
    if (hole != nullptr && alone != nullptr) {
        const double withHole = hole->median(kWhole), without = alone->median(kWhole);
        verdict(withHole <= 2 * without,
                "(d) whole job with the hole / on the 4 MiB file alone = " + ms(withHole) +
                    " ms / " + ms(without) + " ms = " + ratio(withHole, without) + " <= 2",
                failures);
    }
    const auto worst = std::max_element(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        return a.peak.peakKiB < b.peak.peakKiB;
    });
    const bool everyPeakKnown =
        std::all_of(rows.begin(), rows.end(), [](const auto& row) { return row.peak.ok; });
    if (worst != rows.end()) {
        verdict(everyPeakKnown && worst->peak.peakKiB < 32 * 1024,
                format("peak memory on every input < 32 MiB: largest %.1f MiB (%s)%s",
                       worst->peak.peakKiB / 1024.0, worst->shape.name.c_str(),
                       everyPeakKnown ? "" : "; a child job failed"),
                failures);
    }
    std::printf("%d target%s failed\n", failures, failures == 1 ? "" : "s");
    return failures;
}

}  // namespace velbrisk::bench
