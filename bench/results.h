// What the bench finds out about one input: its figures, and anything that makes them void.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/trim.h"
#include "inputs.h"
#include "measure.h"

namespace velbrisk::bench {

struct InputResult {
    InputShape shape;
    std::string source;
    std::string outputName;
    std::string output;     // where the engine writes
    std::string reference;  // a file of exactly the kept bytes, for cp
    std::string cpOutput;
    std::int64_t length = 0;

    std::int64_t kept = 0;
    std::int64_t tail = 0;      // the blank tail and the probe that ends it: scanPosition + 1
    std::int64_t scanned = -1;  // bytes that the engine's scan read

    int scanRuns = 0;
    int copyRuns = 0;
    // Medians, in seconds.
    double scan = 0, read = 0, copy = 0, cp = 0, cpSync = 0, whole = 0, wholeWithProgress = 0;
    double check = 0;  // the copy's last checks: the cut read again, the source looked at
    // The fastest run of each, in seconds: what a job costs when nothing else on the machine
    // preempted it, shown next to the medians' ratios.
    struct {
        double scan = 0, read = 0, copy = 0, cp = 0, whole = 0;
    } fastest;
    std::uint64_t progressCalls = 0;
    bool progressSound = true;  // monotonic and ending at done == total
    Peak peak;

    std::vector<std::string> problems;  // anything that makes this row's figures meaningless

    bool probeLoopRan = false;
    bool probeLoopFinished = false;
    bool probeLoopAgrees = true;
    int probeLoopRuns = 0;
    double probeLoop = 0;
    std::int64_t probeLoopReached = 0;
};

// The status's name as the engine spells it.
const char* statusName(JobStatus status);

}  // namespace velbrisk::bench
