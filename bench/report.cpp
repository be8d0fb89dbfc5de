// The bench's tables and its verdict on each target.
#include "report.h"

#include <algorithm>
#include <cstdio>

namespace velbrisk::bench {
namespace {

std::string ms(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds * 1e3);
    return text;
}

std::string ratio(double a, double b) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", b > 0 ? a / b : 0.0);
    return text;
}

double mibPerSecond(std::int64_t bytes, double seconds) {
    return seconds > 0 ? static_cast<double>(bytes) / kMiB / seconds : 0;
}

std::string probeLoopText(const InputResult& row) {
    if (!row.probeLoopRan) {
        return "-";
    }
    char text[96];
    if (!row.probeLoopFinished) {
        std::snprintf(text, sizeof text, "> %.0f s (stopped at i=%lld)", row.probeLoop,
                      static_cast<long long>(row.probeLoopReached));
    } else {
        std::snprintf(text, sizeof text, "%.3f s (%d run%s)%s", row.probeLoop, row.probeLoopRuns,
                      row.probeLoopRuns == 1 ? "" : "s", row.probeLoopAgrees ? "" : " CUT DIFFERS");
    }
    return text;
}

const InputResult* findRow(const std::vector<InputResult>& rows, const std::string& name) {
    for (const InputResult& row : rows) {
        if (row.shape.name == name) {
            return &row;
        }
    }
    return nullptr;
}

// Whether the timed series ran: a job that failed or hung leaves its row without figures.
bool measured(const InputResult& row) {
    return row.scanRuns > 0 && row.copyRuns > 0;
}

// Prints PASS or FAIL with the figures; returns whether it passed.
bool verdict(bool pass, const std::string& what) {
    std::printf("%s  %s\n", pass ? "PASS" : "FAIL", what.c_str());
    return pass;
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
        std::string holds =
            sizeText(row.shape.dataBytes) + " + " +
            (row.shape.tailBytes == 0 ? std::string("0") : sizeText(row.shape.tailBytes)) +
            (row.shape.sparseTail ? " hole" : "");
        std::printf("%-13s %-21s %12lld %12lld %12lld %10s %10s %6s %10.0f %4d  %s\n",
                    row.shape.name.c_str(), holds.c_str(), static_cast<long long>(row.kept),
                    static_cast<long long>(row.tail), static_cast<long long>(row.scanned),
                    ms(row.scan).c_str(), ms(row.read).c_str(), ratio(row.scan, row.read).c_str(),
                    mibPerSecond(row.tail, row.scan), row.scanRuns, probeLoopText(row).c_str());
    }
    std::printf(
        "\nCopy and whole job: writeTrimmed against cp of a file of exactly the kept bytes; "
        "trimFile against cp + tail read; peak resident memory of trimFile in a child\n");
    std::printf("%-13s %10s %9s %10s %6s %10s %6s %10s %10s %8s %12s %9s %8s %4s\n", "input",
                "copy ms", "check ms", "cp ms", "c/cp", "cp+sync", "c/c+s", "whole ms", "cp+read",
                "w/(c+r)", "w/progress", "progress#", "peak MiB", "runs");
    for (const InputResult& row : rows) {
        std::printf("%-13s %10s %9s %10s %6s %10s %6s %10s %10s %8s %12s %9llu %8.1f %4d\n",
                    row.shape.name.c_str(), ms(row.copy).c_str(), ms(row.check).c_str(),
                    ms(row.cp).c_str(), ratio(row.copy, row.cp).c_str(), ms(row.cpSync).c_str(),
                    ratio(row.copy, row.cpSync).c_str(), ms(row.whole).c_str(),
                    ms(row.cp + row.read).c_str(), ratio(row.whole, row.cp + row.read).c_str(),
                    ms(row.wholeWithProgress).c_str(),
                    static_cast<unsigned long long>(row.progressCalls), row.peak.peakKiB / 1024.0,
                    row.copyRuns);
    }
    std::printf(
        "(scan read B: bytes the scan read through read calls, from /proc/self/io; copy ms: "
        "writeTrimmed without its last checks; check ms: those checks (the bytes cut read again, "
        "the source looked at) before the copy is put in place; "
        "cp+sync: cp, then fsync of its output and of the folder, what a copy that must survive a "
        "power cut costs; progress#: progress reports in one whole job; peak: ru_maxrss of a "
        "forked child that ran one trimFile, which started at %.1f MiB)\n\n",
        rows.empty() ? 0.0 : rows.front().peak.startKiB / 1024.0);
}

