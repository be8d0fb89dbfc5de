// The engine's bench: its inputs, what it finds out about each, and the parts that find it out.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/trim.h"

namespace velbrisk::bench {

inline constexpr std::int64_t kKiB = 1024;
inline constexpr std::int64_t kMiB = 1024 * kKiB;
inline constexpr std::int64_t kGiB = 1024 * kMiB;

struct InputShape {
    std::string name;  // the label in the tables, "(a)", "(c) 1M"
    std::int64_t dataBytes = 0, tailBytes = 0;
    bool sparseTail = false;  // the tail is a hole left by extending the file, not written zeros
};

struct Peak {
    bool ok = false;                 // the job ran in the child and said it succeeded
    bool timedOut = false;           // the job was still running at the limit and was killed
    long startKiB = 0, peakKiB = 0;  // the child's peak resident size before the job, and in all
};

// The timed series of each input: the engine's jobs, their yardsticks, and the original loop.
// kCheck: the copy's last checks (the bytes cut read again, the source looked at), which kCopy
// leaves out.
enum Series {
    kScan, kRead, kCopy, kCp, kWhole, kWholeWithProgress, kCheck, kCpSync, kProbeLoop, kCount
};

// What the bench finds out about one input: its figures, and anything that makes them void.
struct InputResult {
    InputShape shape;
    // The input, the engine's output (and the name it is given), a file of exactly the kept bytes
    // that cp copies, and cp's output.
    std::string source, outputName, output, reference, cpOutput;
    std::int64_t length = 0;

    std::int64_t kept = 0;
    std::int64_t tail = 0;      // the blank tail and the probe that ends it: scanPosition + 1
    std::int64_t scanned = -1;  // bytes that the engine's scan read

    std::vector<double> samples[kCount];  // seconds; none when a job failed or hung
    int runs(Series series) const { return static_cast<int>(samples[series].size()); }
    double median(Series series) const;
    // What a job costs when nothing else on the machine preempted it, shown next to the medians.
    double fastest(Series series) const;
    std::uint64_t progressCalls = 0;
    bool progressSound = true;  // monotonic and ending at done == total
    Peak peak;

    std::vector<std::string> problems;  // anything that makes this row's figures meaningless

    bool probeLoopAgrees = true;
    double probeLoopCutShort = 0;  // the run that met the cap, when none finished
    std::int64_t probeLoopReached = 0;
};

// files.cpp: the inputs, and the yardsticks that the engine is measured against.

// Writes the data (the same byte stream for every input, so that equal data lengths hold equal
// bytes), then the tail, flushed to the disk. Throws std::runtime_error on failure.
void writeInput(const std::string& path, const InputShape& shape);
// Writes the first `length` bytes of `source` to `path`, padded with zero bytes where the source is
// shorter: exactly what a trimmed copy of that length must hold.
void writePrefix(const std::string& source, const std::string& path, std::int64_t length);
bool sameBytes(const std::string& a, const std::string& b);
void removeIfThere(const std::string& path);  // a missing file is no error
// Whether the file has a hole before `length`: an input meant to be written whole came out sparse.
bool hasHole(const std::string& path, std::int64_t length);
std::string sizeText(std::int64_t bytes);  // "256 MiB", "4 GiB", "11 B"
// The first line that a shell command prints, without its line end; empty when it prints none.
std::string firstLineOf(const std::string& command);
// Whether the file system of `folder` can clone a file's blocks (FICLONE), and if not, the error.
std::string cloneSupport(const std::string& folder);

// Reads the last `length` bytes of `path` in 1 MiB blocks into a buffer that is thrown away: the
// least that any scan of that tail has to do. Returns the bytes read.
std::int64_t readTail(const std::string& path, std::int64_t length);
// Runs /bin/cp as a child process with no options and waits for it. True when it exits with 0.
bool runCp(const std::string& from, const std::string& to);
// Flushes a file and then its folder to the disk, as a copy that must survive a crash does.
bool syncToDisk(const std::string& path);

struct ProbeLoopResult {
    bool finished = false;                  // false: the deadline came first
    std::optional<std::int64_t> cutAmount;  // a = i - 10, when a probe held data
    std::int64_t scanPosition = 0;          // the last i probed
};
// The probe loop as it was first written: for i = 10, 20, ... it re-sizes a buffer to i + 1 bytes,
// reads the whole tail from position L - i to the end into it, and stops at the first probe whose
// first two bytes are not both zero. Kept here only to show what the engine replaced.
ProbeLoopResult probeLoop(const std::string& path, std::chrono::steady_clock::time_point deadline);

// series.cpp: clocks, counters, and the timed series of one input.

// From now on, Ctrl-C (SIGINT), SIGTERM and SIGHUP only set a flag, so that the bench can stop
// between two jobs and remove its gigabytes of inputs on the way out.
void catchInterrupts();
void stopIfInterrupted();  // throws std::runtime_error once such a signal has come

// Runs `job` in a child process of its own (fork), so that the peak is this job's alone, and
// returns getrusage's ru_maxrss of that child. The child is killed after `limitSeconds`.
Peak peakInChild(const std::function<bool()>& job, double limitSeconds);

// Scans once to learn the cut and checks it against the probe loop's arithmetic, then times the
// scan against the tail read and the writing jobs against cp, at least `minRuns` runs each.
void measure(InputResult& row, int minRuns);
// Times the original probe loop, up to `minRuns` runs while `capSeconds` last; a run that meets
// the cap stops there and is reported as such.
void measureProbeLoop(InputResult& row, int minRuns, double capSeconds);

// report.cpp: the scan table and the copy table, then PASS or FAIL with the figures for every
// target, every problem met on the way and every file that the engine left behind (`strays`).
// Returns the number of failures.
void printTables(const std::vector<InputResult>& rows);
int printTargets(const std::vector<InputResult>& rows, const std::vector<std::string>& strays);

}  // namespace velbrisk::bench
