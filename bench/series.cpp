// The timed series of one input, the engine's jobs and their yardsticks taking turns, and the
// clocks and counters behind them: medians, the kernel's count of bytes read, a job's peak memory.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <stop_token>

#include "bench.h"
#include "engine/trim_internals.h"

namespace velbrisk::bench {
namespace {

volatile sig_atomic_t signalled = 0;

template <class Work>
double secondsOf(Work&& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Bytes that this process has read through read-family system calls so far (rchar of
// /proc/self/io), -1 where the kernel does not say. Every read of that file counts towards rchar
// itself (after it has shown the count), so the bytes of all earlier reads of it are taken off.
std::int64_t bytesReadSoFar() {
    static std::int64_t ownBytes = 0;
    std::ifstream in("/proc/self/io");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t field = text.find("rchar:");
    if (field == std::string::npos) {
        return -1;
    }
    const std::int64_t count = std::strtoll(text.c_str() + field + 6, nullptr, 10) - ownBytes;
    ownBytes += static_cast<std::int64_t>(text.size());
    return count;
}

// Notes a problem once, however many runs meet it.
void failUnless(InputResult& row, bool ok, const std::string& what) {
    if (!ok && std::find(row.problems.begin(), row.problems.end(), what) == row.problems.end()) {
        row.problems.push_back(what);
    }
}

// What went wrong in one of the engine's jobs; empty when it went well.
std::string failureOf(const JobResult& result) {
    return result.status == JobStatus::Done
               ? std::string()
               : "status " + std::to_string(static_cast<int>(result.status)) + " " + result.reason;
}

// The scan and the tail read, once each.
void scanRound(InputResult& row) {
    TrimPlan plan;
    JobResult scanned;
    row.samples[kScan].push_back(secondsOf([&] { scanned = scanSource(row.source, plan); }));
    failUnless(row, failureOf(scanned).empty(), "scanSource failed: " + failureOf(scanned));
    std::int64_t got = 0;
    row.samples[kRead].push_back(secondsOf([&] { got = readTail(row.source, row.tail); }));
    failUnless(row, got == row.tail, "the tail read came short");
}

// One job that writes `output`, deleted after it; `job` says what went wrong, if anything, and the
// first round (`check`) compares the bytes. It starts with nothing left to write back, or it would
// pay for the write-back of the job before it, and more so after one that flushed to the disk.
template <class Job>
void timeWrite(InputResult& row, Series series, const std::string& name, const std::string& output,
               bool check, Job job) {
    std::string failure;
    ::sync();
    row.samples[series].push_back(secondsOf([&] { failure = job(); }));
    failUnless(row, failure.empty(), name + " failed: " + failure);
    failUnless(row, !check || sameBytes(output, row.reference),
               name + "'s output differs from the expected bytes");
    failUnless(row, ::unlink(output.c_str()) == 0, "no file at " + output + " after a run");
}

// The jobs that write, once each: the copy, cp, the whole job, and the whole job with a progress
// callback and a stop token as the window passes them. The copy's time is split at the engine's
// hooks: its last checks apart, since the copy is held to cp alone and the whole job, checks
// included, to cp and a read of the tail.
void copyRound(InputResult& row, const TrimPlan& plan, bool check) {
    std::chrono::steady_clock::time_point copied, checked;
    const detail::TrimOptions stamped{
        .afterCopy = [&] { copied = std::chrono::steady_clock::now(); },
        .beforeReplace = [&] { checked = std::chrono::steady_clock::now(); }};
    detail::TrimStats stats;
    timeWrite(row, kCopy, "writeTrimmed", row.output, check, [&] {
        return failureOf(writeTrimmed(plan, row.output, detail::tuned({}, stamped, stats)));
    });
    const double checks = std::chrono::duration<double>(checked - copied).count();
    row.samples[kCopy].back() -= checks;
    row.samples[kCheck].push_back(checks);
    timeWrite(row, kCp, "cp", row.cpOutput, check,
              [&] { return std::string(runCp(row.reference, row.cpOutput) ? "" : "exit status"); });
    timeWrite(row, kWhole, "trimFile", row.output, check,
              [&] { return failureOf(trimFile(row.source, row.outputName)); });
    std::stop_source stop;
    std::uint64_t calls = 0, last = 0, lastTotal = 0;
    bool monotonic = true;
    const JobControl control{.progress =
                                 [&](std::uint64_t done, std::uint64_t total) {
                                     monotonic = monotonic && done >= last;
                                     last = done;
                                     lastTotal = total;
                                     ++calls;
                                 },
                             .stop = stop.get_token()};
    timeWrite(row, kWholeWithProgress, "trimFile with progress", row.output, check,
              [&] { return failureOf(trimFile(row.source, row.outputName, control)); });
    if (check) {
        row.progressCalls = calls;
        row.progressSound = monotonic && calls > 0 && last == lastTotal;
    }
}

// cp with a flush to the disk, in a series of its own after the others: on a file system that
// discards freed blocks, deleting a flushed copy keeps the disk busy into the next job.
void flushedCpRound(InputResult& row) {
    timeWrite(row, kCpSync, "cp + sync", row.cpOutput, false, [&] {
        return std::string(
            runCp(row.reference, row.cpOutput) && syncToDisk(row.cpOutput) ? "" : "exit status");
    });
}

// After a warm-up round that took `warmUp` seconds, the series [first, last) start afresh with
// enough rounds for about a second and a half, at least the minimum and at most 41: short jobs then
// rest on more than a handful of microsecond-sized samples.
template <class Round>
void timeRounds(InputResult& row, Series first, Series last, double warmUp, int minRuns,
                Round round) {
    std::for_each(row.samples + first, row.samples + last, [](auto& series) { series.clear(); });
    const int runs = std::clamp(static_cast<int>(1.5 / std::max(warmUp, 1e-6)), minRuns, 41);
    for (int run = 0; run < runs; ++run) {
        stopIfInterrupted();
        round();
    }
}

double medianOf(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

double InputResult::median(Series series) const {
    return medianOf(samples[series]);
}

double InputResult::fastest(Series series) const {
    const std::vector<double>& values = samples[series];
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

void catchInterrupts() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        std::signal(signal, [](int) { signalled = 1; });
    }
}

void stopIfInterrupted() {
    if (signalled != 0) {
        throw std::runtime_error("interrupted; the scratch folder is removed");
    }
}

Peak peakInChild(const std::function<bool()>& job, double limitSeconds) {
    Peak peak;
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return peak;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        // A job that hangs must not hang the bench: the alarm ends it.
        ::alarm(static_cast<unsigned>(limitSeconds));
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        const bool reported = ::write(pipeFds[1], &usage.ru_maxrss, sizeof usage.ru_maxrss) > 0;
        ::_exit(reported && job() ? 0 : 1);
    }
    ::close(pipeFds[1]);
    const bool reported = child > 0 && ::read(pipeFds[0], &peak.startKiB, sizeof peak.startKiB) ==
                                           sizeof peak.startKiB;
    ::close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    while (child > 0 && ::wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            return peak;
        }
    }
    peak.timedOut = WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM;
    peak.ok = reported && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    peak.peakKiB = usage.ru_maxrss;
    return peak;
}

void measure(InputResult& row, int minRuns) {
    std::fprintf(stderr, "measuring %s ...\n", row.shape.name.c_str());
    TrimPlan plan;
    const std::int64_t before = bytesReadSoFar();
    const JobResult result = scanSource(row.source, plan);
    const std::int64_t after = bytesReadSoFar();
    if (before >= 0 && after >= 0) {
        row.scanned = after - before;
    }
    failUnless(row, failureOf(result).empty(), "scanSource failed: " + failureOf(result));
    if (!plan.cut) {
        failUnless(row, false, "scanSource found no cut");
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
    // nothing left to write back; the first copy round checks the outputs.
    const double scanWarmUp = secondsOf([&] { scanRound(row); });
    const double copyWarmUp = secondsOf([&] { copyRound(row, plan, true); });
    if (row.problems.empty()) {
        ::sync();
        timeRounds(row, kScan, kCopy, scanWarmUp, minRuns, [&] { scanRound(row); });
        timeRounds(row, kCopy, kCpSync, copyWarmUp, minRuns, [&] { copyRound(row, plan, false); });
        timeRounds(row, kCpSync, kProbeLoop, secondsOf([&] { flushedCpRound(row); }), minRuns,
                   [&] { flushedCpRound(row); });
    } else {
        std::ranges::for_each(row.samples, [](auto& series) { series.clear(); });
    }
    removeIfThere(row.reference);
}

void measureProbeLoop(InputResult& row, int minRuns, double capSeconds) {
    std::fprintf(stderr, "original probe loop on %s ...\n", row.shape.name.c_str());
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(capSeconds));
    while (row.runs(kProbeLoop) < minRuns && std::chrono::steady_clock::now() < deadline) {
        ProbeLoopResult result;
        const double seconds = secondsOf([&] { result = probeLoop(row.source, deadline); });
        row.probeLoopReached = result.scanPosition;
        if (!result.finished) {
            row.probeLoopCutShort = seconds;
            break;
        }
        row.probeLoopAgrees = result.cutAmount && row.length - *result.cutAmount + 1 == row.kept;
        row.samples[kProbeLoop].push_back(seconds);
    }
}

}  // namespace velbrisk::bench
