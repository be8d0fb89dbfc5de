// The bench's tables and its verdict on each target.
#pragma once

#include <string>
#include <vector>

#include "results.h"

namespace velbrisk::bench {

// The scan table and the copy table, one line per input.
void printTables(const std::vector<InputResult>& results);

// PASS or FAIL with the figures for every target, and a FAIL for every problem met on the way and
// every file that the engine left behind (`strays`). Returns the number of failures.
int printTargets(const std::vector<InputResult>& results, const std::vector<std::string>& strays);

}  // namespace velbrisk::bench