int printTargets(const std::vector<InputResult>& rows, const std::vector<std::string>& strays) {
    std::printf("Targets\n");
    int failures = 0;
    char text[256];
    for (const std::string& stray : strays) {
        failures += !verdict(false, "a file left behind in the scratch folder: " + stray);
    }
    for (const InputResult& row : rows) {
        for (const std::string& problem : row.problems) {
            failures += !verdict(false, row.shape.name + ": " + problem);
        }
        if (!row.progressSound) {
            failures += !verdict(false, row.shape.name +
                                            ": progress reports not monotonic or not ending at "
                                            "done == total");
        }
    }
    for (const char* name : {"(a)", "(b)"}) {
        const InputResult* row = findRow(rows, name);
        if (row == nullptr) {
            continue;
        }
        if (!measured(*row)) {
            failures += !verdict(false, std::string(name) + ": not measured, no ratio");
            continue;
        }
        std::snprintf(text, sizeof text,
                      "%s scan / tail read = %s ms / %s ms = %s <= 1.10 (fastest runs: %s)", name,
                      ms(row->scan).c_str(), ms(row->read).c_str(),
                      ratio(row->scan, row->read).c_str(),
                      ratio(row->fastest.scan, row->fastest.read).c_str());
        failures += !verdict(row->scan <= 1.10 * row->read, text);
        std::snprintf(text, sizeof text,
                      "%s copy / cp = %s ms / %s ms = %s <= 1.10 (fastest runs: %s)", name,
                      ms(row->copy).c_str(), ms(row->cp).c_str(), ratio(row->copy, row->cp).c_str(),
                      ratio(row->fastest.copy, row->fastest.cp).c_str());
        failures += !verdict(row->copy <= 1.10 * row->cp, text);
        std::snprintf(text, sizeof text,
                      "%s whole / (cp + read) = %s ms / %s ms = %s <= 1.10 (fastest runs: %s)",
                      name, ms(row->whole).c_str(), ms(row->cp + row->read).c_str(),
                      ratio(row->whole, row->cp + row->read).c_str(),
                      ratio(row->fastest.whole, row->fastest.cp + row->fastest.read).c_str());
        failures += !verdict(row->whole <= 1.10 * (row->cp + row->read), text);
    }
    double slowest = 0, fastest = 0;
    std::string slowName, fastName;
    for (const InputResult& row : rows) {
        if (row.shape.name.rfind("(c)", 0) != 0 || row.shape.tailBytes < kMiB || row.scan <= 0) {
            continue;
        }
        double speed = mibPerSecond(row.tail, row.scan);
        if (slowName.empty() || speed < slowest) {
            slowest = speed;
            slowName = row.shape.name;
        }
        if (fastName.empty() || speed > fastest) {
            fastest = speed;
            fastName = row.shape.name;
        }
    }
    if (!slowName.empty()) {
        std::snprintf(text, sizeof text,
                      "(c) scan throughput from the 1 MiB to the largest tail: fastest %.0f MiB/s "
                      "(%s) / slowest %.0f MiB/s (%s) = %.2f <= 2",
                      fastest, fastName.c_str(), slowest, slowName.c_str(), fastest / slowest);
        failures += !verdict(fastest <= 2 * slowest, text);
        // The plain read's own throughput changes with the caches as the tail grows; the ratio to
        // it shows whether the scan stays linear.
        double lowest = 0, highest = 0, slowBest = 0, fastBest = 0;
        for (const InputResult& row : rows) {
            if (row.shape.name.rfind("(c)", 0) == 0 && row.shape.tailBytes >= kMiB &&
                row.read > 0) {
                double r = row.scan / row.read;
                lowest = lowest == 0 ? r : std::min(lowest, r);
                highest = std::max(highest, r);
                double best = mibPerSecond(row.tail, row.fastest.scan);
                slowBest = slowBest == 0 ? best : std::min(slowBest, best);
                fastBest = std::max(fastBest, best);
            }
        }
        std::printf(
            "      (fastest runs: %.0f / %.0f MiB/s = %.2f; scan / tail read on those tails "
            "runs from %.2f to %.2f)\n",
            fastBest, slowBest, slowBest > 0 ? fastBest / slowBest : 0.0, lowest, highest);
    }
    const InputResult* hole = findRow(rows, "(d)");
    const InputResult* alone = findRow(rows, "(d) 4M alone");
    if (hole != nullptr && alone != nullptr && !(measured(*hole) && measured(*alone))) {
        failures += !verdict(false, "(d) and the 4 MiB file alone: not measured, no ratio");
    } else if (hole != nullptr && alone != nullptr) {
        std::snprintf(text, sizeof text,
                      "(d) whole job with the hole / on the 4 MiB file alone = %s ms / %s ms = %s "
                      "<= 2",
                      ms(hole->whole).c_str(), ms(alone->whole).c_str(),
                      ratio(hole->whole, alone->whole).c_str());
        failures += !verdict(hole->whole <= 2 * alone->whole, text);
    }
    long worstKiB = 0;
    std::string worstName;
    bool everyPeakKnown = true;
    for (const InputResult& row : rows) {
        everyPeakKnown = everyPeakKnown && row.peak.ok;
        if (row.peak.peakKiB >= worstKiB) {
            worstKiB = row.peak.peakKiB;
            worstName = row.shape.name;
        }
    }
    std::snprintf(text, sizeof text, "peak memory on every input < 32 MiB: largest %.1f MiB (%s)%s",
                  worstKiB / 1024.0, worstName.c_str(),
                  everyPeakKnown ? "" : "; a child job failed");
    failures += !verdict(everyPeakKnown && worstKiB < 32 * 1024, text);
    std::printf("%d target%s failed\n", failures, failures == 1 ? "" : "s");
    return failures;
}

}  // namespace velbrisk::bench
