// Copying the kept leading part of the source into the new output file.
#pragma once

#include <cstdint>

#include "engine/job_step.h"
#include "engine/os_file.h"
#include "engine/trim_internals.h"

namespace velbrisk {

// Makes `target` (new and empty) hold exactly the first `keptLength` bytes of `source`, which has
// at least that many. Takes the cheapest way the file systems allow: a clone cut to length, else a
// copy inside the kernel, else reading and writing through one block-sized buffer. Holes of the
// source stay holes. Progress moves by the bytes placed; the stop request is honoured between
// chunks.
StepResult copyLeadingBytes(const os::File& source, const os::File& target, std::int64_t keptLength,
                            ProgressMeter& progress, const detail::TrimOptions& options,
                            detail::TrimStats& stats);

}  // namespace velbrisk
