// Cuts one file both ways with the engine, for the checks on real programs: SAFE.exe keeps the
// program's own bytes, FULL.exe loses every blank byte the probe rule finds; both beside SOURCE.
// Prints "source S declared D safe K full F imageBytesCut C".
#include <iostream>
#include <optional>

#include "engine/trim.h"

using namespace velbrisk;

int main(int argc, char** argv) {
    TrimPlan full;
    const bool scanned = argc == 4 && scanSource(argv[1], full).status == JobStatus::Done;
    const std::optional<TrimPlan> safe = scanned ? safePlan(full) : std::nullopt;
    if (!safe || writeTrimmed(*safe, outputPath(argv[1], argv[2])).status != JobStatus::Done ||
        writeTrimmed(full, outputPath(argv[1], argv[3])).status != JobStatus::Done) {
        std::cout << "usage: cut_both_ways SOURCE SAFE FULL, which must give both copies\n";
        return 1;
    }
    std::cout << "source " << full.sourceLength << " declared " << full.declaredEnd << " safe "
              << safe->cut->outputLength << " full " << full.cut->outputLength << " imageBytesCut "
              << full.imageBytesCut << '\n';
    return 0;
}
