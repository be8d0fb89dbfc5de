// Clocks and counters for the bench: wall time, medians, bytes read, and a job's peak memory.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

namespace velbrisk::bench {

// Seconds of wall time that `work` takes.
template <class Work>
double secondsOf(Work&& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values);
double fastest(const std::vector<double>& values);

// Bytes that this process has read through read-family system calls so far (rchar of
// /proc/self/io, less what reading that file itself adds); -1 where the kernel does not say.
// Page faults on a mapped file are not counted.
std::int64_t bytesReadSoFar();

// From now on, Ctrl-C (SIGINT), SIGTERM and SIGHUP only set a flag, so that the bench can stop
// between two jobs and remove its gigabytes of inputs on the way out.
void catchInterrupts();
// Throws std::runtime_error once such a signal has come.
void stopIfInterrupted();
bool interrupted();

struct Peak {
    bool ok = false;        // the job ran in the child and said it succeeded
    bool timedOut = false;  // the job was still running at the limit and was killed
    long startKiB = 0;      // the child's peak resident size before the job
    long peakKiB = 0;       // its peak over its whole life, the job included
};

// Runs `job` in a child process of its own (fork), so that the peak is this job's alone, and
// returns getrusage's ru_maxrss of that child. The child is killed after `limitSeconds`.
Peak peakInChild(const std::function<bool()>& job, double limitSeconds);

}  // namespace velbrisk::bench
