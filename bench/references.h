// What the engine is measured against: a plain read of the tail, cp, and the original probe loop.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace velbrisk::bench {

// Opens `path`, learns its length and reads its last `length` bytes in 1 MiB blocks into a buffer
// that is thrown away: the least that any scan of that tail has to do. Returns the bytes read.
std::int64_t readTail(const std::string& path, std::int64_t length);

// Runs /bin/cp as a child process with no options and waits for it. True when it exits with 0.
bool runCp(const std::string& from, const std::string& to);

// Flushes a file and then its folder to the disk, as a copy that must survive a crash does.
bool syncToDisk(const std::string& path);

// "cp (GNU coreutils) 9.1"
std::string cpVersion();

struct ProbeLoopResult {
    bool finished = false;          // false: the deadline came first
    bool found = false;             // a probe held data
    std::int64_t cutAmount = 0;     // a = i - 10, when found
    std::int64_t scanPosition = 0;  // the last i probed
};

// The probe loop as it was first written: for i = 10, 20, ... it re-sizes a buffer to i + 1 bytes,
// reads the whole tail from position L - i to the end into it, and stops at the first probe whose
// first two bytes are not both zero. Kept here only to show what the engine replaced.
ProbeLoopResult probeLoop(const std::string& path, std::chrono::steady_clock::time_point deadline);

}  // namespace velbrisk::bench
