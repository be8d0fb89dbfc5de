// Finding the last byte of a file that is not zero, reading its tail backwards once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <system_error>

#include "engine/job_step.h"
#include "engine/os_file.h"
#include "engine/trim_internals.h"

namespace velbrisk {

// The index of the last byte of `bytes` that is not zero, or -1 when all are zero.
std::ptrdiff_t lastNonZero(std::span<const std::byte> bytes);

// Fills `into` with the bytes at `offset` as os::readAt does: the count read, short only at the
// end of the file, or 0 with `ec` set. The scan reads through one, called from two threads at once
// on a long tail; by default the file's own.
using ScanRead =
    std::function<std::size_t(std::int64_t offset, std::span<std::byte> into, std::error_code& ec)>;

// Reads `file` from offset `length` backwards, skipping the holes that the file system reports,
// in reads that start at one sector and double up to the size of `buffer`, until it meets a byte
// that is not zero; stores that byte's offset in `lastDataOffset` (-1 when there is none). A long
// stretch is read by a second thread as well, with a buffer of its own, where there is a core to
// spare. Progress, reported on the calling thread only, moves to `length` minus the offset down to
// which the tail is known to be zero.
StepResult findLastData(const os::File& file, std::int64_t length, std::span<std::byte> buffer,
                        ProgressMeter& progress, detail::TrimStats& stats,
                        std::int64_t& lastDataOffset, const ScanRead& read = {});

}  // namespace velbrisk
