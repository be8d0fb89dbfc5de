// The trimming job's knobs and counters, which JobControl carries: for tests and measurements.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "engine/os_file.h"
#include "engine/trim.h"

namespace velbrisk::detail {

// The source as the scan opened it, and its facts at that moment.
struct HeldSource {
    os::File file;
    os::FileInfo info;
};

struct TrimOptions {
    // Tests switch these off to take the slower ways that other file systems force on the job.
    bool allowClone = true;       // share the source's blocks and cut the clone to length
    bool allowKernelCopy = true;  // copy inside the kernel
    std::size_t blockBytes = std::size_t{256} << 10;  // the largest read of the scan or the copy
    // One kernel copy call: small enough that a slow disk still lets a stop request through
    // within a tenth of a second, large enough that the calls cost nothing beside the copying.
    std::int64_t kernelChunkBytes = std::int64_t{16} << 20;
    bool allowUnnamedOutput = true;  // write the copy as a file with no name until it is in place
    // Called once the copy is written, before the last checks; and once they have passed, just
    // before the copy is put in place: where tests play the other program that changes the source.
    std::function<void()> afterCopy = {};
    std::function<void()> beforeReplace = {};
};

struct TrimStats {
    std::uint64_t scanBytesRead = 0;      // bytes the scan read; holes are never read
    std::uint64_t clonedBytes = 0;        // kept bytes that came by a clone
    std::uint64_t kernelCopiedBytes = 0;  // kept bytes the kernel copied
    std::uint64_t readWriteBytes = 0;     // kept bytes read and written by this process
    std::uint64_t checkBytesRead = 0;     // bytes read after the copy to see that the cut is blank
};

// The same control with the job's tuning and counters: for the engine's own tests and the bench.
inline JobControl tuned(JobControl control, const TrimOptions& options, TrimStats& stats) {
    control.tuning = &options;
    control.stats = &stats;
    return control;
}

}  // namespace velbrisk::detail
