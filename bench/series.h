// The timed series of one input: the engine's jobs and their yardsticks, and the original loop.
#pragma once

#include "results.h"

namespace velbrisk::bench {

// Scans once to learn the cut and checks it against the probe loop's arithmetic, writes a file of
// exactly the kept bytes for cp, checks every job's output once, then times the scan against the
// tail read and the writing jobs against cp, as medians of at least `minRuns` runs.
void measure(InputResult& result, int minRuns);

// Times the original probe loop, up to `minRuns` runs while `capSeconds` last; a run that meets
// the cap stops there and is reported as such.
void measureProbeLoop(InputResult& result, int minRuns, double capSeconds);

}  // namespace velbrisk::bench
