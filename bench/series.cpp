// The timed series of one input: the engine's jobs and their yardsticks, and the original loop.
#include "series.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <stop_token>

#include "references.h"

namespace velbrisk::bench {
namespace {

// Notes a problem once, however many runs meet it.
void failUnless(InputResult& row, bool ok, const std::string& what) {
    if (!ok && std::find(row.problems.begin(), row.problems.end(), what) == row.problems.end()) {
        row.problems.push_back(what);
    }
}

void checkedRemove(InputResult& row, const std::string& path) {
    failUnless(row, ::unlink(path.c_str()) == 0, "no file at " + path + " after a run");
}

// The scan and the tail read, once each; `samples` gets their times.
void scanRound(InputResult& row, std::vector<double>* samples) {
    TrimPlan plan;
    JobResult scanned;
    samples[0].push_back(
        secondsOf([&] { scanned = scanSource(row.source, plan); }));
    failUnless(row, scanned.status == JobStatus::Done,
               std::string("scanSource: ") + statusName(scanned.status));
    std::int64_t got = 0;
    samples[1].push_back(secondsOf([&] { got = readTail(row.source, row.tail); }));
    failUnless(row, got == row.tail, "the tail read came short");
}

// The time of one job that writes, started with nothing left to write back: otherwise a job would
// pay for the write-back of the one before it, and more so after one that flushed to the disk.
double secondsFromClean(const std::function<void()>& job) {
    ::sync();
    return secondsOf(job);
}

// The jobs that write, once each, every output deleted before the next job: the copy, cp, the
// whole job, and the whole job with a progress callback and a stop token as the window passes
// them. The first round checks every output's bytes.
void copyRound(InputResult& row, const TrimPlan& plan, bool check, std::vector<double>* samples) {
    JobResult result;
    samples[0].push_back(secondsFromClean([&] { result = writeTrimmed(plan, row.output); }));
    failUnless(row, result.status == JobStatus::Done,
               std::string("writeTrimmed: ") + statusName(result.status) + " " + result.reason);
    failUnless(row, !check || sameBytes(row.output, row.reference),
               "writeTrimmed's output differs from the expected bytes");
    checkedRemove(row, row.output);

    bool copied = false;
    samples[1].push_back(secondsFromClean([&] { copied = runCp(row.reference, row.cpOutput); }));
    failUnless(row, copied && (!check || sameBytes(row.cpOutput, row.reference)), "cp failed");
    checkedRemove(row, row.cpOutput);

    samples[2].push_back(secondsFromClean([&] { result = trimFile(row.source, row.outputName); }));
    failUnless(row, result.status == JobStatus::Done,
               std::string("trimFile: ") + statusName(result.status));
    failUnless(row, !check || sameBytes(row.output, row.reference),
               "trimFile's output differs from the expected bytes");
    checkedRemove(row, row.output);

    std::stop_source stop;
    std::uint64_t calls = 0, last = 0, lastTotal = 0;
    bool monotonic = true;
    JobControl control;
    control.stop = stop.get_token();
    control.progress = [&](std::uint64_t done, std::uint64_t total) {
        monotonic = monotonic && done >= last;
        last = done;
        lastTotal = total;
        ++calls;
    };
    samples[3].push_back(
        secondsFromClean([&] { result = trimFile(row.source, row.outputName, control); }));
    failUnless(row, result.status == JobStatus::Done,
               std::string("trimFile with progress: ") + statusName(result.status));
    checkedRemove(row, row.output);
    if (check) {
        row.progressCalls = calls;
        row.progressSound = monotonic && calls > 0 && last == lastTotal;
    }
}

// cp with a flush to the disk, in a series of its own after the others: on a file system that
// discards freed blocks, deleting a flushed copy keeps the disk busy into the next job.
void flushedCpRound(InputResult& row, std::vector<double>& samples) {
    bool copied = false;
    samples.push_back(secondsFromClean(
        [&] { copied = runCp(row.reference, row.cpOutput) && syncToDisk(row.cpOutput); }));
    failUnless(row, copied, "cp + sync failed");
    checkedRemove(row, row.cpOutput);
}

// Enough runs for about a second and a half, at least the minimum and at most 41: short jobs
// then rest on more than a handful of microsecond-sized samples.
int runsFor(double warmUpSeconds, int minRuns) {
    return std::clamp(static_cast<int>(1.5 / std::max(warmUpSeconds, 1e-6)), minRuns, 41);
}

}  // namespace

const char* statusName(JobStatus status) {
    switch (status) {
        case JobStatus::Done:
            return "Done";
        case JobStatus::NothingToCut:
            return "NothingToCut";
        case JobStatus::SourceMissing:
            return "SourceMissing";
        case JobStatus::SourceUnreadable:
            return "SourceUnreadable";
        case JobStatus::OutputUnwritable:
            return "OutputUnwritable";
        case JobStatus::SameFile:
            return "SameFile";
        case JobStatus::Cancelled:
            return "Cancelled";
    }
    return "?";
}

void measure(InputResult& row, int minRuns) {
    std::fprintf(stderr, "measuring %s ...\n", row.shape.name.c_str());
    TrimPlan plan;
    std::int64_t before = bytesReadSoFar();
    JobResult result = scanSource(row.source, plan);
    std::int64_t after = bytesReadSoFar();
    if (before >= 0 && after >= 0) {
        row.scanned = after - before;
    }
    if (result.status != JobStatus::Done || !plan.cut) {
        row.problems.push_back(std::string("scanSource: ") + statusName(result.status) + " " +
                               result.reason);
        return;
    }
    // The input's data ends at dataBytes - 1; the scan must have found just that byte.
    const std::optional<Cut> expected = findCut(row.length, row.shape.dataBytes - 1);
    failUnless(row, expected && expected->outputLength == plan.cut->outputLength,
               "the cut differs from the one its last data byte gives");
    row.kept = plan.cut->outputLength;
    row.tail = plan.cut->scanPosition + 1;
    writePrefix(row.source, row.reference, row.kept);

    // The scans, the copies and cp with a flush run as three series: the copies' flushes to the
    // disk would otherwise land in the middle of the scans' timings. Each series starts with
    // nothing left to write back.
    std::vector<double> scans[2];
    std::vector<double> copies[4];
    std::vector<double> flushedCps;
    const double scanWarmUp = secondsOf([&] { scanRound(row, scans); });
    const double copyWarmUp = secondsOf([&] { copyRound(row, plan, true, copies); });
    if (row.problems.empty()) {
        for (auto& series : scans) {
            series.clear();
        }
        for (auto& series : copies) {
            series.clear();
        }
        ::sync();
        row.scanRuns = runsFor(scanWarmUp, minRuns);
        for (int run = 0; run < row.scanRuns; ++run) {
            stopIfInterrupted();
            scanRound(row, scans);
        }
        row.copyRuns = runsFor(copyWarmUp, minRuns);
        for (int run = 0; run < row.copyRuns; ++run) {
            stopIfInterrupted();
            copyRound(row, plan, false, copies);
        }
        const double flushedWarmUp = secondsOf([&] { flushedCpRound(row, flushedCps); });
        flushedCps.clear();
        for (int run = 0, runs = runsFor(flushedWarmUp, minRuns); run < runs; ++run) {
            stopIfInterrupted();
            flushedCpRound(row, flushedCps);
        }
        row.scan = median(scans[0]);
        row.read = median(scans[1]);
        row.copy = median(copies[0]);
        row.cp = median(copies[1]);
        row.whole = median(copies[2]);
        row.wholeWithProgress = median(copies[3]);
        row.cpSync = median(flushedCps);
        row.fastest.scan = fastest(scans[0]);
        row.fastest.read = fastest(scans[1]);
        row.fastest.copy = fastest(copies[0]);
        row.fastest.cp = fastest(copies[1]);
        row.fastest.whole = fastest(copies[2]);
    }
    removeIfThere(row.reference);
}

void measureProbeLoop(InputResult& row, int minRuns, double capSeconds) {
    std::fprintf(stderr, "original probe loop on %s ...\n", row.shape.name.c_str());
    row.probeLoopRan = true;
    auto start = std::chrono::steady_clock::now();
    auto deadline = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                std::chrono::duration<double>(capSeconds));
    std::vector<double> samples;
    while (!interrupted() && static_cast<int>(samples.size()) < minRuns &&
           std::chrono::steady_clock::now() < deadline) {
        ProbeLoopResult result;
        double seconds = secondsOf([&] { result = probeLoop(row.source, deadline); });
        row.probeLoopReached = result.scanPosition;
        if (!result.finished) {
            // A run cut short counts only when no run has finished: it then shows the cap.
            if (samples.empty()) {
                row.probeLoop = seconds;
            }
            break;
        }
        row.probeLoopFinished = true;
        row.probeLoopAgrees = result.found && row.length - result.cutAmount + 1 == row.kept;
        samples.push_back(seconds);
    }
    row.probeLoopRuns = static_cast<int>(samples.size());
    if (!samples.empty()) {
        row.probeLoop = median(samples);
    }
}

}  // namespace velbrisk::bench
