// Cuts one file both ways with the engine, for the checks on real programs: SAFE.exe keeps the
// program's own bytes, FULL.exe loses every blank byte the probe rule finds; both beside SOURCE.
// Prints "source S declared D safe K full F imageBytesCut C".
#include <cstdio>
#include <optional>

#include "engine/trim.h"

using namespace velbrisk;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: cut_both_ways SOURCE SAFE FULL\n");
        return 2;
    }
    TrimPlan full;
    std::optional<TrimPlan> safe;
    if (scanSource(argv[1], full).status == JobStatus::Done) {
        safe = safePlan(full);
    }
    if (!safe || writeTrimmed(*safe, outputPath(argv[1], argv[2])).status != JobStatus::Done ||
        writeTrimmed(full, outputPath(argv[1], argv[3])).status != JobStatus::Done) {
        std::fprintf(stderr, "cut_both_ways: no copy of %s\n", argv[1]);
        return 1;
    }
    std::printf("source %lld declared %lld safe %lld full %lld imageBytesCut %lld\n",
                static_cast<long long>(full.sourceLength), static_cast<long long>(full.declaredEnd),
                static_cast<long long>(safe->cut->outputLength),
                static_cast<long long>(full.cut->outputLength),
                static_cast<long long>(full.imageBytesCut));
    return 0;
}
