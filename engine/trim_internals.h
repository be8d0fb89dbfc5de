// The trimming job with its knobs and counters exposed: for tests and measurements, not the window.
#pragma once

#include <cstddef>
#include <cstdint>
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
};

struct TrimStats {
    std::uint64_t scanBytesRead = 0;      // bytes the scan read; holes are never read
    std::uint64_t clonedBytes = 0;        // kept bytes that came by a clone
    std::uint64_t kernelCopiedBytes = 0;  // kept bytes the kernel copied
    std::uint64_t readWriteBytes = 0;     // kept bytes read and written by this process
};

JobResult scanSource(std::string_view sourcePath, TrimPlan& plan, const JobControl& control,
                     const TrimOptions& options, TrimStats& stats);
JobResult writeTrimmed(const TrimPlan& plan, std::string_view outputPath,
                       const JobControl& control, const TrimOptions& options, TrimStats& stats);
JobResult replaceTrimmed(const TrimPlan& plan, const JobControl& control,
                         const TrimOptions& options, TrimStats& stats);
JobResult trimFile(std::string_view sourcePath, std::string_view outputName,
                   const JobControl& control, const TrimOptions& options, TrimStats& stats);

}  // namespace velbrisk::detail
